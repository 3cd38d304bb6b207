#include "felcora/hostkit/brokerconfig.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace felcora::hostkit {

namespace {

const QString kPersonal = QStringLiteral("PERSONAL");
const QString kSystablas = QStringLiteral("SYSTABLAS");
const QString kInternos = QStringLiteral("INTERNOS");

EntitySettings embeddedEntity(const QString &folder, const QString &entity)
{
    EntitySettings settings;
    if (entity == kSystablas) {
        settings.database = QDir(folder).filePath(QStringLiteral("systablas.db"));
        settings.schema = QStringLiteral(":/felcora/sql/systablas.sql");
    } else {
        settings.schema = QStringLiteral(":/felcora/sql/personal.sql");
        // "INTERNOS" only answers number conventions: it shares the customer database.
        settings.database = QDir(folder).filePath(QStringLiteral("personal.db"));
        if (entity == kPersonal)
            settings.accounting = QDir(folder).filePath(QStringLiteral("contable.db"));
    }
    return settings;
}

// QSettings reads an unquoted value holding commas as a list ("DecimalSeparator=,"
// gives two empty texts): join it back into the text that was written.
QString textValue(const QSettings &ini, const QString &key, const QString &fallback = QString())
{
    const QVariant value = ini.value(key, fallback);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

} // namespace

EntitySettings BrokerConfig::entity(const QString &name) const
{
    const QString key = name.trimmed().toUpper();
    const auto it = entities.constFind(key);
    if (it != entities.cend())
        return *it;
    return embeddedEntity(embeddedFolder(), key);
}

QString BrokerConfig::configFilePath()
{
    const QByteArray fromEnvironment = qgetenv("RECORDBROKER_CONFIG");
    if (!fromEnvironment.isEmpty())
        return QString::fromLocal8Bit(fromEnvironment);
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("TARVIS"), QStringLiteral("RecordBroker"));
    return settings.fileName();
}

BrokerConfig BrokerConfig::load()
{
    return load(configFilePath());
}

BrokerConfig BrokerConfig::load(const QString &iniFile)
{
    BrokerConfig config;
    QSettings ini(iniFile, QSettings::IniFormat);
    for (const QString &group : ini.childGroups()) {
        ini.beginGroup(group);
        EntitySettings settings;
        settings.driver = textValue(ini, QStringLiteral("Driver"), settings.driver).trimmed();
        settings.database = textValue(ini, QStringLiteral("Database"));
        settings.host = textValue(ini, QStringLiteral("Host"));
        settings.port = textValue(ini, QStringLiteral("Port")).toInt();
        settings.user = textValue(ini, QStringLiteral("User"));
        settings.password = textValue(ini, QStringLiteral("Password"));
        settings.decimalSeparator = textValue(ini, QStringLiteral("DecimalSeparator"), settings.decimalSeparator);
        settings.accounting = textValue(ini, QStringLiteral("Accounting"));
        ini.endGroup();
        config.entities.insert(group.toUpper(), settings);
    }
    return config;
}

BrokerConfig BrokerConfig::embedded(const QString &folder)
{
    BrokerConfig config;
    for (const QString &entity : {kPersonal, kSystablas, kInternos})
        config.entities.insert(entity, embeddedEntity(folder, entity));
    return config;
}

QString BrokerConfig::embeddedFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("TARVIS/RecordBroker"));
}

} // namespace felcora::hostkit
