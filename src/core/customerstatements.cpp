#include "core/customerstatements.h"

#include "core/customerrecord.h"
#include "core/customerrules.h"
#include "core/numberliterals.h"
#include "core/sqltext.h"

namespace felcora {

QString customerListSql()
{
    return QStringLiteral("select * from clientes");
}

QString customerListHeadSql(int rows)
{
    return QStringLiteral("select * from clientes order by nombre offset 0 rows fetch next %1 rows only").arg(rows);
}

QString customerReportSql()
{
    return QStringLiteral("select Nombre, Cuit, Domicilio , Email, Telefonos From clientes order by Nombre");
}

QString selectCustomerSql(const QString &cuit)
{
    return QStringLiteral("select * from clientes where cuit = ") + sqlText(cuit);
}

QString deleteCustomerSql(const QString &cuit)
{
    return QStringLiteral("delete from clientes where cuit = ") + sqlText(cuit);
}

QString deleteDistributionSql(const QString &cuit)
{
    return QStringLiteral("delete from DIB where CLICUI = ") + sqlText(cuit);
}

QString customerExistsSql(const QString &cuit)
{
    return QStringLiteral("select cuit from clientes where cuit = ") + sqlText(cuit);
}

QString lockCustomerSql(const QString &cuit)
{
    return QStringLiteral("update clientes set cuit = cuit where cuit = ") + sqlText(cuit);
}

namespace {

// The place of deposit is stored without apostrophes: each becomes an acute accent.
QString placeOfDepositText(const QString &typed)
{
    return QString(typed).replace(u'\'', QChar(0x00B4));
}

} // namespace

QString updateCustomerSql(const CustomerRecord &t, const QString &loadedCuit, const CustomerLiterals &literals,
                          bool writeFee)
{
    auto text = [](const char *column, const QString &value) {
        return QLatin1String(column) + QStringLiteral(" = ") + sqlText(value) + u',';
    };
    auto number = [&](const QString &typed) { return numberLiteral(typed, literals.decimalSeparator); };
    auto flag = [](const char *column, bool yes) {
        return QLatin1String(column) + (yes ? QStringLiteral(" = 'S',") : QStringLiteral(" = 'N',"));
    };

    QString sql = QStringLiteral("update clientes set ");
    sql += text("cuit", t.cuit);
    sql += text("nombre", t.nombre);
    sql += text("domicilio", t.domicilio);
    sql += text("localidad", t.localidad);
    sql += text("codpost", t.codpost);
    sql += text("email", t.email);
    sql += text("telefonos", t.telefonos);
    sql += QStringLiteral("finitactiv = ") + literals.startDate + u',';
    sql += QStringLiteral("cvdi = 'N',");
    if (const int maria = conditions::positionOf(conditions::kMaria, t.condiva); maria != conditions::kNone)
        sql += text("condiva", conditions::letterAt(conditions::kMaria, maria));
    const int invoicing = conditions::positionOf(conditions::kInvoicing, t.condivafact);
    if (invoicing != conditions::kNone)
        sql += text("condivafact", conditions::letterAt(conditions::kInvoicing, invoicing));
    sql += QStringLiteral("ivaexento = ")
        + (invoicing == conditions::kExemptWithVat ? number(t.ivaexento) : QStringLiteral("0")) + u',';
    if (t.eximgan == kYes)
        sql += QStringLiteral("eximgan = 'S',eximganvalor = ") + number(t.eximganvalor)
            + QStringLiteral(",eximganvalortemp = ") + number(t.eximganvalortemp) + u',';
    else
        sql += QStringLiteral("eximgan = 'N',eximganvalor = 0,eximganvalortemp = 0,");
    if (t.ivaareduccion == kYes)
        sql += QStringLiteral("ivaareduccion = 'S',ivaareduccionvalor = ") + number(t.ivaareduccionvalor)
            + QStringLiteral(",ivaareduccionvalortemp = ") + number(t.ivaareduccionvalortemp) + u',';
    else
        sql += QStringLiteral("ivaareduccion = 'N',ivaareduccionvalor = 0,ivaareduccionvalortemp = 0,");
    sql += flag("ExcepLAPIAEC", t.excepLapiaec == kYes);
    sql += QStringLiteral("AjxVinc_4102 = ") + literals.adjustment + u',';
    sql += text("contacto", t.contacto);
    sql += QStringLiteral("ingbru = ") + number(t.ingbru) + u',';
    sql += text("LUGARDEPMERC", placeOfDepositText(t.lugarDepMerc));
    sql += QStringLiteral("regalias = ") + number(t.regalias) + u' ';
    // The fee is written as a quoted number, as hosts of this column have always stored it.
    if (writeFee)
        sql += QStringLiteral(",honorario = '") + number(t.honorario) + QStringLiteral("' ");
    sql += QStringLiteral(" where cuit = ") + sqlText(loadedCuit);
    return sql;
}

QString insertCustomerSql(const CustomerRecord &t, const CustomerLiterals &literals, bool writeFee)
{
    auto text = [](const QString &value) { return sqlText(value) + u','; };
    auto number = [&](const QString &typed) { return sqlText(numberLiteral(typed, literals.decimalSeparator)) + u','; };
    auto letter = [](QStringView letters, const QString &stored) {
        const int position = conditions::positionOf(letters, stored);
        return sqlText(position == conditions::kNone ? kYes : conditions::letterAt(letters, position)) + u',';
    };
    const QString zero = QStringLiteral("'0',");
    const QString frameOff = QStringLiteral("'N',") + zero + zero;

    QString sql = QStringLiteral("insert into clientes (cuit,nombre,domicilio,localidad,codpost,email,telefonos,"
                                 "finitactiv,cvdi,condiva,condivafact,eximgan,eximganvalor,eximganvalortemp,"
                                 "ivaareduccion,ivaareduccionvalor,ivaareduccionvalortemp,Regalias,ingbru,contacto,"
                                 "ExcepLAPIAEC,");
    if (writeFee)
        sql += QStringLiteral("honorario,");
    sql += QStringLiteral("ivaexento,ajxvinc_4102,LUGARDEPMERC) values(");
    for (const QString *value : {&t.cuit, &t.nombre, &t.domicilio, &t.localidad, &t.codpost, &t.email, &t.telefonos})
        sql += text(*value);
    sql += literals.startDate + u',';
    sql += QStringLiteral("'N',");
    sql += letter(conditions::kMaria, t.condiva);
    sql += letter(conditions::kInvoicing, t.condivafact);
    sql += t.eximgan == kYes ? QStringLiteral("'S',") + number(t.eximganvalor) + number(t.eximganvalortemp) : frameOff;
    sql += t.ivaareduccion == kYes
        ? QStringLiteral("'S',") + number(t.ivaareduccionvalor) + number(t.ivaareduccionvalortemp)
        : frameOff;
    sql += number(t.regalias);
    sql += number(t.ingbru);
    sql += text(t.contacto);
    sql += t.excepLapiaec == kYes ? QStringLiteral("'S',") : QStringLiteral("'N',");
    if (writeFee)
        sql += number(t.honorario);
    const bool exemptWithVat
        = conditions::positionOf(conditions::kInvoicing, t.condivafact) == conditions::kExemptWithVat;
    sql += exemptWithVat ? number(t.ivaexento) : zero;
    sql += literals.adjustment + QStringLiteral(", ");
    sql += sqlText(placeOfDepositText(t.lugarDepMerc));
    sql += u')';
    return sql;
}

QString pendingCustomersSql()
{
    return QStringLiteral("select Documento_Numero, NOMBRE, DIRECCION, CODIGO_POSTAL, CIUDAD ")
        + QStringLiteral("FROM QUENMARCONTABLE..AGENTES ")
        + QStringLiteral("WHERE GENERADORID IN (SELECT ID_AGENTE FROM QUENMARCONTABLE..ROLES_AUTORIZADOS "
                         "WHERE ID_ROL=2) ")
        + QStringLiteral("AND DOCUMENTO_NUMERO NOT IN (SELECT CUIT FROM CLIENTES) ");
}

QString moveDistributionSql(const QString &fromCuit, const QString &toCuit)
{
    return QStringLiteral("update DIB set CLICUI = ") + sqlText(toCuit) + QStringLiteral(" where CLICUI = ")
        + sqlText(fromCuit);
}

QString moveBenefitTiesSql(const QString &fromCuit, const QString &toCuit)
{
    return QStringLiteral("update VentajasRel set cuit = ") + sqlText(toCuit) + QStringLiteral(" where cuit = ")
        + sqlText(fromCuit);
}

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

} // namespace felcora
