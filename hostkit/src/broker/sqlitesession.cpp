#include "sqlitesession.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>
#include <sys/stat.h>

#include "brokererrors.h"
#include "felcora/error.h"
#include "spanishcollation.h"
#include "sqliteerrors.h"

namespace felcora::hostkit {

namespace {

// The name the accounting database is attached under, as statements spell it.
const QString kAccountingAlias = QStringLiteral("QUENMARCONTABLE");

// A second workstation's write waits this long for the file lock instead of failing at once.
constexpr int kBusyTimeoutMs = 10000;

// The databases hold every customer's data: what this program creates is the user's alone.
constexpr QFile::Permissions kPrivateFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions kPrivateFile = QFile::ReadOwner | QFile::WriteOwner;

QString sourceFor(const QString &operation)
{
    return QStringLiteral("RecordBroker.SQLite.") + operation;
}

// Creates the missing folders of a path, each one private to the user (the
// umask could only take more away, so the mode is set again afterwards).
void makePrivateFolder(const QString &folder)
{
    QStringList missing;
    for (QString path = QDir::cleanPath(QDir(folder).absolutePath()); !QFileInfo::exists(path);
         path = QFileInfo(path).path())
        missing.prepend(path);
    for (const QString &path : std::as_const(missing)) {
        if (QDir().mkdir(path, kPrivateFolder))
            QFile::setPermissions(path, kPrivateFolder);
        else if (!QFileInfo(path).isDir()) // another program may have made it meanwhile
            throw Error(brokererr::kOpen, sourceFor(QStringLiteral("Open")),
                        QStringLiteral("No se pudo crear la carpeta \"%1\"").arg(path));
    }
}

// Creates an empty database file private to the user before SQLite opens it:
// SQLite would make it readable by everyone, and it gives its journal files
// the mode of the database file.
void makePrivateFile(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kPrivateFile)) {
        file.close();
        QFile::setPermissions(path, kPrivateFile);
    } else if (!QFileInfo::exists(path)) {
        throw Error(brokererr::kOpen, sourceFor(QStringLiteral("Open")),
                    QStringLiteral("No se pudo crear la base de datos \"%1\" (%2)").arg(path, file.errorString()));
    }
}

} // namespace

SqliteHandle::SqliteHandle(const QString &path, bool create)
    : m_path(path)
{
    if (!create && !QFileInfo::exists(path))
        throw Error(brokererr::kOpen, sourceFor(QStringLiteral("Open")),
                    QStringLiteral("No existe la base de datos \"%1\"").arg(path));
    if (create) {
        makePrivateFolder(QFileInfo(path).absolutePath());
        makePrivateFile(path);
    }
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const int code = m_db ? sqlite3_extended_errcode(m_db) : rc;
        const QString message = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
        sqlite3_close(m_db);
        m_db = nullptr;
        throw Error(brokererr::kOpen, sourceFor(QStringLiteral("Open")), describeSqliteError(code, message, path));
    }
    m_identity = identityOf(path);
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    try {
        // Every connection, reopened ones too, sorts names as the office server does.
        registerSpanishCollation(m_db);
        // SQLite reads the file only when first asked: a file that is no database fails here, not later.
        schemaObjectCount();
    } catch (...) {
        sqlite3_close(m_db);
        throw;
    }
}

SqliteHandle::~SqliteHandle()
{
    sqlite3_close_v2(m_db);
}

std::optional<SqliteHandle::FileIdentity> SqliteHandle::identityOf(const QString &path)
{
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return FileIdentity{quint64(status.st_dev), quint64(status.st_ino)};
}

bool SqliteHandle::stillTheFile() const
{
    const auto now = identityOf(m_path);
    return now && now == m_identity;
}

bool SqliteHandle::readOnly() const
{
    return sqlite3_db_readonly(m_db, "main") == 1;
}

void SqliteHandle::fail(const QString &operation, qint32 number, const QString &file) const
{
    const int code = sqlite3_extended_errcode(m_db);
    // A second row with the same key gets a number of its own: the caller may know what it means.
    if (number == brokererr::kDatabase && (code == SQLITE_CONSTRAINT_PRIMARYKEY || code == SQLITE_CONSTRAINT_UNIQUE))
        number = errnum::kDuplicateKey;
    throw Error(number, sourceFor(operation),
                describeSqliteError(code, QString::fromUtf8(sqlite3_errmsg(m_db)), file.isEmpty() ? m_path : file));
}

void SqliteHandle::exec(const QString &script)
{
    char *message = nullptr;
    if (sqlite3_exec(m_db, script.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : sqlite3_errmsg(m_db));
        sqlite3_free(message);
        throw Error(brokererr::kDatabase, sourceFor(QStringLiteral("Exec")),
                    describeSqliteError(sqlite3_extended_errcode(m_db), text, m_path));
    }
}

void SqliteHandle::attach(const QString &path, const QString &alias)
{
    // The path is bound, not pasted: any character may stand in it.
    sqlite3_stmt *statement = nullptr;
    const QByteArray sql = QStringLiteral("ATTACH DATABASE ?1 AS %1").arg(alias).toUtf8();
    if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &statement, nullptr) != SQLITE_OK)
        fail(QStringLiteral("Attach"), brokererr::kOpen, path);
    const QByteArray file = path.toUtf8();
    sqlite3_bind_text(statement, 1, file.constData(), int(file.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(statement);
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE)
        fail(QStringLiteral("Attach"), brokererr::kOpen, path);
}

int SqliteHandle::schemaObjectCount()
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT count(*) FROM main.sqlite_master", -1, &statement, nullptr) != SQLITE_OK)
        fail(QStringLiteral("Schema"), brokererr::kOpen);
    const int rc = sqlite3_step(statement);
    const int count = rc == SQLITE_ROW ? sqlite3_column_int(statement, 0) : 0;
    sqlite3_finalize(statement);
    if (rc != SQLITE_ROW)
        fail(QStringLiteral("Schema"), brokererr::kOpen);
    return count;
}

void SqliteHandle::ensureSchema(const QString &schemaResource)
{
    if (schemaObjectCount() != 0)
        return;
    QFile file(schemaResource);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(brokererr::kOpen, sourceFor(QStringLiteral("Schema")),
                    QStringLiteral("No se encontró el esquema \"%1\"").arg(schemaResource));
    QString schema = QString::fromUtf8(file.readAll());
    // The rows a new database starts with, kept apart so that a server's schema shares them.
    QString seedResource = schemaResource;
    seedResource.replace(QStringLiteral(".sql"), QStringLiteral(".seed.sql"));
    if (QFile seed(seedResource); seed.open(QIODevice::ReadOnly))
        schema += u'\n' + QString::fromUtf8(seed.readAll());
    // Emptiness is decided again under the write lock: of two programs on their
    // first start, the second waits here and then finds the first one's tables.
    exec(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        m_created = schemaObjectCount() == 0;
        if (m_created)
            exec(schema);
        exec(QStringLiteral("COMMIT"));
    } catch (...) {
        m_created = false;
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

SqliteSession::SqliteSession(std::shared_ptr<SqliteHandle> handle, QString accounting)
    : m_path(handle->path())
    , m_handle(std::move(handle))
    , m_accounting(std::move(accounting))
    , m_created(m_handle->created())
{
}

std::unique_ptr<SqliteSession> SqliteSession::open(const EntitySettings &settings)
{
    if (settings.database.isEmpty())
        throw Error(brokererr::kOpen, sourceFor(QStringLiteral("Open")),
                    QStringLiteral("No se configuró la base de datos"));
    auto handle = std::make_shared<SqliteHandle>(settings.database, settings.createsDatabase());
    if (settings.createsDatabase())
        handle->ensureSchema(settings.schema);
    auto session = std::make_unique<SqliteSession>(std::move(handle), settings.accounting);
    if (!settings.accounting.isEmpty() && settings.createsDatabase()) {
        try {
            SqliteHandle(settings.accounting, true).ensureSchema(QStringLiteral(":/felcora/sql/contable.sql"));
        } catch (const Error &) {
        }
    }
    session->attachAccountingIfThere(*session->m_handle);
    return session;
}

bool SqliteSession::inTransaction() const
{
    return m_handle && !sqlite3_get_autocommit(m_handle->db());
}

SqliteHandle &SqliteSession::handleFor(Use use)
{
    if (inTransaction())
        return *m_handle;
    if (m_handle && !m_handle->stillTheFile()) {
        // What was read from the old file is not what the path holds now: say
        // so once, and let the next statement work on the file in its place.
        // A recordset still open keeps the old file until it is dropped.
        m_handle.reset();
        throw Error(brokererr::kOpen, sourceFor(QStringLiteral("Open")),
                    QStringLiteral("La base de datos \"%1\" fue reemplazada o eliminada mientras estaba abierta: no se "
                                   "hizo nada; al volver a intentarlo se usa la que esté en su lugar")
                        .arg(m_path));
    }
    if (!m_handle || (use == Use::Change && m_handle->readOnly()))
        reopen();
    return *m_handle;
}

void SqliteSession::reopen()
{
    // Never created again: a database that went away is not replaced by an empty one.
    m_handle = std::make_shared<SqliteHandle>(m_path, false);
    m_accountingAttached = false;
    attachAccountingIfThere(*m_handle);
}

void SqliteSession::attachAccountingIfThere(SqliteHandle &handle)
{
    // The accounting database belongs to another system: when it is missing
    // or broken the customer tables still work, and only the statements
    // that name it fail, with the reason.
    if (m_accounting.isEmpty())
        return;
    try {
        attachAccounting(handle);
    } catch (const Error &) {
    }
}

void SqliteSession::attachAccounting(SqliteHandle &handle)
{
    if (!QFileInfo::exists(m_accounting))
        throw Error(brokererr::kOpen, sourceFor(QStringLiteral("Attach")),
                    QStringLiteral("No existe la base de datos contable \"%1\"").arg(m_accounting));
    handle.attach(m_accounting, kAccountingAlias);
    m_accountingAttached = true;
}

bool SqliteSession::namesAccounting(const QString &sql)
{
    return sql.contains(kAccountingAlias + u'.', Qt::CaseInsensitive);
}

sqlite3_stmt *SqliteSession::prepare(SqliteHandle &handle, const QString &sql, const char *operation)
{
    // Attached now if it was not at the opening: it may have been installed since.
    if (!m_accounting.isEmpty() && !m_accountingAttached && namesAccounting(sql))
        attachAccounting(handle);
    sqlite3_stmt *statement = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(handle.db(), text.constData(), int(text.size()), &statement, nullptr) != SQLITE_OK)
        handle.fail(QString::fromLatin1(operation));
    if (!statement) // only blanks: nothing to run
        throw Error(brokererr::kRefused, sourceFor(QString::fromLatin1(operation)),
                    QStringLiteral("La sentencia está vacía"));
    return statement;
}

std::unique_ptr<IRecordset> SqliteSession::query(const QString &sql)
{
    SqliteHandle &handle = handleFor(Use::Read);
    return std::make_unique<SqliteRecordset>(m_handle, prepare(handle, sql, "CrearRs"));
}

qint64 SqliteSession::execute(const QString &sql)
{
    SqliteHandle &handle = handleFor(Use::Change);
    sqlite3_stmt *statement = prepare(handle, sql, "Ejecutar");
    const bool reads = sqlite3_stmt_readonly(statement);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {}
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE)
        handle.fail(QStringLiteral("Ejecutar"));
    // sqlite3_changes keeps the count of the last change: a reading statement changed nothing.
    return reads ? 0 : sqlite3_changes64(handle.db());
}

void SqliteSession::begin()
{
    if (inTransaction())
        throw Error(brokererr::kTransaction, sourceFor(QStringLiteral("BeginTrans")),
                    QStringLiteral("Ya hay una transacción abierta en esta conexión"));
    // The write lock is taken now, so that another workstation's write waits
    // here and not in the middle of the work.
    handleFor(Use::Change).exec(QStringLiteral("BEGIN IMMEDIATE"));
}

void SqliteSession::commit()
{
    if (!inTransaction())
        throw Error(brokererr::kTransaction, sourceFor(QStringLiteral("CommitTrans")),
                    QStringLiteral("No hay una transacción abierta en esta conexión"));
    m_handle->exec(QStringLiteral("COMMIT"));
}

void SqliteSession::rollback()
{
    if (inTransaction())
        m_handle->exec(QStringLiteral("ROLLBACK"));
}

SqliteRecordset::SqliteRecordset(std::shared_ptr<SqliteHandle> handle, sqlite3_stmt *statement)
    : m_handle(std::move(handle))
    , m_statement(statement)
{
    try {
        step();
    } catch (...) {
        sqlite3_finalize(m_statement);
        throw;
    }
    // Only now: the first step prepares the statement again when another
    // connection changed the tables since, and the columns are those it reads.
    const int columns = sqlite3_column_count(m_statement);
    m_names.reserve(columns);
    m_isDate.reserve(columns);
    for (int c = 0; c < columns; ++c) {
        m_names.append(QString::fromUtf8(sqlite3_column_name(m_statement, c)));
        const char *declared = sqlite3_column_decltype(m_statement, c);
        m_isDate.append(declared && QByteArray(declared).toUpper().startsWith("DATE"));
    }
}

SqliteRecordset::~SqliteRecordset()
{
    sqlite3_finalize(m_statement);
}

void SqliteRecordset::step()
{
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return;
    m_eof = true;
    if (rc != SQLITE_DONE)
        m_handle->fail(QStringLiteral("CrearRs"));
}

void SqliteRecordset::MoveNext()
{
    if (m_eof)
        throw Error(errnum::kNoCurrentRecord, sourceFor(QStringLiteral("MoveNext")),
                    QStringLiteral("No hay registro actual: se llegó al final del conjunto de registros"));
    step();
}

void SqliteRecordset::checkColumn(int column) const
{
    if (m_eof)
        throw Error(errnum::kNoCurrentRecord, sourceFor(QStringLiteral("Fields")),
                    QStringLiteral("No hay registro actual: se llegó al final del conjunto de registros"));
    if (column < 0 || column >= m_names.size())
        throw Error(errnum::kItemNotFound, sourceFor(QStringLiteral("Fields")),
                    QStringLiteral("No existe la columna %1 en el conjunto de registros").arg(column));
}

QVariant SqliteRecordset::value(int column) const
{
    checkColumn(column);
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_NULL: return {};
    case SQLITE_INTEGER: return QVariant(qlonglong(sqlite3_column_int64(m_statement, column)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(m_statement, column));
    case SQLITE_BLOB: {
        const void *data = sqlite3_column_blob(m_statement, column);
        return QVariant(QByteArray(static_cast<const char *>(data), sqlite3_column_bytes(m_statement, column)));
    }
    default: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        const QString value = QString::fromUtf8(text, sqlite3_column_bytes(m_statement, column));
        if (m_isDate.at(column)) {
            const QDate date = QDate::fromString(value.left(10), Qt::ISODate);
            if (date.isValid())
                return QVariant(date);
        }
        return QVariant(value);
    }
    }
}

bool SqliteRecordset::isNull(int column) const
{
    checkColumn(column);
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

QByteArrayView SqliteRecordset::textUtf8(int column) const
{
    checkColumn(column);
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return text ? QByteArrayView(text, sqlite3_column_bytes(m_statement, column)) : QByteArrayView();
}

} // namespace felcora::hostkit
