#include "core/grossincomestatements.h"

#include "core/grossincomerules.h"
#include "core/sqltext.h"

namespace felcora {

QString grossIncomeSql(const QString &cuit)
{
    return QStringLiteral("select CIB, CML, NIN from CLIENTES where cuit = ") + sqlText(cuit);
}

QString distributionSql(const QString &cuit)
{
    return QStringLiteral("select * from DIB where CLICUI = ") + sqlText(cuit) + QStringLiteral(" order by JRDNRO");
}

QString jurisdictionsSql()
{
    return QStringLiteral("select * from JRD order by JRDNRO");
}

namespace {

QString lineKey(const QString &cuit, const QString &jurisdiction)
{
    return QStringLiteral(" where CLICUI = ") + sqlText(cuit) + QStringLiteral(" and JRDNRO = ")
        + sqlText(jurisdiction);
}

QString oneOrZero(bool exempt)
{
    return exempt ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

QString deleteDistributionLineSql(const QString &cuit, const QString &jurisdiction)
{
    return QStringLiteral("delete from DIB") + lineKey(cuit, jurisdiction);
}

QString distributionSumSql(const QString &cuit, const QString &numberExpression)
{
    return QStringLiteral("select sum(") + numberExpression + QStringLiteral(") as Total from DIB where CLICUI = ")
        + sqlText(cuit);
}

QString updateGrossIncomeSql(const GrossIncomeData &data, const QString &cuit)
{
    const bool taxed = data.condition == grossincome::kInscripto || data.condition == grossincome::kNoInscripto;
    return QStringLiteral("update clientes set CIB = ") + sqlText(QString::number(data.condition)) + u','
        + (taxed ? QStringLiteral("INGBRU = 2.5, ") : QStringLiteral("INGBRU = 0, ")) + QStringLiteral("CML = ")
        + sqlText(oneOrZero(data.convenio)) + u',' + QStringLiteral("NIN = ")
        + sqlText(inscriptionText(data.inscription)) + QStringLiteral(" WHERE Cuit = ") + sqlText(cuit) + u' ';
}

QString grossIncomeRateSql(const QString &cuit)
{
    return QStringLiteral("select ingbru from clientes where cuit = ") + sqlText(cuit);
}

QString distributionLineSql(const QString &cuit, const QString &jurisdiction)
{
    return QStringLiteral("select DIBVALOR,DIBEXENTO from DIB") + lineKey(cuit, jurisdiction);
}

QString distributionLineExistsSql(const QString &cuit, const QString &jurisdiction)
{
    return QStringLiteral("select * from DIB") + lineKey(cuit, jurisdiction);
}

QString insertDistributionLineSql(const QString &cuit, const QString &jurisdiction, const QString &shareLiteral,
                                  bool exempt)
{
    return QStringLiteral("insert into DIB (CLICUI,DIBVALOR,JRDNRO,DIBEXENTO) values (") + sqlText(cuit) + u','
        + shareLiteral + u',' + sqlText(jurisdiction) + u',' + sqlText(oneOrZero(exempt)) + u')';
}

QString updateDistributionLineSql(const QString &cuit, const QString &fromJurisdiction, const QString &jurisdiction,
                                  const QString &shareLiteral, bool exempt)
{
    return QStringLiteral("update DIB set DIBVALOR = ") + shareLiteral + QStringLiteral(",JRDNRO = ")
        + sqlText(jurisdiction) + QStringLiteral(",DIBEXENTO = ") + oneOrZero(exempt)
        + QStringLiteral(" where JRDNRO = ") + sqlText(fromJurisdiction) + QStringLiteral("  and CLICUI = ")
        + sqlText(cuit);
}

} // namespace felcora
