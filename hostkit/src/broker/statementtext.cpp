#include "statementtext.h"

namespace felcora::hostkit::statementtext {

namespace {

// Calls visit(segment, inLiteral) over consecutive stretches of the statement;
// literal stretches include their apostrophes. Answers false when a literal is left open.
bool forEachStretch(const QString &sql, const std::function<void(QStringView, bool)> &visit)
{
    qsizetype start = 0;
    qsizetype i = 0;
    const qsizetype n = sql.size();
    while (i < n) {
        if (sql.at(i) != u'\'') {
            ++i;
            continue;
        }
        if (i > start)
            visit(QStringView(sql).mid(start, i - start), false);
        const qsizetype open = i++;
        bool closed = false;
        while (i < n) {
            if (sql.at(i) == u'\'') {
                if (i + 1 < n && sql.at(i + 1) == u'\'') {
                    i += 2;
                    continue;
                }
                ++i;
                closed = true;
                break;
            }
            ++i;
        }
        visit(QStringView(sql).mid(open, i - open), true);
        start = i;
        if (!closed)
            return false;
    }
    if (start < n)
        visit(QStringView(sql).mid(start), false);
    return true;
}

} // namespace

QString mapOutsideLiterals(const QString &sql, const std::function<QString(const QString &)> &transform)
{
    return mapStretches(sql, transform, [](const QString &literal) { return literal; });
}

QString mapStretches(const QString &sql, const std::function<QString(const QString &)> &outside,
                     const std::function<QString(const QString &)> &literal)
{
    QString result;
    result.reserve(sql.size());
    forEachStretch(sql, [&](QStringView stretch, bool inLiteral) {
        result += inLiteral ? literal(stretch.toString()) : outside(stretch.toString());
    });
    return result;
}

QString refusalReason(const QString &sql)
{
    if (sql.contains(QChar(u'\0')))
        return QStringLiteral("la sentencia contiene un carácter nulo");
    QString reason;
    const bool closed = forEachStretch(sql, [&](QStringView stretch, bool inLiteral) {
        if (inLiteral || !reason.isEmpty())
            return;
        if (stretch.contains(u';'))
            reason = QStringLiteral("la sentencia contiene \";\" fuera de un texto");
        else if (stretch.contains(u"--"))
            reason = QStringLiteral("la sentencia contiene \"--\" fuera de un texto");
        else if (stretch.contains(u"/*"))
            reason = QStringLiteral("la sentencia contiene \"/*\" fuera de un texto");
    });
    if (!closed)
        return QStringLiteral("la sentencia tiene un texto sin cerrar");
    return reason;
}

} // namespace felcora::hostkit::statementtext
