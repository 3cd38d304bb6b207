#include "statements.h"

#include "felcora/hostcomponents.h"

namespace felcora {

std::unique_ptr<IRecordset> openQuery(IDataAccess &broker, const QString &entity, const QString &sql)
{
    IDataConnection *connection = broker.getDataConnectionByEntity(entity);
    connection->setSql(sql);
    std::unique_ptr<IRecordset> rs;
    connection->CrearRs(rs);
    return rs;
}

qint64 runStatement(IDataAccess &broker, const QString &entity, const QString &sql)
{
    IDataConnection *connection = broker.getDataConnectionByEntity(entity);
    connection->setSql(sql);
    return connection->Ejecutar();
}

} // namespace felcora
