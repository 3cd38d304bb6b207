#include "felcora/hostkit/brokerconfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringTokenizer>
#include <algorithm>

#include "brokererrors.h"

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

Error configError(const QString &description)
{
    return Error(brokererr::kOpen, QStringLiteral("RecordBroker.Config"), description);
}

// One [group] of an INI file: its name as written, its keys in upper case.
struct IniGroup
{
    QString name;
    QHash<QString, QString> values;
};

// The groups of an INI file. Group and key names are found whatever their
// case; a value may stand between double quotes. A file that is missing,
// unreadable or not made of [group] and key=value lines is an error naming it.
QList<IniGroup> readIniFile(const QString &path)
{
    if (!QFileInfo::exists(path))
        throw configError(QStringLiteral("No existe el archivo de configuración \"%1\"").arg(path));
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        throw configError(QStringLiteral("No se puede leer el archivo de configuración \"%1\"").arg(path));
    const QByteArray bytes = file.readAll();
    const auto notIni = [&](qsizetype line) {
        return configError(QStringLiteral("El archivo de configuración \"%1\" no es un archivo INI:"
                                          " la línea %2 no es un [grupo] ni una clave=valor")
                               .arg(path)
                               .arg(line));
    };
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0) // a binary file: a database, an image
        throw notIni(bytes.first(nul).count('\n') + 1);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) // written by an older program in its own code page
        text = QString::fromLatin1(bytes);

    QList<IniGroup> groups;
    qsizetype current = -1; // the group the lines belong to; none before the first
    qsizetype lineNumber = 0;
    for (const QStringView line : QStringTokenizer(text, u'\n')) {
        ++lineNumber;
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
            continue;
        if (trimmed.startsWith(u'[')) {
            if (!trimmed.endsWith(u']'))
                throw notIni(lineNumber);
            const QString name = trimmed.sliced(1, trimmed.size() - 2).trimmed().toString();
            const auto same = [&](const IniGroup &g) { return g.name.compare(name, Qt::CaseInsensitive) == 0; };
            current = std::find_if(groups.cbegin(), groups.cend(), same) - groups.cbegin();
            if (current == groups.size())
                groups.append(IniGroup{name, {}});
            continue;
        }
        const qsizetype equals = trimmed.indexOf(u'=');
        if (equals <= 0)
            throw notIni(lineNumber);
        if (current < 0) // a key before the first group belongs to no entity
            continue;
        QStringView value = trimmed.sliced(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
            value = value.sliced(1, value.size() - 2);
        groups[current].values.insert(trimmed.first(equals).trimmed().toString().toUpper(), value.toString());
    }
    return groups;
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
        return QFile::decodeName(fromEnvironment);
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("TARVIS"), QStringLiteral("RecordBroker"));
    return settings.fileName();
}

BrokerConfig BrokerConfig::load()
{
    const QString path = configFilePath();
    // Only the user's own file may be absent (everything embedded then): a named one must be there.
    if (qEnvironmentVariableIsEmpty("RECORDBROKER_CONFIG") && !QFileInfo::exists(path))
        return {};
    return load(path);
}

BrokerConfig BrokerConfig::load(const QString &iniFile)
{
    BrokerConfig config;
    for (const IniGroup &group : readIniFile(iniFile)) {
        const auto text = [&](const char *key, const QString &fallback = QString()) {
            return group.values.value(QString::fromLatin1(key).toUpper(), fallback);
        };
        EntitySettings settings;
        settings.driver = text("Driver", settings.driver);
        settings.database = text("Database");
        settings.host = text("Host");
        settings.port = text("Port").toInt();
        settings.user = text("User");
        settings.password = text("Password");
        settings.passwordFile = text("PasswordFile");
        settings.sslMode = text("SslMode");
        settings.decimalSeparator = text("DecimalSeparator", settings.decimalSeparator);
        settings.accounting = text("Accounting");
        // The file of an SQLite entity, the database of a server: nothing opens without it.
        if (settings.database.isEmpty())
            throw configError(
                QStringLiteral("Falta la clave Database en el grupo [%1] del archivo de configuración \"%2\"")
                    .arg(group.name, iniFile));
        config.entities.insert(group.name.toUpper(), settings);
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
