#pragma once

#include <QByteArrayView>
#include <QtGlobal>
#include <vector>

namespace felcora::browser {

class TextColumn;

// The rows of a column sorted ascending by their text in Spanish order,
// ignoring case; equal texts keep their reading order.
std::vector<quint32> spanishOrder(const TextColumn &texts);

// Where a new text goes among the rows of `order` (an order spanishOrder
// gave): after every row whose text sorts before it or equal to it, as a row
// read last would come.
size_t spanishPlace(const TextColumn &texts, const std::vector<quint32> &order, QByteArrayView utf8);

} // namespace felcora::browser
