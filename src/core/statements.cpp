#include "core/statements.h"

#include "felcora/hostcomponents.h"

namespace felcora {

OpenedQuery openQuery(IDataAccess &broker, const QString &entity, const QString &sql)
{
    IDataConnection *connection = broker.getDataConnectionByEntity(entity);
    connection->setSql(sql);
    OpenedQuery query;
    query.hasRow = connection->CrearRs(query.rs);
    return query;
}

qint64 runStatement(IDataAccess &broker, const QString &entity, const QString &sql)
{
    IDataConnection *connection = broker.getDataConnectionByEntity(entity);
    connection->setSql(sql);
    return connection->Ejecutar();
}

} // namespace felcora
