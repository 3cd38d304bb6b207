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

AllOrNothing::AllOrNothing(ITransactions *transactions, QString entity)
    : m_transactions(transactions)
    , m_entity(std::move(entity))
{
}

AllOrNothing::~AllOrNothing()
{
    rollBack();
}

void AllOrNothing::begin()
{
    if (!m_transactions)
        return;
    m_transactions->BeginTrans(m_entity);
    m_open = true;
}

void AllOrNothing::commit()
{
    if (!m_open)
        return;
    m_transactions->CommitTrans(m_entity);
    m_open = false;
}

bool AllOrNothing::rollBack() noexcept
{
    if (!m_open)
        return false;
    m_open = false;
    try {
        m_transactions->RollbackTrans(m_entity);
        return true;
    } catch (...) {
        // The data access could not say the work was undone: callers keep what it may have done.
        return false;
    }
}

} // namespace felcora
