#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include "browser/customertable.h"

namespace felcora::browser {

// The customer list as a table model over a CustomerTable. Rows are shown in
// reading order until a column is sorted; from then on in that column's
// sorted order, ascending or descending, which stays on.
class FELCORA_TESTS_EXPORT CustomerListModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit CustomerListModel(QObject *parent = nullptr);

    // The rows, shown in reading order, or sorted ascending by a column.
    void setTable(CustomerTable table, int sortColumn = -1);
    void clear() { setTable({}); }
    void setIcon(const QIcon &icon) { m_icon = icon; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The rows change where the list shows them and the others keep their
    // places, whatever the order shown: a new customer comes where the order
    // shown puts it (at the end until a column is sorted) and its row is
    // answered, a rewritten one stays at its row, a removed one leaves the
    // rows below it moved up. A later header click sorts them all again.
    int addCustomer(const CustomerTable::Row &row);
    void replaceCustomer(int row, const CustomerTable::Row &values);
    void removeCustomer(int row);

    // -1 until a column has been sorted.
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    QString text(int row, int column) const;
    // The same as the table keeps it, without a conversion.
    QByteArrayView utf8(int row, int column) const { return m_table.utf8(readingRow(row), column); }
    // The first row, in list order, whose name begins with prefix without
    // regard to case and accents; -1 when none does.
    int findNamePrefix(QStringView prefix);
    // The row the search box answers for a text: the first row, in list
    // order, whose name begins with it; for a text of digits, when no name
    // does, the first whose CUIT begins with them (only the CUIT while the
    // list is sorted by CUIT). -1 when none does.
    int find(QStringView text);
    // The row of the customer with this CUIT; -1 when none has it.
    int rowOfCuit(const QString &cuit) const;

private:
    qsizetype readingRow(int row) const;
    bool reversed() const { return m_order && m_sortOrder == Qt::DescendingOrder; }

    CustomerTable m_table;
    const CustomerTable::Order *m_order = nullptr;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QIcon m_icon;
};

} // namespace felcora::browser
