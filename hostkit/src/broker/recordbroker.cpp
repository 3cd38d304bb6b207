#include "felcora/hostkit/recordbroker.h"

#include "brokererrors.h"
#include "entityconnection.h"
#include "felcora/datetext.h"
#include "felcora/error.h"
#include "felcora/numerictext.h"

namespace felcora::hostkit {

namespace {

const QStringList kKnownEntities
    = {QStringLiteral("PERSONAL"), QStringLiteral("SYSTABLAS"), QStringLiteral("INTERNOS")};

QString entityKey(const QString &entity)
{
    return entity.trimmed().toUpper();
}

Error brokerError(qint32 number, const QString &member, const QString &description)
{
    return Error(number, QStringLiteral("RecordBroker.BrokerMain.") + member, description);
}

} // namespace

RecordBroker::RecordBroker(QObject *parent)
    : QObject(parent)
{
}

RecordBroker::~RecordBroker() = default;

void RecordBroker::useConfig(const BrokerConfig &config)
{
    m_fixedConfig = config;
    m_config.reset();
}

const BrokerConfig &RecordBroker::config()
{
    if (!m_config)
        m_config = m_fixedConfig ? *m_fixedConfig : BrokerConfig::load();
    return *m_config;
}

void RecordBroker::LoadParameters()
{
    m_config.reset();
    const BrokerConfig &fresh = config();
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it)
        (*it)->reconfigure(fresh.entity(it.key()));
    // The customer and system databases open now, so that a wrong setting shows here
    // and the embedded default exists from the first use on.
    connection(QStringLiteral("PERSONAL")).open();
    connection(QStringLiteral("SYSTABLAS")).open();
}

bool RecordBroker::createdDatabase(const QString &entity)
{
    EntityConnection &c = connection(entity);
    c.open();
    return c.createdDatabase();
}

EntitySettings RecordBroker::entitySettings(const QString &entity)
{
    return config().entity(entityKey(entity));
}

EntityConnection &RecordBroker::connection(const QString &entity)
{
    const QString key = entityKey(entity);
    auto it = m_connections.find(key);
    if (it == m_connections.end()) {
        if (!kKnownEntities.contains(key) && !config().entities.contains(key))
            throw brokerError(brokererr::kOpen, QStringLiteral("getDataConnectionByEntity"),
                              QStringLiteral("La entidad \"%1\" no está configurada").arg(entity));
        it = m_connections.insert(key, std::make_shared<EntityConnection>(key, config().entity(key)));
    }
    return **it;
}

IDataConnection *RecordBroker::getDataConnectionByEntity(const QString &entity)
{
    return &connection(entity);
}

QString RecordBroker::getDateFormatbyEntity(const QString &entity, const QString &dateText)
{
    const auto date = DateText::parse(dateText);
    if (!date)
        throw brokerError(brokererr::kValue, QStringLiteral("getDateFormatbyEntity"),
                          QStringLiteral("\"%1\" no es una fecha válida").arg(dateText));
    return connection(entity).dialect().dateLiteral(*date);
}

QString RecordBroker::numberFormat(const QString &entity, const QString &value, int decimals)
{
    // The value is pasted into statements: only a number may pass.
    const auto parsed = NumericText::parse(value);
    if (!parsed)
        throw brokerError(brokererr::kValue, QStringLiteral("getNumberFormatbyEntity"),
                          QStringLiteral("\"%1\" no es un número").arg(value));
    return connection(entity).dialect().numberFormat(parsed->cForm, decimals);
}

QString RecordBroker::getNumberFormatbyEntity(const QString &entity, const QString &value, qint32 &decimals)
{
    return numberFormat(entity, value, decimals);
}

QString RecordBroker::getNumberFormatbyEntity(const QString &entity, const QString &value, qint16 decimals)
{
    return numberFormat(entity, value, decimals);
}

QString RecordBroker::getDecimalSeparatorbyEntity(QString &entity)
{
    return entitySettings(entity).decimalSeparator;
}

void RecordBroker::BeginTrans(const QString &entity)
{
    connection(entity).begin();
}

void RecordBroker::CommitTrans(const QString &entity)
{
    connection(entity).commit();
}

void RecordBroker::RollbackTrans(const QString &entity)
{
    connection(entity).rollback();
}

} // namespace felcora::hostkit
