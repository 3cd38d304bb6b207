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

QString shareLiteral(IDataAccess &broker, const QString &typedShare)
{
    QString internos = entity::kInternos;
    return numberLiteral(typedShare, broker.getDecimalSeparatorbyEntity(internos));
}

} // namespace

std::optional<GrossIncomeData> loadGrossIncome(IDataAccess &broker, IFormat &format, const QString &cuit)
{
    const OpenedQuery query = openQuery(broker, entity::kPersonal, grossIncomeSql(cuit));
    if (!query.hasRow)
        return std::nullopt;
    const IRecordset &rs = *query.rs;
    return GrossIncomeData{int(numberOf(format, rs, QStringLiteral("CIB"))),
                           numberOf(format, rs, QStringLiteral("CML")) != 0.0,
                           format.EsNull(rs.Fields(QStringLiteral("NIN")))};
}

QList<DistributionLine> loadDistribution(IDataAccess &broker, IFormat &format, const QString &cuit)
{
    QList<DistributionLine> lines;
    const OpenedQuery query = openQuery(broker, entity::kPersonal, distributionSql(cuit));
    if (!query.hasRow)
        return lines;
    for (IRecordset &rs = *query.rs; !rs.Eof(); rs.MoveNext())
        lines.append(lineOf(format, rs, format.EsNull(rs.Fields(QStringLiteral("JRDNRO")))));
    return lines;
}

QList<Jurisdiction> loadJurisdictions(IDataAccess &broker, IFormat &format)
{
    QList<Jurisdiction> jurisdictions;
    const OpenedQuery query = openQuery(broker, entity::kSystables, jurisdictionsSql());
    if (!query.hasRow)
        return jurisdictions;
    for (IRecordset &rs = *query.rs; !rs.Eof(); rs.MoveNext())
        jurisdictions.append(
            {format.EsNull(rs.Fields(QStringLiteral("JRDNRO"))), format.EsNull(rs.Fields(QStringLiteral("JRDPRV")))});
    return jurisdictions;
}

qint64 deleteDistributionLine(IDataAccess &broker, const QString &cuit, const QString &jurisdiction)
{
    return runStatement(broker, entity::kPersonal, deleteDistributionLineSql(cuit, jurisdiction));
}

std::optional<double> readDistributionSum(IDataAccess &broker, IFormat &format, const QString &cuit)
{
    const QString expression = numberFormatExpression(broker, entity::kInternos, kShareColumn, kShareMask);
    const OpenedQuery query = openQuery(broker, entity::kPersonal, distributionSumSql(cuit, expression));
    if (!query.hasRow)
        return std::nullopt;
    return numberOf(format, *query.rs, QStringLiteral("TOTAL"));
}

GrossIncomeSave saveGrossIncome(IDataAccess &broker, IFormat &format, ITransactions *transactions,
                                const GrossIncomeData &data, const std::optional<GrossIncomeData> &expected,
                                const QString &cuit)
{
    GrossIncomeSave result;
    result.customerGone = !whileCustomerLocked(broker, transactions, cuit, [&] {
        if (const auto current = expected ? loadGrossIncome(broker, format, cuit) : std::nullopt) {
            result.changedElsewhere = changedGrossIncome(*expected, *current);
            result.current = *current;
        }
        if (result.changedElsewhere.isEmpty())
            result.saved = runStatement(broker, entity::kPersonal, updateGrossIncomeSql(data, cuit)) > 0;
    });
    return result;
}

std::optional<QString> loadGrossIncomeRate(IDataAccess &broker, IFormat &format, const QString &cuit)
{
    const OpenedQuery query = openQuery(broker, entity::kPersonal, grossIncomeRateSql(cuit));
    if (!query.hasRow)
        return std::nullopt;
    return format.EsNumero(query.rs->Fields(QStringLiteral("ingbru")));
}

std::optional<DistributionLine> loadDistributionLine(IDataAccess &broker, IFormat &format, const QString &cuit,
                                                     const QString &jurisdiction)
{
    const OpenedQuery query = openQuery(broker, entity::kPersonal, distributionLineSql(cuit, jurisdiction));
    if (!query.hasRow)
        return std::nullopt;
    return lineOf(format, *query.rs, jurisdiction);
}

bool distributionLineExists(IDataAccess &broker, const QString &cuit, const QString &jurisdiction)
{
    return openQuery(broker, entity::kPersonal, distributionLineExistsSql(cuit, jurisdiction)).hasRow;
}

LineAddition addDistributionLine(IDataAccess &broker, ITransactions *transactions, const QString &cuit,
                                 const QString &jurisdiction, const QString &typedShare, bool exempt)
{
    const QString share = shareLiteral(broker, typedShare);
    LineAddition result;
    result.customerGone = !whileCustomerLocked(broker, transactions, cuit, [&] {
        result.rowsInserted
            = runStatement(broker, entity::kPersonal, insertDistributionLineSql(cuit, jurisdiction, share, exempt));
    });
    return result;
}

qint64 updateDistributionLine(IDataAccess &broker, const QString &cuit, const QString &fromJurisdiction,
                              const QString &jurisdiction, const QString &typedShare, bool exempt)
{
    const QString share = shareLiteral(broker, typedShare);
    return runStatement(broker, entity::kPersonal,
                        updateDistributionLineSql(cuit, fromJurisdiction, jurisdiction, share, exempt));
}

} // namespace felcora
