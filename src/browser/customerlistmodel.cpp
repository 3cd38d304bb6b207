#include "browser/customerlistmodel.h"

#include <algorithm>

namespace felcora::browser {

namespace {

QString header(int column)
{
    switch (column) {
    case kNombre: return QStringLiteral("Nombre");
    case kCuit: return QStringLiteral("Cuit");
    case kDireccion: return QStringLiteral("Direccion");
    case kEMail: return QStringLiteral("E-Mail");
    case kRegalias: return QStringLiteral("Regalias");
    case kAjuste: return QStringLiteral("Ajuste Res 41/02");
    default: return {};
    }
}

} // namespace

CustomerListModel::CustomerListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void CustomerListModel::setTable(CustomerTable table, int sortColumn)
{
    beginResetModel();
    m_table = std::move(table);
    m_sortColumn = sortColumn;
    m_sortOrder = Qt::AscendingOrder;
    m_order = sortColumn >= 0 ? &m_table.sortedBy(sortColumn) : nullptr;
    endResetModel();
}

qsizetype CustomerListModel::readingRow(int row) const
{
    if (!m_order)
        return row;
    const size_t position = reversed() ? m_order->size() - 1 - size_t(row) : size_t(row);
    return qsizetype((*m_order)[position]);
}

int CustomerListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_table.rowCount());
}

int CustomerListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kCustomerColumnCount;
}

QString CustomerListModel::text(int row, int column) const
{
    return m_table.text(readingRow(row), column);
}

QVariant CustomerListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return text(index.row(), index.column());
    if (role == Qt::DecorationRole && index.column() == kNombre)
        return m_icon;
    return {};
}

QVariant CustomerListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return header(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags CustomerListModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void CustomerListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= kCustomerColumnCount)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<qsizetype> readingRows;
    readingRows.reserve(size_t(before.size()));
    for (const QModelIndex &index : before)
        readingRows.push_back(readingRow(index.row()));

    m_order = &m_table.sortedBy(column);
    m_sortColumn = column;
    m_sortOrder = order;

    if (!before.isEmpty()) {
        std::vector<int> position(m_order->size());
        for (size_t k = 0; k < m_order->size(); ++k)
            position[(*m_order)[k]] = reversed() ? int(m_order->size() - 1 - k) : int(k);
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype k = 0; k < before.size(); ++k)
            after.append(index(position[size_t(readingRows[size_t(k)])], before[k].column()));
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int CustomerListModel::addCustomer(const CustomerTable::Row &row)
{
    int at = m_order ? int(m_table.placeInOrder(m_sortColumn, row)) : rowCount();
    if (reversed())
        at = rowCount() - at; // after the rows that sort after it, before the ones equal or before
    beginInsertRows({}, at, at);
    m_table.appendRow(row);
    endInsertRows();
    return at;
}

void CustomerListModel::replaceCustomer(int row, const CustomerTable::Row &values)
{
    m_table.replaceRow(readingRow(row), values);
    emit dataChanged(index(row, 0), index(row, kCustomerColumnCount - 1));
}

void CustomerListModel::removeCustomer(int row)
{
    beginRemoveRows({}, row, row);
    m_table.removeRow(readingRow(row));
    endRemoveRows();
}

int CustomerListModel::findNamePrefix(QStringView prefix)
{
    return int(m_table.findNamePrefix(prefix, m_order, reversed()));
}

int CustomerListModel::find(QStringView text)
{
    const bool digits
        = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    const bool byCuit = m_order && m_sortColumn == kCuit;
    if (digits && byCuit)
        return int(m_table.findCuitPrefix(text, m_order, reversed()));
    const int byName = findNamePrefix(text);
    if (byName >= 0 || !digits)
        return byName;
    return int(m_table.findCuitPrefix(text, m_order, reversed()));
}

int CustomerListModel::rowOfCuit(const QString &cuit) const
{
    const QByteArray wanted = cuit.toUtf8();
    for (int row = 0; row < rowCount(); ++row) {
        if (m_table.utf8(readingRow(row), kCuit) == wanted)
            return row;
    }
    return -1;
}

} // namespace felcora::browser
