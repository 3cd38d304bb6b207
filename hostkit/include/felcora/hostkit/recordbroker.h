#pragma once

#include <QHash>
#include <QObject>
#include <memory>
#include <optional>

#include "felcora/hostcomponents.h"
#include "felcora/hostkit/brokerconfig.h"
#include "felcora/hostkit/hostkit_data_export.h"

namespace felcora::hostkit {

class EntityConnection;

// The default data-access component, "RecordBroker.BrokerMain": one
// connection per entity, configured per entity (BrokerConfig), the embedded
// SQLite databases where nothing is configured. It offers transactions per entity.
class FELCORA_HOSTKIT_DATA_EXPORT RecordBroker : public QObject, public IDataAccess, public ITransactions
{
    Q_OBJECT
    Q_INTERFACES(felcora::IDataAccess felcora::ITransactions)

public:
    explicit RecordBroker(QObject *parent = nullptr);
    ~RecordBroker() override;

    // Uses this configuration instead of reading the configuration file.
    void useConfig(const BrokerConfig &config);
    // Opens the entity's database; true when that created it, empty with its
    // schema (the first use of the embedded default), false for one that existed.
    bool createdDatabase(const QString &entity);
    // The settings the entity's connection works with, as the configuration was last loaded.
    EntitySettings entitySettings(const QString &entity);

    void LoadParameters() override;
    IDataConnection *getDataConnectionByEntity(const QString &entity) override;
    QString getDateFormatbyEntity(const QString &entity, const QString &dateText) override;
    QString getNumberFormatbyEntity(const QString &entity, const QString &value, qint32 &decimals) override;
    QString getNumberFormatbyEntity(const QString &entity, const QString &value, qint16 decimals) override;
    QString getDecimalSeparatorbyEntity(QString &entity) override;

    void BeginTrans(const QString &entity) override;
    void CommitTrans(const QString &entity) override;
    void RollbackTrans(const QString &entity) override;

private:
    EntityConnection &connection(const QString &entity);
    const BrokerConfig &config();
    QString numberFormat(const QString &entity, const QString &value, int decimals);

    std::optional<BrokerConfig> m_fixedConfig;
    std::optional<BrokerConfig> m_config;
    QHash<QString, std::shared_ptr<EntityConnection>> m_connections;
};

} // namespace felcora::hostkit
