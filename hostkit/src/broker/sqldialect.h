#pragma once

#include <QDate>
#include <QString>
#include <memory>

namespace felcora::hostkit {

// What differs between the databases behind the entities: how a date and a
// formatted number are written, and how a name in another database
// (QUENMARCONTABLE..AGENTES) is spelled. One small class per driver.
class SqlDialect
{
public:
    virtual ~SqlDialect() = default;

    virtual QString dateLiteral(const QDate &date) const = 0;
    // An expression rounding a numeric literal (C form, with a point) to that many decimals.
    virtual QString numberFormat(const QString &numericLiteral, int decimals) const = 0;
    // database..object as this database spells it.
    virtual QString otherDatabaseName(const QString &database, const QString &object) const = 0;

    // The statement with every three-part name translated, outside string literals only.
    QString translate(const QString &sql) const;

    static std::unique_ptr<SqlDialect> forDriver(const QString &driver);
};

// SQLite: dates as ISO text, the other database attached under its name.
class SqliteDialect final : public SqlDialect
{
public:
    QString dateLiteral(const QDate &date) const override;
    QString numberFormat(const QString &numericLiteral, int decimals) const override;
    QString otherDatabaseName(const QString &database, const QString &object) const override;
};

} // namespace felcora::hostkit
