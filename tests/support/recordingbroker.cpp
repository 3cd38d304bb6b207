#include "recordingbroker.h"

namespace felcora::test {

static void requireRow(const MemoryRecordset &rs)
{
    if (rs.Eof())
        throw Error(errnum::kNoCurrentRecord, QStringLiteral("MemoryRecordset"),
                    QStringLiteral("No hay registro actual"));
}

void MemoryRecordset::MoveNext()
{
    requireRow(*this);
    ++m_row;
}

QVariant MemoryRecordset::value(int column) const
{
    requireRow(*this);
    return m_rows.at(m_row).value(column);
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
    QString m_entity;
    QString m_sql;
};

void RecordingBroker::record(const Statement &statement)
{
    m_statements.append(statement);
    if (m_onRun)
        m_onRun(statement);
}

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
    const QString key = entity.toUpper();
    auto it = m_connections.find(key);
    if (it == m_connections.end())
        it = m_connections.insert(key, std::make_shared<RecordingConnection>(*this, key));
    return it->get();
}

} // namespace felcora::test
