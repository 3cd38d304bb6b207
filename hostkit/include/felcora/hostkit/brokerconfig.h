#pragma once

#include <QHash>
#include <QString>

#include "felcora/hostkit/hostkit_data_export.h"

namespace felcora::hostkit {

// How one entity reaches its database.
struct FELCORA_HOSTKIT_DATA_EXPORT EntitySettings
{
    QString driver = QStringLiteral("SQLite"); // SQLite, or a Qt SQL driver (QPSQL, QODBC)
    QString database;                          // SQLite: the file; a server: the database name
    QString host;
    int port = 0;
    QString user;
    QString password;
    QString passwordFile; // a file whose first line is the password (instead of Password)
    QString sslMode;      // a server's sslmode (disable, require, verify-full ...); empty: the driver's default
    QString sslRootCert;  // the root certificate a server's certificate is checked against
    QString decimalSeparator = QStringLiteral(".");
    QString accounting; // the database attached as QUENMARCONTABLE ("PERSONAL" only)
    // The embedded default creates its files with this schema (a resource) when they are missing.
    QString schema;

    bool createsDatabase() const { return !schema.isEmpty(); }

    bool isSqlite() const { return driver.compare(QStringLiteral("SQLite"), Qt::CaseInsensitive) == 0; }
    // The password a server connection logs in with: Password, or the first
    // line of the password file as written (without its line ending), read
    // now. Throws felcora::Error naming the file when it cannot be read, its
    // first line is empty, or group or others may read or change it.
    QString serverPassword() const;
    // The driver's connect options: sslmode, and sslrootcert quoted for libpq.
    QString serverConnectOptions() const;
    bool operator==(const EntitySettings &) const = default;
};

// The data-access configuration: one group per entity ("PERSONAL", "SYSTABLAS",
// "INTERNOS") in a per-user INI file (organisation "TARVIS", application
// "RecordBroker"; RECORDBROKER_CONFIG names another file). Keys: Driver,
// Database (required), Host, Port, User, Password, PasswordFile, SslMode,
// SslRootCert, DecimalSeparator, Accounting; group and key names in any case.
struct FELCORA_HOSTKIT_DATA_EXPORT BrokerConfig
{
    QHash<QString, EntitySettings> entities; // keyed by upper-case entity name

    // The settings of an entity; the embedded default where nothing is configured.
    EntitySettings entity(const QString &name) const;

    static QString configFilePath();
    // Reads the configuration file; entities it does not name get the embedded
    // default, and so do all when no file is named and the user has none.
    // Throws felcora::Error naming the file when it is missing (a named one),
    // unreadable or not an INI file, or a group lacks its Database. A server
    // PERSONAL needs a SYSTABLAS group (INTERNOS takes PERSONAL's when it has
    // none); a file holding a Password must be its owner's alone; SslMode must
    // be libpq's, not require SSL over a Unix socket, and SslRootCert must exist.
    static BrokerConfig load();
    static BrokerConfig load(const QString &iniFile);
    // The embedded default in a folder: personal.db (with contable.db attached), systablas.db.
    static BrokerConfig embedded(const QString &folder);
    // The user's data folder for the embedded default databases.
    static QString embeddedFolder();
};

} // namespace felcora::hostkit
