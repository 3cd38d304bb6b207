#pragma once

#include <QDate>
#include <QString>
#include <memory>

#include "felcora/hostkit/hostkit_data_export.h"

namespace felcora::hostkit {

// What differs between the databases behind the entities: how a date and a
// formatted number are written, and how a name in another database
// (QUENMARCONTABLE..AGENTES) is spelled. One small class per driver.
class FELCORA_HOSTKIT_DATA_EXPORT SqlDialect
{
public:
    virtual ~SqlDialect() = default;

    virtual QString dateLiteral(const QDate &date) const = 0;
    // An expression rounding a numeric literal (C form, with a point) to that many decimals.
    virtual QString numberFormat(const QString &numericLiteral, int decimals) const = 0;
    // database..object as this database spells it.
    virtual QString otherDatabaseName(const QString &database, const QString &object) const = 0;
    // A text literal ('...', apostrophes doubled) as this database must read it.
    virtual QString textLiteral(const QString &literal) const { return literal; }
    // Whether a server's error code (QSqlError::nativeErrorCode) says a change
    // would have stored a second row with the same key.
    virtual bool isDuplicateKey(const QString &nativeErrorCode) const
    {
        Q_UNUSED(nativeErrorCode);
        return false;
    }

    // The statement in this database's spelling: three-part names outside
    // string literals, and the literals themselves.
    QString translate(const QString &sql) const;

    static std::unique_ptr<SqlDialect> forDriver(const QString &driver);

protected:
    // Clauses this database spells its own way, on the statement whose names
    // and literals translate already wrote.
    virtual QString rewriteClauses(const QString &sql) const { return sql; }
};

// SQLite: dates as ISO text, the other database attached under its name;
// names ordered by the Spanish collation (ORDER BY nombre), and the standard
// OFFSET ... FETCH ... ONLY as LIMIT ... OFFSET ...; the first customers in
// that order by their row ids first, which the name index gives quickly.
class FELCORA_HOSTKIT_DATA_EXPORT SqliteDialect final : public SqlDialect
{
public:
    QString dateLiteral(const QDate &date) const override;
    QString numberFormat(const QString &numericLiteral, int decimals) const override;
    QString otherDatabaseName(const QString &database, const QString &object) const override;

protected:
    QString rewriteClauses(const QString &sql) const override;

private:
    // ORDER BY the name column in Spanish, OFFSET ... FETCH as LIMIT.
    QString orderAndLimit(const QString &sql) const;
};

// PostgreSQL: dates as DATE literals, numbers rounded as numeric, the
// accounting tables in a schema of the same database.
class FELCORA_HOSTKIT_DATA_EXPORT PostgresDialect final : public SqlDialect
{
public:
    QString dateLiteral(const QDate &date) const override;
    QString numberFormat(const QString &numericLiteral, int decimals) const override;
    QString otherDatabaseName(const QString &database, const QString &object) const override;
    bool isDuplicateKey(const QString &nativeErrorCode) const override;
};

// SQL Server through ODBC: dates in the unambiguous yyyymmdd form, the other
// database by its three-part name, texts as national (Unicode) literals so
// that no character outside the server's code page is lost.
class FELCORA_HOSTKIT_DATA_EXPORT SqlServerDialect final : public SqlDialect
{
public:
    QString dateLiteral(const QDate &date) const override;
    QString numberFormat(const QString &numericLiteral, int decimals) const override;
    QString otherDatabaseName(const QString &database, const QString &object) const override;
    QString textLiteral(const QString &literal) const override;
    bool isDuplicateKey(const QString &nativeErrorCode) const override;
};

} // namespace felcora::hostkit
