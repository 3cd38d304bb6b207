#include "recordingbroker.h"

namespace felcora::test {

MemoryRecordset::MemoryRecordset(QStringList columns, QList<QVariantList> rows)
    : m_columns(std::move(columns))
    , m_rows(std::move(rows))
{
}

void MemoryRecordset::MoveNext()
{
    if (Eof())
        throw Error(errnum::kNoCurrentRecord, QStringLiteral("MemoryRecordset"),
                    QStringLiteral("No hay registro actual"));
    ++m_row;
}

QVariant MemoryRecordset::value(int column) const
{
    if (Eof())
        throw Error(errnum::kNoCurrentRecord, QStringLiteral("MemoryRecordset"),
                    QStringLiteral("No hay registro actual"));
    return m_rows.at(m_row).value(column);
}

RecordingConnection::RecordingConnection(RecordingBroker &broker, QString entity)
    : m_broker(broker)
    , m_entity(std::move(entity))
{
}

bool RecordingConnection::CrearRs(std::unique_ptr<IRecordset> &rs)
{
    ScriptedAnswer answer = m_broker.run(m_entity, m_sql, true);
    rs = std::make_unique<MemoryRecordset>(answer.columns, answer.rows);
    return !rs->Eof();
}

qint64 RecordingConnection::Ejecutar()
{
    return m_broker.run(m_entity, m_sql, false).rowsAffected;
}

RecordingBroker::RecordingBroker(QObject *parent)
    : QObject(parent)
{
}

QStringList RecordingBroker::sqlTexts() const
{
    QStringList texts;
    for (const Statement &s : m_statements)
        texts.append(s.sql);
    return texts;
}

void RecordingBroker::setDecimalSeparator(const QString &entity, const QString &separator)
{
    m_separators.insert(entity.toUpper(), separator);
}

void RecordingBroker::recordCall(const QString &entity, const QString &call)
{
    m_statements.append({entity, call, false});
    if (m_onRun)
        m_onRun(m_statements.constLast());
}

ScriptedAnswer RecordingBroker::run(const QString &entity, const QString &sql, bool query)
{
    m_statements.append({entity, sql, query});
    if (m_onRun)
        m_onRun(m_statements.constLast());
    if (m_script.isEmpty())
        return {};
    ScriptedAnswer answer = m_script.dequeue();
    if (answer.error)
        throw *answer.error;
    return answer;
}

void RecordingBroker::LoadParameters()
{
    ++m_loadCalls;
    if (m_loadError)
        throw *m_loadError;
}

IDataConnection *RecordingBroker::getDataConnectionByEntity(const QString &entity)
{
    const QString key = entity.toUpper();
    auto it = m_connections.find(key);
    if (it == m_connections.end())
        it = m_connections.insert(key, std::make_shared<RecordingConnection>(*this, key));
    return it->get();
}

QString RecordingBroker::getDateFormatbyEntity(const QString &entity, const QString &dateText)
{
    return m_dateFormat ? m_dateFormat(entity, dateText) : u'\'' + dateText + u'\'';
}

QString RecordingBroker::getNumberFormatbyEntity(const QString &entity, const QString &value, qint32 &decimals)
{
    m_decimalsSeen.append(decimals);
    return m_numberFormat ? m_numberFormat(entity, value, decimals)
                          : QStringLiteral("round(%1, %2)").arg(QString(value).replace(u',', u'.')).arg(decimals);
}

QString RecordingBroker::getNumberFormatbyEntity(const QString &entity, const QString &value, qint16 decimals)
{
    qint32 wide = decimals;
    return getNumberFormatbyEntity(entity, value, wide);
}

QString RecordingBroker::getDecimalSeparatorbyEntity(QString &entity)
{
    if (m_separatorError)
        throw *m_separatorError;
    return m_separators.value(entity.toUpper(), QStringLiteral("."));
}

} // namespace felcora::test
