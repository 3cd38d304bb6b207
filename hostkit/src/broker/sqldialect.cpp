#include "sqldialect.h"

#include <QRegularExpression>

#include "brokererrors.h"
#include "statementtext.h"

namespace felcora::hostkit {

QString SqlDialect::translate(const QString &sql) const
{
    static const QRegularExpression threePart(QStringLiteral("\\b([A-Za-z_][A-Za-z0-9_]*)\\.\\.([A-Za-z_][A-Za-z0-9_]*)"));
    if (!sql.contains(QStringLiteral("..")))
        return sql;
    return statementtext::mapOutsideLiterals(sql, [this](const QString &stretch) {
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
    });
}

std::unique_ptr<SqlDialect> SqlDialect::forDriver(const QString &driver)
{
    if (driver.compare(QStringLiteral("SQLite"), Qt::CaseInsensitive) == 0)
        return std::make_unique<SqliteDialect>();
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

} // namespace felcora::hostkit
