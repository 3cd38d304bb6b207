#include "felcora/hostkit/brokerconfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringTokenizer>
#include <algorithm>
#include <sys/stat.h>

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

// Refuses a file holding a password that group or others may read, change or
// run (any of mode 077), as libpq ignores such a .pgpass. "what" starts the message.
void refuseShared(const QString &path, mode_t mode, const QString &what)
{
    if ((mode & 077) == 0)
        return;
    QStringList ways;
    if (mode & 044)
        ways << QStringLiteral("leído");
    if (mode & 022)
        ways << QStringLiteral("modificado");
    if (ways.isEmpty())
        ways << QStringLiteral("ejecutado");
    throw configError(QStringLiteral("%1 puede ser %2 por otros usuarios (permisos %3):"
                                     " déjelo solo para su dueño con chmod 600 \"%4\"")
                          .arg(what, ways.join(QStringLiteral(" y ")),
                               QStringLiteral("%1").arg(uint(mode & 07777), 4, 8, QLatin1Char('0')), path));
}

// A value in libpq's connection-string syntax: between apostrophes, with
// backslash and apostrophe escaped.
QString conninfoValue(const QString &value)
{
    QString escaped = value;
    escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + escaped + u'\'';
}

const QStringList kSslModes = {QStringLiteral("disable"), QStringLiteral("allow"),     QStringLiteral("prefer"),
                               QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")};

// Refuses a group's SSL settings that libpq would not take or that would
// connect otherwise than the file says.
void checkSsl(const EntitySettings &settings, const QString &group, const QString &iniFile)
{
    const QString mode = settings.sslMode.toLower();
    if (!mode.isEmpty() && !kSslModes.contains(mode))
        throw configError(
            QStringLiteral("La clave SslMode del grupo [%1] del archivo de configuración \"%2\" vale \"%3\":"
                           " debe ser disable, allow, prefer, require, verify-ca o verify-full")
                .arg(group, iniFile, settings.sslMode));
    // libpq never uses SSL through a Unix socket: the connection would go unencrypted.
    const bool socket = settings.host.startsWith(u'/') || settings.host.startsWith(u'@');
    if (socket && (mode == QStringLiteral("require") || mode.startsWith(QStringLiteral("verify-"))))
        throw configError(QStringLiteral("El grupo [%1] del archivo de configuración \"%2\" pide SslMode=%3, pero su"
                                         " Host=%4 es una carpeta de socket, por donde la conexión no se cifra:"
                                         " escriba en Host el nombre o la dirección del servidor, o quite SslMode")
                              .arg(group, iniFile, settings.sslMode, settings.host));
    if (settings.sslRootCert.isEmpty())
        return;
    // Qt's PostgreSQL driver turns every ';' of its options into a blank.
    if (settings.sslRootCert.contains(u';'))
        throw configError(QStringLiteral("La ruta \"%1\" de la clave SslRootCert del grupo [%2] del archivo de"
                                         " configuración \"%3\" tiene un punto y coma, que el controlador de"
                                         " PostgreSQL no admite: mueva el certificado a una ruta sin \";\"")
                              .arg(settings.sslRootCert, group, iniFile));
    if (!QFileInfo(settings.sslRootCert).isFile())
        throw configError(QStringLiteral("No existe el certificado raíz \"%1\" que nombra la clave SslRootCert del"
                                         " grupo [%2] del archivo de configuración \"%3\": corrija la ruta o copie"
                                         " allí el certificado raíz del servidor")
                              .arg(settings.sslRootCert, group, iniFile));
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

QString EntitySettings::serverPassword() const
{
    if (passwordFile.isEmpty())
        return password;
    QFile file(passwordFile);
    struct stat info = {};
    if (!file.open(QIODevice::ReadOnly) || ::fstat(file.handle(), &info) != 0 || !S_ISREG(info.st_mode))
        throw configError(QStringLiteral("No se pudo leer el archivo de contraseña \"%1\"").arg(passwordFile));
    refuseShared(passwordFile, info.st_mode, QStringLiteral("El archivo de contraseña \"%1\"").arg(passwordFile));
    // Blanks at either end belong to the password; only the line ending does not.
    QByteArray line = file.readLine();
    if (line.endsWith('\n'))
        line.chop(line.endsWith("\r\n") ? 2 : 1);
    if (line.isEmpty())
        throw configError(QStringLiteral("La primera línea del archivo de contraseña \"%1\" está vacía:"
                                         " escriba allí la contraseña")
                              .arg(passwordFile));
    return QString::fromUtf8(line);
}

QString EntitySettings::serverConnectOptions() const
{
    QStringList options;
    if (!sslMode.isEmpty())
        options << QStringLiteral("sslmode=") + sslMode;
    if (!sslRootCert.isEmpty())
        options << QStringLiteral("sslrootcert=") + conninfoValue(sslRootCert);
    return options.join(u';');
}

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
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("TARVIS"),
                       QStringLiteral("RecordBroker"));
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
    QString personalGroup; // as the file writes it
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
        settings.sslRootCert = text("SslRootCert");
        settings.decimalSeparator = text("DecimalSeparator", settings.decimalSeparator);
        settings.accounting = text("Accounting");
        // The file of an SQLite entity, the database of a server: nothing opens without it.
        if (settings.database.isEmpty())
            throw configError(
                QStringLiteral("Falta la clave Database en el grupo [%1] del archivo de configuración \"%2\"")
                    .arg(group.name, iniFile));
        checkSsl(settings, group.name, iniFile);
        settings.sslMode = settings.sslMode.toLower(); // libpq takes its values in lower case
        if (!settings.password.isEmpty()) {
            struct stat info = {};
            if (::stat(QFile::encodeName(iniFile).constData(), &info) == 0)
                refuseShared(iniFile, info.st_mode,
                             QStringLiteral("El archivo de configuración \"%1\" tiene la contraseña del grupo [%2] y")
                                 .arg(iniFile, group.name));
        }
        if (group.name.toUpper() == kPersonal)
            personalGroup = group.name;
        config.entities.insert(group.name.toUpper(), settings);
    }
    // An office's server must not be paired with databases made up on this machine.
    const auto personal = config.entities.constFind(kPersonal);
    if (personal != config.entities.cend() && !personal->isSqlite()) {
        if (!config.entities.contains(kSystablas))
            throw configError(QStringLiteral("El grupo [%1] del archivo de configuración \"%2\" usa un servidor"
                                             " (Driver=%3), pero falta el grupo [SYSTABLAS]: agréguelo con los datos"
                                             " del servidor, los mismos de [%1]")
                                  .arg(personalGroup, iniFile, personal->driver));
        // INTERNOS only answers number conventions: those of the customer database.
        if (!config.entities.contains(kInternos))
            config.entities.insert(kInternos, EntitySettings(*personal));
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
