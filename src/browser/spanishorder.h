#pragma once

#include <QByteArrayView>
#include <QtGlobal>
#include <memory>
#include <vector>

#include "felcora/felcora_export.h"

namespace felcora::browser {

class TextColumn;

// Sort keys of texts in Spanish order, appended one row at a time into one
// buffer, so that a list read in slices is ordered at its end without a
// second pass over its texts. The order is the office server's: ICU's es_AR
// collation at its default (tertiary) strength, so that case and accents weigh
// less than letters, Ñ follows N and Ü goes with U; texts the collation finds
// equal are ordered by their bytes, then in reading order.
class FELCORA_TESTS_EXPORT SpanishKeys
{
public:
    SpanishKeys();
    ~SpanishKeys();
    SpanishKeys(SpanishKeys &&) noexcept;
    SpanishKeys &operator=(SpanishKeys &&) noexcept;

    size_t size() const;
    void reserve(size_t rows);
    // Appends the key of the next row's text.
    void add(QByteArrayView utf8);
    // Sorts the rows added since the last call among those sorted before, so
    // that the order of rows added a slice at a time is mostly made before
    // the last one comes; texts are the rows the keys were added for.
    void sortSome(const TextColumn &texts);
    // How many rows were added since the last sort.
    size_t unsorted() const;
    // The rows sorted ascending; texts are the rows the keys were added for.
    std::vector<quint32> order(const TextColumn &texts);

    // The collator and the keys' bytes (also what spanishPlace compares with).
    struct Buffer;

private:
    std::unique_ptr<Buffer> m;
};

// The rows of a column sorted ascending by their text in Spanish order.
FELCORA_TESTS_EXPORT std::vector<quint32> spanishOrder(const TextColumn &texts);

// Where a new text goes among the rows of `order` (an order spanishOrder
// gave): after every row whose text sorts before it or equal to it, as a row
// read last would come.
size_t spanishPlace(const TextColumn &texts, const std::vector<quint32> &order, QByteArrayView utf8);

} // namespace felcora::browser
