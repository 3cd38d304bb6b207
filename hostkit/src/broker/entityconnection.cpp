#include "entityconnection.h"

#include "brokererrors.h"
#include "felcora/error.h"
#include "serversession.h"
#include "sqlitesession.h"
#include "statementtext.h"

namespace felcora::hostkit {

std::unique_ptr<DatabaseSession> DatabaseSession::open(const EntitySettings &settings)
{
    if (settings.isSqlite())
        return SqliteSession::open(settings);
    return ServerSession::open(settings);
}

EntityConnection::EntityConnection(QString entity, EntitySettings settings)
    : m_entity(std::move(entity))
    , m_settings(std::move(settings))
    , m_dialect(SqlDialect::forDriver(m_settings.driver))
{
}

void EntityConnection::reconfigure(const EntitySettings &settings)
{
    if (settings == m_settings)
        return;
    auto dialect = SqlDialect::forDriver(settings.driver);
    m_session.reset();
    m_settings = settings;
    m_dialect = std::move(dialect);
}

void EntityConnection::open()
{
    if (!m_session)
        m_session = DatabaseSession::open(m_settings);
}

void EntityConnection::begin()
{
    open();
    m_session->begin();
}

void EntityConnection::commit()
{
    open();
    m_session->commit();
}

void EntityConnection::rollback()
{
    // A database that is not open has nothing to undo.
    if (m_session)
        m_session->rollback();
}

QString EntityConnection::checkedStatement(const char *operation) const
{
    const QString reason = statementtext::refusalReason(m_sql);
    if (!reason.isEmpty())
        throw Error(brokererr::kRefused, QStringLiteral("RecordBroker.%1[%2]").arg(QLatin1String(operation), m_entity),
                    QStringLiteral("Sentencia rechazada, no se envió a la base de datos: %1").arg(reason));
    return m_dialect->translate(m_sql);
}

bool EntityConnection::CrearRs(std::unique_ptr<IRecordset> &rs)
{
    const QString statement = checkedStatement("CrearRs");
    open();
    rs = m_session->query(statement);
    return !rs->Eof();
}

qint64 EntityConnection::Ejecutar()
{
    const QString statement = checkedStatement("Ejecutar");
    open();
    return m_session->execute(statement);
}

} // namespace felcora::hostkit
