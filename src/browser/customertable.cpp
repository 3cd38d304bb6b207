#include "browser/customertable.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "browser/spanishorder.h"
#include "core/accents.h"
#include "felcora/error.h"
#include "felcora/hostcomponents.h"

namespace felcora::browser {

namespace {

constexpr std::array<const char *, kCustomerColumnCount> kFieldNames
    = {"nombre", "CUIT", "domicilio", "email", "regalias", "AjxVinc_4102"};

// The Latin-1 letters U+00C0..U+00FF as the search compares them: the base
// letter of those that decompose (Á to a, Ñ to n, Ü to u), the lower case of
// the others; 0 for ß, whose folding is two letters.
constexpr char16_t kLatinFolded[64]
    = {u'a', u'a', u'a', u'a',      u'a',      u'a', u'\u00E6', u'c', u'e', u'e',      u'e',      u'e',      u'i',
       u'i', u'i', u'i', u'\u00F0', u'n',      u'o', u'o',      u'o', u'o', u'o',      u'\u00D7', u'\u00F8', u'u',
       u'u', u'u', u'u', u'y',      u'\u00FE', 0,    u'a',      u'a', u'a', u'a',      u'a',      u'a',      u'\u00E6',
       u'c', u'e', u'e', u'e',      u'e',      u'i', u'i',      u'i', u'i', u'\u00F0', u'n',      u'o',      u'o',
       u'o', u'o', u'o', u'\u00F7', u'\u00F8', u'u', u'u',      u'u', u'u', u'y',      u'\u00FE', u'y'};

// Folds ASCII and the Latin-1 letters (two-byte sequences C3 xx) byte by
// byte, as the general folding below does; false, with out unchanged in
// size, for any other text, which then goes through QString.
bool foldLatin(QByteArrayView text, std::vector<char> &out)
{
    const size_t at = out.size();
    for (qsizetype k = 0; k < text.size(); ++k) {
        const uchar c = uchar(text[k]);
        if (c < 0x80) {
            out.push_back(char(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c));
            continue;
        }
        const uchar next = k + 1 < text.size() ? uchar(text[k + 1]) : 0;
        const char16_t folded = c == 0xC3 && next >= 0x80 && next <= 0xBF ? kLatinFolded[next - 0x80] : 0;
        if (folded == 0) {
            out.resize(at);
            return false;
        }
        if (folded < 0x80) {
            out.push_back(char(folded));
        } else {
            out.push_back(char(0xC0 | (folded >> 6)));
            out.push_back(char(0x80 | (folded & 0x3F)));
        }
        ++k;
    }
    return true;
}

QByteArray foldUnicode(QByteArrayView text)
{
    return withoutAccents(QString::fromUtf8(text)).toCaseFolded().toUtf8();
}

// The first four bytes of a folded name as one word (missing bytes are 0),
// and the mask that compares as many of them as a search text has.
namespace NameHeads {
quint32 head(QByteArrayView folded)
{
    quint32 word = 0;
    for (qsizetype k = 0; k < std::min<qsizetype>(4, folded.size()); ++k)
        word |= quint32(uchar(folded[k])) << (8 * k);
    return word;
}
quint32 mask(qsizetype length)
{
    return length >= 4 ? 0xFFFFFFFFu : (quint32(1) << (8 * length)) - 1;
}
} // namespace NameHeads

// Row ends are 32-bit offsets: a column holds at most 4 GB of text.
void checkColumnSize(quint64 bytes)
{
    if (bytes > std::numeric_limits<quint32>::max())
        throw Error(errnum::kOutOfMemory, QStringLiteral("FrmABMClientes"),
                    QStringLiteral("La lista de clientes no cabe en memoria"));
}

} // namespace

void TextColumn::endRow()
{
    checkColumnSize(m_bytes.size());
    m_ends.push_back(quint32(m_bytes.size()));
}

void TextColumn::append(QByteArrayView text)
{
    m_bytes.insert(m_bytes.end(), text.begin(), text.end());
    endRow();
}

void TextColumn::appendFolded(QByteArrayView text)
{
    if (foldLatin(text, m_bytes))
        endRow();
    else
        append(foldUnicode(text));
}

void TextColumn::replace(qsizetype row, QByteArrayView text)
{
    const size_t begin = row == 0 ? 0 : m_ends[size_t(row - 1)];
    const size_t end = m_ends[size_t(row)];
    const qint64 delta = qint64(text.size()) - qint64(end - begin);
    // A text of the same length is written over the old one: an edited row
    // near the start of a million does not move the bytes of the rows after it.
    if (delta == 0) {
        std::copy(text.begin(), text.end(), m_bytes.begin() + qsizetype(begin));
        return;
    }
    checkColumnSize(quint64(qint64(m_bytes.size()) + delta));
    if (delta > 0)
        m_bytes.insert(m_bytes.begin() + qsizetype(end), size_t(delta), '\0');
    else
        m_bytes.erase(m_bytes.begin() + qsizetype(qint64(end) + delta), m_bytes.begin() + qsizetype(end));
    std::copy(text.begin(), text.end(), m_bytes.begin() + qsizetype(begin));
    for (size_t r = size_t(row); r < m_ends.size(); ++r)
        m_ends[r] = quint32(qint64(m_ends[r]) + delta);
}

void TextColumn::remove(qsizetype row)
{
    const size_t begin = row == 0 ? 0 : m_ends[size_t(row - 1)];
    const size_t end = m_ends[size_t(row)];
    m_bytes.erase(m_bytes.begin() + qsizetype(begin), m_bytes.begin() + qsizetype(end));
    m_ends.erase(m_ends.begin() + row);
    const auto length = quint32(end - begin);
    for (size_t r = size_t(row); r < m_ends.size(); ++r)
        m_ends[r] -= length;
}

QByteArray CustomerTable::fold(QByteArrayView utf8)
{
    TextColumn folded;
    folded.appendFolded(utf8);
    return folded.utf8(0).toByteArray();
}

CustomerTable CustomerTable::read(IRecordset &rs, IFormat &format)
{
    CustomerTable table;
    if (rs.Eof())
        return table;
    CustomerTableReader reader(rs, format);
    while (!reader.readSome(table, std::numeric_limits<qsizetype>::max())) {}
    return table;
}

CustomerTableReader::CustomerTableReader(IRecordset &rs, IFormat &format)
    : m_rs(rs)
    , m_format(format)
{
    if (rs.Eof())
        return;
    for (int c = 0; c < kCustomerColumnCount; ++c) {
        const QString name = QString::fromLatin1(kFieldNames[size_t(c)]);
        m_field[size_t(c)] = rs.fieldIndex(name);
        if (m_field[size_t(c)] < 0)
            rs.Fields(name); // fails with the recordset's own error
    }
}

bool CustomerTableReader::readSome(CustomerTable &table, qsizetype rows)
{
    auto &columns = table.m_columns;
    for (qsizetype read = 0; read < rows; ++read) {
        if (m_rs.Eof())
            return true;
        for (int c = kNombre; c <= kEMail; ++c)
            columns[size_t(c)].append(m_rs.textUtf8(m_field[size_t(c)]));
        for (int c = kRegalias; c <= kAjuste; ++c) {
            QVariant value = m_rs.value(m_field[size_t(c)]);
            const QVariant &last = m_lastValue[size_t(c)];
            const bool same
                = m_readAny && value.typeId() == last.typeId() && value.isNull() == last.isNull() && value == last;
            if (!same) {
                m_lastText[size_t(c)] = m_format.EsNumero(value).toUtf8();
                m_lastValue[size_t(c)] = std::move(value);
            }
            columns[size_t(c)].append(m_lastText[size_t(c)]);
        }
        m_readAny = true;
        table.appendFoldedName(columns[kNombre].utf8(columns[kNombre].size() - 1));
        m_rs.MoveNext();
    }
    return m_rs.Eof();
}

void CustomerTable::appendFoldedName(QByteArrayView name)
{
    m_foldedNames.appendFolded(name);
    m_heads.push_back(NameHeads::head(m_foldedNames.utf8(m_foldedNames.size() - 1)));
}

qsizetype CustomerTable::placeInOrder(int column, const Row &row) const
{
    const Order &order = m_sorted[size_t(column)];
    if (qsizetype(order.size()) != rowCount())
        return rowCount(); // not sorted yet
    return qsizetype(spanishPlace(m_columns[size_t(column)], order, row[size_t(column)].toUtf8()));
}

void CustomerTable::appendRow(const Row &row)
{
    const auto added = quint32(rowCount());
    std::array<qsizetype, kCustomerColumnCount> places;
    for (int c = 0; c < kCustomerColumnCount; ++c)
        places[size_t(c)] = placeInOrder(c, row);
    for (int c = 0; c < kCustomerColumnCount; ++c)
        m_columns[size_t(c)].append(row[size_t(c)].toUtf8());
    appendFoldedName(row[kNombre].toUtf8());
    for (size_t c = 0; c < m_sorted.size(); ++c) {
        if (m_sorted[c].size() != added)
            continue; // not sorted yet
        m_sorted[c].insert(m_sorted[c].begin() + places[c], added);
    }
    forgetHeadsInOrder();
}

void CustomerTable::replaceRow(qsizetype row, const Row &values)
{
    for (int c = 0; c < kCustomerColumnCount; ++c)
        m_columns[size_t(c)].replace(row, values[size_t(c)].toUtf8());
    const QByteArray folded = fold(values[kNombre].toUtf8());
    m_foldedNames.replace(row, folded);
    m_heads[size_t(row)] = NameHeads::head(folded);
    m_unsorted.fill(true);
    forgetHeadsInOrder();
}

void CustomerTable::removeRow(qsizetype row)
{
    const qsizetype rowsBefore = rowCount();
    for (TextColumn &column : m_columns)
        column.remove(row);
    m_foldedNames.remove(row);
    m_heads.erase(m_heads.begin() + row);
    const auto removed = quint32(row);
    for (Order &order : m_sorted) {
        if (qsizetype(order.size()) != rowsBefore)
            continue; // not sorted yet
        order.erase(std::remove(order.begin(), order.end(), removed), order.end());
        for (quint32 &r : order)
            r -= r > removed ? 1 : 0;
    }
    forgetHeadsInOrder();
}

void CustomerTable::forgetHeadsInOrder()
{
    m_headsColumn = kNoHeads;
    m_headsInOrder.clear();
}

const CustomerTable::Order &CustomerTable::sortedBy(int c)
{
    Order &order = m_sorted[size_t(c)];
    if (qsizetype(order.size()) == rowCount() && !m_unsorted[size_t(c)])
        return order;
    order = spanishOrder(m_columns[size_t(c)]);
    m_unsorted[size_t(c)] = false;
    forgetHeadsInOrder();
    headsIn(&order); // made now, not on the first keystroke
    return order;
}

void CustomerTable::adoptOrder(int c, Order order)
{
    m_sorted[size_t(c)] = std::move(order);
    m_unsorted[size_t(c)] = false;
    forgetHeadsInOrder();
    headsIn(&m_sorted[size_t(c)]);
}

qsizetype CustomerTable::findNamePrefix(QStringView prefix, const Order *order, bool reversed)
{
    const QByteArray needle = fold(prefix.toUtf8());
    const std::vector<quint32> &heads = headsIn(order);
    const quint32 wanted = NameHeads::head(needle);
    const quint32 mask = NameHeads::mask(needle.size());
    const size_t rows = heads.size();
    for (size_t shown = 0; shown < rows; ++shown) {
        const size_t position = reversed ? rows - 1 - shown : shown;
        if ((heads[position] & mask) != wanted)
            continue;
        const QByteArrayView name = m_foldedNames.utf8(qsizetype(order ? (*order)[position] : position));
        if (name.size() >= needle.size() && std::memcmp(name.data(), needle.constData(), size_t(needle.size())) == 0)
            return qsizetype(shown);
    }
    return -1;
}

qsizetype CustomerTable::findCuitPrefix(QStringView prefix, const Order *order, bool reversed) const
{
    const QByteArray needle = prefix.toUtf8();
    const TextColumn &cuits = m_columns[kCuit];
    const size_t rows = size_t(rowCount());
    for (size_t shown = 0; shown < rows; ++shown) {
        const size_t position = reversed ? rows - 1 - shown : shown;
        if (cuits.utf8(qsizetype(order ? (*order)[position] : position)).startsWith(needle))
            return qsizetype(shown);
    }
    return -1;
}

int CustomerTable::columnOf(const Order *order) const
{
    for (int c = 0; c < kCustomerColumnCount; ++c) {
        if (order == &m_sorted[size_t(c)])
            return c;
    }
    return kNoHeads; // not one of this table's orders: never taken for one
}

// By the column, not the order's address: a table moved into the list keeps them.
const std::vector<quint32> &CustomerTable::headsIn(const Order *order)
{
    if (!order)
        return m_heads;
    const int column = columnOf(order);
    if (column == kNoHeads || m_headsColumn != column || m_headsInOrder.size() != m_heads.size()) {
        m_headsInOrder.resize(order->size());
        for (size_t position = 0; position < order->size(); ++position)
            m_headsInOrder[position] = m_heads[(*order)[position]];
        m_headsColumn = column;
    }
    return m_headsInOrder;
}

} // namespace felcora::browser
