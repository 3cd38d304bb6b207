#include "customerdeletion.h"

#include "../entry/sqltext.h"
#include "felcora/hostcomponents.h"

namespace felcora::browser {

QString deleteCustomerSql(const QString &cuit)
{
    return QStringLiteral("delete from clientes where cuit = ") + sqlText(cuit);
}

QString deleteDistributionSql(const QString &cuit)
{
    return QStringLiteral("delete from DIB where CLICUI = ") + sqlText(cuit);
}

qint64 runDeletion(IDataAccess &broker, const QString &statement)
{
    IDataConnection *connection = broker.getDataConnectionByEntity(QStringLiteral("PERSONAL"));
    connection->setSql(statement);
    return connection->Ejecutar();
}

} // namespace felcora::browser
