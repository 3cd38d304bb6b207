#include "taxregister/checkmodel.h"

namespace felcora::taxregister {

void CheckModel::setRows(QList<CheckRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_table = checkTable(m_rows);
    showFiltered();
    endResetModel();
}

void CheckModel::setFilter(unsigned kinds)
{
    beginResetModel();
    m_filter = kinds;
    showFiltered();
    endResetModel();
}

void CheckModel::showFiltered()
{
    m_shown.clear();
    for (qsizetype k = 0; k < m_rows.size(); ++k) {
        if (m_rows.at(k).kinds & m_filter)
            m_shown.append(k);
    }
}

QList<CheckRow> CheckModel::shownRows() const
{
    QList<CheckRow> shown;
    shown.reserve(m_shown.size());
    for (const qsizetype k : m_shown)
        shown.append(m_rows.at(k));
    return shown;
}

void CheckModel::replaceRow(int row, const CheckRow &checked)
{
    m_rows[m_shown.at(row)] = checked;
    m_table = checkTable(m_rows);
    // A customer without findings has none of any filter's kinds: it is shown no more.
    if (checked.kinds & m_filter) {
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        return;
    }
    beginRemoveRows({}, row, row);
    showFiltered();
    endRemoveRows();
}

int CheckModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

int CheckModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_table.headers.size());
}

QVariant CheckModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return m_table.text(m_shown.at(index.row()), index.column());
}

QVariant CheckModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_table.headers.value(section);
}

} // namespace felcora::taxregister
