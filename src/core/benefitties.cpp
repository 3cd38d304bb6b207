#include "core/benefitties.h"

#include "core/customerstore.h"
#include "core/errortrap.h"
#include "core/sqltext.h"
#include "core/statements.h"
#include "felcora/hostcomponents.h"

namespace felcora {

QString benefitTiesSql(const QString &cuit)
{
    return QStringLiteral("select * from VentajasRel where cuit = ") + sqlText(cuit);
}

QString insertBenefitTieSql(const BenefitTie &tie, const QString &cuit)
{
    return QStringLiteral("insert into VentajasRel (IdVentaja, IdSubRegimen, NCM, cuit) values (")
        + sqlText(tie.ventaja) + u',' + sqlText(tie.subRegimen) + u',' + sqlText(tie.ncm) + u',' + sqlText(cuit) + u')';
}

namespace {

// " and column = 'value'", or, for an empty value, a test that a stored NULL passes too.
QString matching(const char *column, const QString &value)
{
    const QString name = QLatin1String(column);
    if (value.isEmpty())
        return QStringLiteral(" and coalesce(") + name + QStringLiteral(", '') = ''");
    return QStringLiteral(" and ") + name + QStringLiteral(" = ") + sqlText(value);
}

// The where clause that names one tie of the customer.
QString tieCondition(const BenefitTie &tie, const QString &cuit)
{
    return QStringLiteral(" cuit = ") + sqlText(cuit) + u' ' + QStringLiteral(" and IdVentaja = ")
        + sqlText(tie.ventaja) + matching("IdSubRegimen", tie.subRegimen) + matching("NCM", tie.ncm);
}

} // namespace

QString deleteBenefitTieSql(const BenefitTie &tie, const QString &cuit)
{
    return QStringLiteral("delete from VentajasRel where ") + tieCondition(tie, cuit);
}

QString benefitTieExistsSql(const BenefitTie &tie, const QString &cuit)
{
    return QStringLiteral("select IdVentaja from VentajasRel where ") + tieCondition(tie, cuit);
}

BenefitTieList loadBenefitTies(IDataAccess &broker, const QString &cuit)
{
    BenefitTieList list;
    try {
        const OpenedQuery query = openQuery(broker, entity::kPersonal, benefitTiesSql(cuit));
        for (IRecordset &rs = *query.rs; !rs.Eof(); rs.MoveNext()) {
            list.ties.append({rs.Fields(QStringLiteral("IdVentaja")).toString(),
                              rs.Fields(QStringLiteral("idsubregimen")).toString(),
                              rs.Fields(QStringLiteral("NCM")).toString()});
        }
    } catch (const std::exception &) {
        list.failure = currentError();
    }
    return list;
}

TieAddition addBenefitTie(IDataAccess &broker, ITransactions *transactions, const BenefitTie &tie, const QString &cuit)
{
    TieAddition result;
    result.customerGone = !whileCustomerLocked(broker, transactions, cuit, [&] {
        result.duplicate = openQuery(broker, entity::kPersonal, benefitTieExistsSql(tie, cuit)).hasRow;
        if (!result.duplicate)
            result.rowsInserted = runStatement(broker, entity::kPersonal, insertBenefitTieSql(tie, cuit));
    });
    return result;
}

qint64 deleteBenefitTie(IDataAccess &broker, const BenefitTie &tie, const QString &cuit)
{
    return runStatement(broker, entity::kPersonal, deleteBenefitTieSql(tie, cuit));
}

} // namespace felcora
