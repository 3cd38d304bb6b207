#include "sqldialect.h"

#include <QRegularExpression>

#include "brokererrors.h"
#include "statementtext.h"

namespace felcora::hostkit {

QString SqlDialect::translate(const QString &sql) const
{
    static const QRegularExpression threePart(
        QStringLiteral("\\b([A-Za-z_][A-Za-z0-9_]*)\\.\\.([A-Za-z_][A-Za-z0-9_]*)"));
    auto names = [this](const QString &stretch) {
        if (!stretch.contains(QStringLiteral("..")))
            return stretch;
        QString out;
        qsizetype last = 0;
        auto it = threePart.globalMatch(stretch);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            out += QStringView(stretch).mid(last, m.capturedStart() - last);
            out += otherDatabaseName(m.captured(1), m.captured(2));
            last = m.capturedEnd();
        }
        out += QStringView(stretch).mid(last);
        return out;
    };
    return statementtext::mapStretches(sql, names, [this](const QString &literal) { return textLiteral(literal); });
}

std::unique_ptr<SqlDialect> SqlDialect::forDriver(const QString &driver)
{
    if (driver.compare(QStringLiteral("SQLite"), Qt::CaseInsensitive) == 0)
        return std::make_unique<SqliteDialect>();
    if (driver.compare(QStringLiteral("QPSQL"), Qt::CaseInsensitive) == 0)
        return std::make_unique<PostgresDialect>();
    if (driver.compare(QStringLiteral("QODBC"), Qt::CaseInsensitive) == 0)
        return std::make_unique<SqlServerDialect>();
    throw brokererr::driverNotAvailable(driver);
}

QString SqliteDialect::dateLiteral(const QDate &date) const
{
    return u'\'' + date.toString(Qt::ISODate) + u'\'';
}

QString SqliteDialect::numberFormat(const QString &numericLiteral, int decimals) const
{
    return QStringLiteral("round(%1, %2)").arg(numericLiteral).arg(decimals);
}

QString SqliteDialect::otherDatabaseName(const QString &database, const QString &object) const
{
    return database + u'.' + object;
}

QString PostgresDialect::dateLiteral(const QDate &date) const
{
    return QStringLiteral("DATE '") + date.toString(Qt::ISODate) + u'\'';
}

QString PostgresDialect::numberFormat(const QString &numericLiteral, int decimals) const
{
    return QStringLiteral("round(CAST(%1 AS numeric), %2)").arg(numericLiteral).arg(decimals);
}

QString PostgresDialect::otherDatabaseName(const QString &database, const QString &object) const
{
    return database + u'.' + object;
}

bool PostgresDialect::isDuplicateKey(const QString &nativeErrorCode) const
{
    return nativeErrorCode == QLatin1String("23505"); // unique_violation
}

QString SqlServerDialect::dateLiteral(const QDate &date) const
{
    return QStringLiteral("CONVERT(datetime, '") + date.toString(QStringLiteral("yyyyMMdd"))
        + QStringLiteral("', 112)");
}

QString SqlServerDialect::numberFormat(const QString &numericLiteral, int decimals) const
{
    return QStringLiteral("ROUND(%1, %2)").arg(numericLiteral).arg(decimals);
}

QString SqlServerDialect::otherDatabaseName(const QString &database, const QString &object) const
{
    return database + QStringLiteral("..") + object;
}

QString SqlServerDialect::textLiteral(const QString &literal) const
{
    return u'N' + literal;
}

bool SqlServerDialect::isDuplicateKey(const QString &nativeErrorCode) const
{
    // A primary key's violation (2627) or a unique index's (2601); ODBC may list several codes.
    const QStringList codes = nativeErrorCode.split(u';', Qt::SkipEmptyParts);
    return codes.contains(QLatin1String("2627")) || codes.contains(QLatin1String("2601"));
}

} // namespace felcora::hostkit
