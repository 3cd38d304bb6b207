#include "core/grossincomestore.h"

#include "core/customerstore.h"
#include "core/grossincomestatements.h"
#include "core/numberliterals.h"
#include "core/statements.h"
#include "felcora/hostcomponents.h"
#include "felcora/numerictext.h"

namespace felcora {

namespace {

const QString kShareColumn = QStringLiteral("DIBVALOR");
const QString kShareMask = QStringLiteral("0.0000");

// A field through the format component's numeric text, as a double.
double numberOf(IFormat &format, const IRecordset &rs, const QString &field)
{
    return NumericText::value(format.EsNumero(rs.Fields(field))).value_or(0.0);
}

DistributionLine lineOf(IFormat &format, const IRecordset &rs, const QString &jurisdiction)
{
    return {jurisdiction, numberOf(format, rs, kShareColumn), numberOf(format, rs, QStringLiteral("DIBEXENTO")) != 0.0};
}

} // namespace

std::optional<GrossIncomeData> GrossIncomeStore::load(const QString &cuit) const
{
    IFormat &format = *m_context.format;
    const OpenedQuery query = openQuery(*m_context.broker, entity::kPersonal, grossIncomeSql(cuit));
    if (!query.hasRow)
        return std::nullopt;
    const IRecordset &rs = *query.rs;
    return GrossIncomeData{int(numberOf(format, rs, QStringLiteral("CIB"))),
                           numberOf(format, rs, QStringLiteral("CML")) != 0.0,
                           format.EsNull(rs.Fields(QStringLiteral("NIN")))};
}

GrossIncomeSave GrossIncomeStore::save(const QString &cuit, const GrossIncomeData &data,
                                       const std::optional<GrossIncomeData> &expected) const
{
    IDataAccess &broker = *m_context.broker;
    GrossIncomeSave result;
    result.customerGone = !whileCustomerLocked(broker, m_context.transactions, cuit, [&] {
        if (const auto current = expected ? load(cuit) : std::nullopt) {
            result.changedElsewhere = changedGrossIncome(*expected, *current);
            result.current = *current;
        }
        if (result.changedElsewhere.isEmpty())
            result.saved = runStatement(broker, entity::kPersonal, updateGrossIncomeSql(data, cuit)) > 0;
    });
    return result;
}

std::optional<QString> GrossIncomeStore::loadRate(const QString &cuit) const
{
    const OpenedQuery query = openQuery(*m_context.broker, entity::kPersonal, grossIncomeRateSql(cuit));
    if (!query.hasRow)
        return std::nullopt;
    return m_context.format->EsNumero(query.rs->Fields(QStringLiteral("ingbru")));
}

QList<DistributionLine> GrossIncomeStore::loadLines(const QString &cuit) const
{
    IFormat &format = *m_context.format;
    QList<DistributionLine> lines;
    const OpenedQuery query = openQuery(*m_context.broker, entity::kPersonal, distributionSql(cuit));
    if (!query.hasRow)
        return lines;
    for (IRecordset &rs = *query.rs; !rs.Eof(); rs.MoveNext())
        lines.append(lineOf(format, rs, format.EsNull(rs.Fields(QStringLiteral("JRDNRO")))));
    return lines;
}

std::optional<double> GrossIncomeStore::distributionSum(const QString &cuit) const
{
    IDataAccess &broker = *m_context.broker;
    const QString expression = numberFormatExpression(broker, entity::kInternos, kShareColumn, kShareMask);
    const OpenedQuery query = openQuery(broker, entity::kPersonal, distributionSumSql(cuit, expression));
    if (!query.hasRow)
        return std::nullopt;
    return numberOf(*m_context.format, *query.rs, QStringLiteral("TOTAL"));
}

std::optional<DistributionLine> GrossIncomeStore::loadLine(const QString &cuit, const QString &jurisdiction) const
{
    const OpenedQuery query = openQuery(*m_context.broker, entity::kPersonal, distributionLineSql(cuit, jurisdiction));
    if (!query.hasRow)
        return std::nullopt;
    return lineOf(*m_context.format, *query.rs, jurisdiction);
}

bool GrossIncomeStore::lineExists(const QString &cuit, const QString &jurisdiction) const
{
    return openQuery(*m_context.broker, entity::kPersonal, distributionLineExistsSql(cuit, jurisdiction)).hasRow;
}

LineAddition GrossIncomeStore::addLine(const QString &cuit, const QString &jurisdiction, const QString &typedShare,
                                       bool exempt) const
{
    IDataAccess &broker = *m_context.broker;
    const QString share = shareLiteral(typedShare);
    LineAddition result;
    result.customerGone = !whileCustomerLocked(broker, m_context.transactions, cuit, [&] {
        result.rowsInserted
            = runStatement(broker, entity::kPersonal, insertDistributionLineSql(cuit, jurisdiction, share, exempt));
    });
    return result;
}

qint64 GrossIncomeStore::updateLine(const QString &cuit, const QString &fromJurisdiction, const QString &jurisdiction,
                                    const QString &typedShare, bool exempt) const
{
    const QString share = shareLiteral(typedShare);
    return runStatement(*m_context.broker, entity::kPersonal,
                        updateDistributionLineSql(cuit, fromJurisdiction, jurisdiction, share, exempt));
}

qint64 GrossIncomeStore::deleteLine(const QString &cuit, const QString &jurisdiction) const
{
    return runStatement(*m_context.broker, entity::kPersonal, deleteDistributionLineSql(cuit, jurisdiction));
}

QList<Jurisdiction> GrossIncomeStore::loadJurisdictions() const
{
    IFormat &format = *m_context.format;
    QList<Jurisdiction> jurisdictions;
    const OpenedQuery query = openQuery(*m_context.broker, entity::kSystables, jurisdictionsSql());
    if (!query.hasRow)
        return jurisdictions;
    for (IRecordset &rs = *query.rs; !rs.Eof(); rs.MoveNext())
        jurisdictions.append(
            {format.EsNull(rs.Fields(QStringLiteral("JRDNRO"))), format.EsNull(rs.Fields(QStringLiteral("JRDPRV")))});
    return jurisdictions;
}

QString GrossIncomeStore::shareLiteral(const QString &typedShare) const
{
    QString internos = entity::kInternos;
    return numberLiteral(typedShare, m_context.broker->getDecimalSeparatorbyEntity(internos));
}

} // namespace felcora
