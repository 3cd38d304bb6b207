#include "grossincome/distributionmodel.h"

#include <QColor>

namespace felcora::grossincome {

namespace {

const QColor kListText(0, 0, 128);
const QColor kExemptText(128, 128, 128);

// The share is right-aligned and the exempt flag centred, in the lines and their headers.
int alignment(int column)
{
    if (column == kPorcentajeColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (column == kExentoColumn)
        return int(Qt::AlignCenter);
    return int(Qt::AlignLeft | Qt::AlignVCenter);
}

} // namespace

void DistributionModel::setLines(QList<ShownLine> lines)
{
    beginResetModel();
    m_lines = std::move(lines);
    endResetModel();
}

int DistributionModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

int DistributionModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant DistributionModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const ShownLine &shown = m_lines.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case kCodColumn: return shown.line.jurisdiction;
        case kJurisdiccionColumn: return shown.name;
        case kPorcentajeColumn: return shareText(shown.line.share);
        case kExentoColumn: return shown.line.exempt ? QStringLiteral("S") : QStringLiteral("N");
        default: return {};
        }
    case Qt::ForegroundRole: return shown.line.exempt ? kExemptText : kListText;
    case Qt::TextAlignmentRole: return alignment(index.column());
    default: return {};
    }
}

QVariant DistributionModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return alignment(section);
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case kCodColumn: return QStringLiteral("Cod");
    case kJurisdiccionColumn: return QStringLiteral("Jurisdicción");
    case kPorcentajeColumn: return QStringLiteral("Porcentaje");
    case kExentoColumn: return QStringLiteral("Exento");
    default: return {};
    }
}

} // namespace felcora::grossincome
