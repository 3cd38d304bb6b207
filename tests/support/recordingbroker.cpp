#include "recordingbroker.h"

namespace felcora::test {

const QVariantList &MemoryRecordset::current() const
{
    if (Eof())
        throw Error(errnum::kNoCurrentRecord, QStringLiteral("MemoryRecordset"),
                    QStringLiteral("No hay registro actual"));
    return m_rows.at(m_row);
}

void MemoryRecordset::MoveNext()
{
    current();
    ++m_row;
}

class RecordingConnection final : public IDataConnection
{
public:
    RecordingConnection(RecordingBroker &broker, QString entity)
        : m_broker(broker)
        , m_entity(std::move(entity))
    {
    }

    QString Sql() const override { return m_sql; }
    void setSql(const QString &statement) override { m_sql = statement; }
    bool CrearRs(std::unique_ptr<IRecordset> &rs) override
    {
        const ScriptedAnswer answer = m_broker.run({m_entity, m_sql});
        rs = std::make_unique<MemoryRecordset>(answer.columns, answer.rows);
        return !rs->Eof();
    }
    qint64 Ejecutar() override { return m_broker.run({m_entity, m_sql}).rowsAffected; }

private:
    RecordingBroker &m_broker;
    QString m_entity, m_sql;
};

ScriptedAnswer RecordingBroker::run(const Statement &statement)
{
    record(statement);
    if (m_script.isEmpty())
        return {};
    ScriptedAnswer answer = m_script.dequeue();
    if (answer.error)
        throw *answer.error;
    return answer;
}

IDataConnection *RecordingBroker::getDataConnectionByEntity(const QString &entity)
{
    std::shared_ptr<RecordingConnection> &connection = m_connections[entity.toUpper()];
    if (!connection)
        connection = std::make_shared<RecordingConnection>(*this, entity.toUpper());
    return connection.get();
}

} // namespace felcora::test
