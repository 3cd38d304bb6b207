#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <array>
#include <vector>

#include "felcora/felcora_export.h"

namespace felcora {
class IRecordset;
class IFormat;
} // namespace felcora

namespace felcora::browser {

// The list's columns, in the order the window shows them.
enum CustomerColumn : int { kNombre, kCuit, kDireccion, kEMail, kRegalias, kAjuste, kCustomerColumnCount };

// The texts of one column, one UTF-8 buffer for all rows: row r holds the
// bytes between the end of row r-1 and its own end. A million rows cost their
// bytes plus four bytes each, with no allocation per row.
class FELCORA_TESTS_EXPORT TextColumn
{
public:
    qsizetype size() const { return qsizetype(m_ends.size()); }
    QByteArrayView utf8(qsizetype row) const
    {
        const quint32 begin = row == 0 ? 0 : m_ends[size_t(row - 1)];
        return QByteArrayView(m_bytes.data() + begin, qsizetype(m_ends[size_t(row)] - begin));
    }
    QString text(qsizetype row) const { return QString::fromUtf8(utf8(row)); }
    qsizetype byteCount() const { return qsizetype(m_bytes.size()); }

    void append(QByteArrayView text);
    // Appends the form of a UTF-8 text the search compares: case folded and
    // without accents (see CustomerTable::fold).
    void appendFolded(QByteArrayView text);
    void replace(qsizetype row, QByteArrayView text);
    void remove(qsizetype row);

private:
    void endRow();

    std::vector<char> m_bytes;
    std::vector<quint32> m_ends;
};

// The rows of the customer list, in the order they were read, with what the
// list needs to search and sort a million of them quickly: a folded copy of
// the names, and one row permutation per column once it has been sorted.
class FELCORA_TESTS_EXPORT CustomerTable
{
public:
    using Order = std::vector<quint32>;
    using Row = std::array<QString, kCustomerColumnCount>;

    qsizetype rowCount() const { return m_columns[kNombre].size(); }
    QString text(qsizetype row, int c) const { return m_columns[size_t(c)].text(row); }
    QByteArrayView utf8(qsizetype row, int c) const { return m_columns[size_t(c)].utf8(row); }

    // Reads every record of a customer query: name, CUIT, address and e-mail
    // as text (null as ""), royalties and adjustment as the format
    // component's numeric text. A missing column fails as the recordset does.
    static CustomerTable read(IRecordset &rs, IFormat &format);

    // Changing the rows keeps every order already computed a permutation of
    // all the rows, so that a list showing one stays consistent: an appended
    // row goes to its place in each (see placeInOrder), a rewritten row keeps
    // its place, a removed row leaves them with the rows after it moved up.
    // An order that a rewrite may have unsorted is sorted again when it is
    // next asked for.
    void appendRow(const Row &row);
    // Where appendRow puts a new row in a column's order: after the rows
    // whose text sorts before or equal to its text; the end when the order
    // has not been computed yet.
    qsizetype placeInOrder(int column, const Row &row) const;
    void replaceRow(qsizetype row, const Row &values);
    void removeRow(qsizetype row);

    // The rows sorted ascending by a column's text in Spanish order, texts
    // the collation finds equal by their bytes, equal texts in reading order. Computed once per column and kept until
    // the rows change; the same object for a column, whose contents a new sort replaces.
    const Order &sortedBy(int column);

    // An order of a column made elsewhere (by NameOrder, as the rows were
    // read): a permutation of all the rows, sorted as sortedBy sorts.
    void adoptOrder(int column, Order order);
    const TextColumn &names() const { return m_columns[kNombre]; }

    // The first position in `order` (reading order when null), read from its
    // end when reversed, whose row's name begins with prefix, compared
    // without regard to case and accents; -1 when none does.
    qsizetype findNamePrefix(QStringView prefix, const Order *order, bool reversed = false);
    // The same for a CUIT beginning with these characters, as stored.
    qsizetype findCuitPrefix(QStringView prefix, const Order *order, bool reversed = false) const;

    // The form of a UTF-8 text the search compares: Unicode's case folding
    // of the text without its combining marks once decomposed, so that
    // "nunez" finds NÚÑEZ and "ague" AGÜERO.
    static QByteArray fold(QByteArrayView utf8);

private:
    friend class CustomerTableReader;
    void forgetHeadsInOrder();
    static constexpr int kNoHeads = -1;
    int columnOf(const Order *order) const;
    void appendFoldedName(QByteArrayView name);
    const std::vector<quint32> &headsIn(const Order *order);

    std::array<TextColumn, kCustomerColumnCount> m_columns;
    std::array<Order, kCustomerColumnCount> m_sorted;
    std::array<bool, kCustomerColumnCount> m_unsorted{}; // a computed order that changes may have unsorted
    // The search runs on folded names. It scans their first four bytes, one
    // word per row laid out in list order, and reads a whole name only when
    // those match: a keystroke reads 4 MB for a million rows, not every name.
    TextColumn m_foldedNames;     // reading order
    std::vector<quint32> m_heads; // reading order
    int m_headsColumn = kNoHeads; // the column whose order m_headsInOrder follows
    std::vector<quint32> m_headsInOrder;
};

// Reads the records of a customer query into a table a slice at a time, so
// that a long list is read between the keys and paints of its window.
class FELCORA_TESTS_EXPORT CustomerTableReader
{
public:
    // Finds the columns; a missing one fails as the recordset does.
    CustomerTableReader(IRecordset &rs, IFormat &format);
    // Reads up to `rows` more records; answers whether the end was reached.
    bool readSome(CustomerTable &table, qsizetype rows);

private:
    IRecordset &m_rs;
    IFormat &m_format;
    std::array<int, kCustomerColumnCount> m_field{};
    // Most customers share a few royalty and adjustment values (nothing, 0):
    // the format component's text for a value is reused while it repeats.
    std::array<QVariant, kCustomerColumnCount> m_lastValue;
    std::array<QByteArray, kCustomerColumnCount> m_lastText;
    bool m_readAny = false;
};

} // namespace felcora::browser
