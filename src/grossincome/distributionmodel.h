#pragma once

#include <QAbstractTableModel>
#include <QList>

#include "core/grossincomerules.h"
#include "felcora/felcora_export.h"

namespace felcora::grossincome {

// The list's columns.
enum DistributionColumn : int { kCodColumn, kJurisdiccionColumn, kPorcentajeColumn, kExentoColumn, kColumnCount };

// A line as the list shows it: the line and its jurisdiction's name.
struct ShownLine
{
    DistributionLine line;
    QString name;
};

// The distribution lines as a table model: the number, the name, the share
// with 4 decimals and "S" or "N" for exempt, an exempt line in grey.
class FELCORA_TESTS_EXPORT DistributionModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setLines(QList<ShownLine> lines);
    const ShownLine &line(int row) const { return m_lines.at(row); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<ShownLine> m_lines;
};

} // namespace felcora::grossincome
