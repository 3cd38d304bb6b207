#pragma once

#include <QAbstractTableModel>
#include <QList>

#include "export/tableexport.h"
#include "felcora/felcora_export.h"
#include "taxregister/registercheck.h"

namespace felcora::taxregister {

// The customers the check found something about, as the check window lists
// them: the columns of checkTable, the rows of one kind of finding or of all.
class FELCORA_TESTS_EXPORT CheckModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Every customer with findings, in the report's order; all of them shown
    // that have one of the kinds of the filter.
    void setRows(QList<CheckRow> rows);
    // Shows the rows with any of these FindingKind flags (kAllFindings: all).
    void setFilter(unsigned kinds);

    const CheckRow &shownRow(int row) const { return m_rows.at(m_shown.at(row)); }
    QList<CheckRow> shownRows() const;
    // Puts the customer as checked again in place of a shown row; one left
    // without the filter's kinds (or without findings) leaves the rows shown.
    void replaceRow(int row, const CheckRow &checked);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void showFiltered();

    QList<CheckRow> m_rows;
    QList<qsizetype> m_shown; // indexes into m_rows
    unsigned m_filter = kAllFindings;
    // The texts of m_rows, as exported and printed: made again whenever they change.
    tableexport::TableSource m_table = checkTable(m_rows);
};

} // namespace felcora::taxregister
