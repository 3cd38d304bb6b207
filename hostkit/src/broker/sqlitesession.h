#pragma once

#include <QString>
#include <QStringList>
#include <memory>

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

    // The error of the last call, as the component's error, described for the
    // user with the file it concerns (this database unless another is named).
    [[noreturn]] void fail(const QString &operation, qint32 number = brokererr::kDatabase,
                           const QString &file = QString()) const;

private:
    int schemaObjectCount();

    sqlite3 *m_db = nullptr;
    QString m_path;
    bool m_created = false;
};

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
    bool createdDatabase() const override { return m_handle->created(); }

    static std::unique_ptr<SqliteSession> open(const EntitySettings &settings);

private:
    sqlite3_stmt *prepare(const QString &sql, const char *operation);
    // Attaches the accounting database, or throws why it cannot be.
    void attachAccounting();
    static bool namesAccounting(const QString &sql);

    std::shared_ptr<SqliteHandle> m_handle;
    QString m_accounting;
    bool m_accountingAttached = false;
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
