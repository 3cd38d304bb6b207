#include "core/customerstatements.h"

#include "core/sqltext.h"

namespace felcora {

QString customerListSql()
{
    return QStringLiteral("select * from clientes order by nombre");
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

} // namespace felcora
