#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "brokererrors.h"
#include "databasesession.h"

struct sqlite3;
struct sqlite3_stmt;

namespace felcora::hostkit {

// One open SQLite database file (with its attached accounting database).
class SqliteHandle
{
public:
    // create: the file and its folders are made when missing, private to the user.
    SqliteHandle(const QString &path, bool create);
    ~SqliteHandle();
    SqliteHandle(const SqliteHandle &) = delete;
    SqliteHandle &operator=(const SqliteHandle &) = delete;

    sqlite3 *db() const { return m_db; }
    // Runs a script of statements (schema files): no result rows.
    void exec(const QString &script);
    void attach(const QString &path, const QString &alias);
    // Creates the tables of a schema resource when the database has none yet.
    // A second program starting at the same time waits for them instead of
    // creating them twice.
    void ensureSchema(const QString &schemaResource);
    // True when ensureSchema created the schema: the database is new.
    bool created() const { return m_created; }
    const QString &path() const { return m_path; }
    // Whether SQLite opened the file for reading only (it does so without a
    // word when the file cannot be written at the time).
    bool readOnly() const;
    // Whether the path still names the file that was opened: false once it
    // was deleted, or replaced by another file.
    bool stillTheFile() const;

    // The error of the last call, as the component's error, described for the
    // user with the file it concerns (this database unless another is named).
    [[noreturn]] void fail(const QString &operation, qint32 number = brokererr::kDatabase,
                           const QString &file = QString()) const;

private:
    int schemaObjectCount();

    // The file's identity on its device, to tell it from another put in its place.
    struct FileIdentity
    {
        quint64 device = 0;
        quint64 inode = 0;
        bool operator==(const FileIdentity &) const = default;
    };
    static std::optional<FileIdentity> identityOf(const QString &path);

    sqlite3 *m_db = nullptr;
    QString m_path;
    std::optional<FileIdentity> m_identity;
    bool m_created = false;
};

// The database file of an entity. A statement runs on the file the path names
// now: when it was deleted or replaced since it was opened, the statement is
// refused with that reason and the next one opens the file in its place; a
// file SQLite opened for reading only is opened again before a change, so
// that a fault mended since (its mode, a read-only mount) no longer counts.
// A transaction keeps the file it began on.
class SqliteSession final : public DatabaseSession
{
public:
    // accounting: the database attached as QUENMARCONTABLE ("" for none).
    SqliteSession(std::shared_ptr<SqliteHandle> handle, QString accounting);

    std::unique_ptr<IRecordset> query(const QString &sql) override;
    qint64 execute(const QString &sql) override;
    void begin() override;
    void commit() override;
    void rollback() override;
    bool createdDatabase() const override { return m_created; }

    static std::unique_ptr<SqliteSession> open(const EntitySettings &settings);

private:
    enum class Use { Read, Change };
    // The open database to run a statement on, opened again where it must be.
    SqliteHandle &handleFor(Use use);
    void reopen();
    bool inTransaction() const;
    sqlite3_stmt *prepare(SqliteHandle &handle, const QString &sql, const char *operation);
    // Attaches the accounting database, or throws why it cannot be.
    void attachAccounting(SqliteHandle &handle);
    // Attaches it where it can be; where not, only the statements that name it fail.
    void attachAccountingIfThere(SqliteHandle &handle);
    static bool namesAccounting(const QString &sql);

    QString m_path;
    std::shared_ptr<SqliteHandle> m_handle; // none after the file was found replaced, until reopened
    QString m_accounting;
    bool m_accountingAttached = false;
    bool m_created = false;
};

// A forward-only result read straight from the prepared statement: a value is
// converted only when it is asked for.
class SqliteRecordset final : public IRecordset
{
public:
    SqliteRecordset(std::shared_ptr<SqliteHandle> handle, sqlite3_stmt *statement);
    ~SqliteRecordset() override;

    bool hasRow() const { return !m_eof; }

    bool Eof() const override { return m_eof; }
    void MoveNext() override;
    int fieldCount() const override { return int(m_names.size()); }
    QString fieldName(int column) const override { return m_names.value(column); }
    QVariant value(int column) const override;
    bool isNull(int column) const override;
    QByteArrayView textUtf8(int column) const override;

private:
    void step();
    void checkColumn(int column) const;

    std::shared_ptr<SqliteHandle> m_handle;
    sqlite3_stmt *m_statement;
    QStringList m_names;
    QList<bool> m_isDate; // columns declared as dates come back as QDate
    bool m_eof = false;
};

} // namespace felcora::hostkit
