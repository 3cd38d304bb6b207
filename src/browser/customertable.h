#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
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
    // Appends the case-folded form of a UTF-8 text, as the search compares it.
    void appendFolded(QByteArrayView text);
    void replace(qsizetype row, QByteArrayView text);
    void remove(qsizetype row);

private:
    void endRow();

    std::vector<char> m_bytes;
    std::vector<quint32> m_ends;
};

// The rows of the customer list, in the order they were read, with what the
// list needs to search and sort a million of them quickly: a case-folded copy
// of the names, and one row permutation per column once it has been sorted.
class FELCORA_TESTS_EXPORT CustomerTable
{
public:
    using Order = std::vector<quint32>;
    using Row = std::array<QString, kCustomerColumnCount>;

    qsizetype rowCount() const { return m_columns[kNombre].size(); }
    QString text(qsizetype row, int c) const { return m_columns[size_t(c)].text(row); }

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

    // The rows sorted ascending by a column's text in Spanish order, ties
    // kept in reading order. Computed once per column and kept until the
    // rows change; the same object for a column, whose contents a new sort
    // replaces.
    const Order &sortedBy(int column);

    // The first position in `order` (reading order when null) whose row's
    // name begins with prefix, ignoring case; -1 when none does.
    qsizetype findNamePrefix(QStringView prefix, const Order *order);

    // Case folding used by the search, on UTF-8.
    static QByteArray fold(QByteArrayView utf8);

private:
    void forgetHeadsInOrder();
    void appendFoldedName(QByteArrayView name);
    const std::vector<quint32> &headsIn(const Order *order);

    std::array<TextColumn, kCustomerColumnCount> m_columns;
    std::array<Order, kCustomerColumnCount> m_sorted;
    std::array<bool, kCustomerColumnCount> m_unsorted{}; // a computed order that changes may have unsorted
    // The search runs on folded names. It scans their first four bytes, one
    // word per row laid out in list order, and reads a whole name only when
    // those match: a keystroke reads 4 MB for a million rows, not every name.
    TextColumn m_foldedNames;            // reading order
    std::vector<quint32> m_heads;        // reading order
    const Order *m_headsOrder = nullptr; // the order m_headsInOrder follows
    std::vector<quint32> m_headsInOrder;
};

} // namespace felcora::browser
