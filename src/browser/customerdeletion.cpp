#include "customerdeletion.h"

#include "../entry/sqltext.h"

namespace felcora::browser {

QString deleteCustomerSql(const QString &cuit)
{
    return QStringLiteral("delete from clientes where cuit = ") + sqlText(cuit);
}

QString deleteDistributionSql(const QString &cuit)
{
    return QStringLiteral("delete from DIB where CLICUI = ") + sqlText(cuit);
}

} // namespace felcora::browser
