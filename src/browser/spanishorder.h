#pragma once

#include <QtGlobal>
#include <vector>

namespace felcora::browser {

class TextColumn;

// The rows of a column sorted ascending by their text in Spanish order,
// ignoring case; equal texts keep their reading order.
std::vector<quint32> spanishOrder(const TextColumn &texts);

} // namespace felcora::browser
