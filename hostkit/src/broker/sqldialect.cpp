#include "sqldialect.h"

#include <QRegularExpression>
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "brokererrors.h"
#include "spanishcollation.h"
#include "statementtext.h"

namespace felcora::hostkit {

namespace {

// A statement cut into words, numbers, quoted texts (literals and quoted names,
// whole), blanks and single other characters, for clause rewrites that must
// not look inside a quoted text.
class Tokens
{
public:
    explicit Tokens(const QString &sql)
    {
        const qsizetype n = sql.size();
        for (qsizetype i = 0; i < n;) {
            const qsizetype start = i;
            const QChar c = sql.at(i);
            Kind kind = Kind::Other;
            if (c.isSpace()) {
                kind = Kind::Blank;
                while (i < n && sql.at(i).isSpace())
                    ++i;
            } else if (c.isLetter() || c == u'_') {
                kind = Kind::Word;
                while (i < n && (sql.at(i).isLetterOrNumber() || sql.at(i) == u'_' || sql.at(i) == u'$'))
                    ++i;
            } else if (c.isDigit()) {
                kind = Kind::Number;
                while (i < n && (sql.at(i).isLetterOrNumber() || sql.at(i) == u'_' || sql.at(i) == u'.'))
                    ++i;
            } else if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
                kind = Kind::Quoted;
                i = quotedEnd(sql, i);
            } else {
                ++i;
            }
            m_all.push_back({kind, QStringView(sql).mid(start, i - start)});
            if (kind != Kind::Blank)
                m_significant.push_back(m_all.size() - 1);
        }
        m_after.resize(m_all.size());
        m_dropped.resize(m_all.size(), false);
    }

    // Over the tokens that are not blanks, by their position among them.
    size_t count() const { return m_significant.size(); }
    bool isWord(size_t k, QStringView word) const
    {
        return k < count() && at(k).kind == Kind::Word && at(k).text.compare(word, Qt::CaseInsensitive) == 0;
    }
    bool isName(size_t k) const { return k < count() && (at(k).kind == Kind::Word || at(k).kind == Kind::Quoted); }
    bool isOther(size_t k, char16_t c) const
    {
        return k < count() && at(k).kind == Kind::Other && at(k).text == QStringView(&c, 1);
    }
    // A whole number written in digits only.
    bool isCount(size_t k) const
    {
        return k < count() && at(k).kind == Kind::Number
            && std::all_of(at(k).text.begin(), at(k).text.end(), [](QChar c) { return c.isDigit(); });
    }
    QStringView text(size_t k) const { return at(k).text; }

    // Text written after token k.
    void append(size_t k, const QString &text) { m_after[m_significant[k]] += text; }
    // Tokens first to last (and the blanks between them) written as text instead.
    void replace(size_t first, size_t last, const QString &text)
    {
        for (size_t t = m_significant[first]; t <= m_significant[last]; ++t)
            m_dropped[t] = true;
        m_after[m_significant[first]] = text;
    }

    QString joined() const
    {
        QString out;
        for (size_t t = 0; t < m_all.size(); ++t) {
            if (!m_dropped[t])
                out += m_all[t].text;
            out += m_after[t];
        }
        return out;
    }

private:
    enum class Kind { Blank, Word, Number, Quoted, Other };
    struct Token
    {
        Kind kind;
        QStringView text;
    };
    const Token &at(size_t k) const { return m_all[m_significant[k]]; }

    // Past the closing quote of the quoted text starting at open (a doubled quote stands for one).
    static qsizetype quotedEnd(const QString &sql, qsizetype open)
    {
        const QChar close = sql.at(open) == u'[' ? QChar(u']') : sql.at(open);
        for (qsizetype i = open + 1; i < sql.size(); ++i) {
            if (sql.at(i) != close)
                continue;
            if (close != u']' && i + 1 < sql.size() && sql.at(i + 1) == close)
                ++i;
            else
                return i + 1;
        }
        return sql.size();
    }

    std::vector<Token> m_all;
    std::vector<size_t> m_significant;
    std::vector<QString> m_after;
    std::vector<bool> m_dropped;
};

// [OFFSET n ROW|ROWS] FETCH FIRST|NEXT m ROW|ROWS ONLY starting at token k.
struct RowLimit
{
    size_t last; // its last token
    QStringView offset;
    QStringView rows;
};

std::optional<RowLimit> rowLimitAt(const Tokens &tokens, size_t k)
{
    const auto isRows = [&](size_t j) { return tokens.isWord(j, u"ROWS") || tokens.isWord(j, u"ROW"); };
    size_t j = k;
    QStringView offset;
    if (tokens.isWord(j, u"OFFSET") && tokens.isCount(j + 1) && isRows(j + 2)) {
        offset = tokens.text(j + 1);
        j += 3;
    }
    if (tokens.isWord(j, u"FETCH") && (tokens.isWord(j + 1, u"FIRST") || tokens.isWord(j + 1, u"NEXT"))
        && tokens.isCount(j + 2) && isRows(j + 3) && tokens.isWord(j + 4, u"ONLY"))
        return RowLimit{j + 4, offset, tokens.text(j + 2)};
    return std::nullopt;
}

// Words after which an ORDER BY's terms are over.
bool endsOrdering(const Tokens &tokens, size_t k)
{
    for (const QStringView word :
         {u"LIMIT", u"OFFSET", u"FETCH", u"UNION", u"EXCEPT", u"INTERSECT", u"ROWS", u"RANGE", u"GROUPS", u"FOR"})
        if (tokens.isWord(k, word))
            return true;
    return false;
}

// Whether the ORDER BY term that began before token k ends there, with no more than its direction.
bool endsTerm(const Tokens &tokens, size_t k)
{
    return k >= tokens.count() || tokens.isOther(k, u',') || tokens.isOther(k, u')') || tokens.isWord(k, u"ASC")
        || tokens.isWord(k, u"DESC") || tokens.isWord(k, u"NULLS") || endsOrdering(tokens, k);
}

// The name column, [qualifier.]nombre, as a whole ORDER BY term starting at token k: its last token.
std::optional<size_t> nameTermAt(const Tokens &tokens, size_t k)
{
    const size_t name = tokens.isName(k) && tokens.isOther(k + 1, u'.') ? k + 2 : k;
    if (tokens.isWord(name, u"nombre") && endsTerm(tokens, name + 1))
        return name;
    return std::nullopt;
}

} // namespace

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
    return rewriteClauses(
        statementtext::mapStretches(sql, names, [this](const QString &literal) { return textLiteral(literal); }));
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

namespace {

// The first customers in an order no index gives (the Spanish order of
// names): SQLite would read every row whole to keep the first few. Ordering
// the row ids alone reads the name index instead, and only the rows kept are
// read whole: a third of the time on a million customers. Applied to the
// customer table alone (a table of rows with ids, whatever file holds it),
// ordered by named columns (an ORDER BY 1 would order the ids), with nothing
// quoted in the statement.
QString firstRowsByRowId(const QString &sql)
{
    static const QRegularExpression firstRows(
        QStringLiteral(
            R"(^\s*select\s+\*\s+from\s+(clientes)\s+(order\s+by\s+[a-z_][\w\s,]*?)\s+(limit\s+\d+(?:\s+offset\s+\d+)?)\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = firstRows.match(sql);
    if (!m.hasMatch())
        return sql;
    const QString table = m.captured(1), order = m.captured(2), limit = m.captured(3);
    return QStringLiteral("select * from %1 where rowid in (select rowid from %1 %2 %3) %2").arg(table, order, limit);
}

} // namespace

QString SqliteDialect::rewriteClauses(const QString &sql) const
{
    if (!sql.contains(u"order", Qt::CaseInsensitive) && !sql.contains(u"fetch", Qt::CaseInsensitive))
        return sql;
    // A view or trigger keeps its text in the schema: the collation stays out of it.
    if (sql.trimmed().startsWith(u"create", Qt::CaseInsensitive))
        return sql;
    return firstRowsByRowId(orderAndLimit(sql));
}

QString SqliteDialect::orderAndLimit(const QString &sql) const
{
    Tokens tokens(sql);
    // Each parenthesis level (a subquery, a window) has an ORDER BY of its own.
    struct Level
    {
        bool ordering = false; // inside its ORDER BY
        bool termStarts = false;
    };
    std::vector<Level> levels(1);
    const QString collate = QStringLiteral(" COLLATE ") + QLatin1String(kSpanishCollation);
    for (size_t k = 0; k < tokens.count(); ++k) {
        Level &level = levels.back();
        const bool termStarts = std::exchange(level.termStarts, false);
        if (const auto limit = rowLimitAt(tokens, k)) {
            QString clause = QStringLiteral("LIMIT %1").arg(limit->rows);
            if (!limit->offset.isEmpty())
                clause += QStringLiteral(" OFFSET %1").arg(limit->offset);
            tokens.replace(k, limit->last, clause);
            level.ordering = false;
            k = limit->last;
        } else if (tokens.isOther(k, u'(')) {
            levels.emplace_back();
        } else if (tokens.isOther(k, u')')) {
            if (levels.size() > 1)
                levels.pop_back();
        } else if (tokens.isWord(k, u"ORDER") && tokens.isWord(k + 1, u"BY")) {
            level = {true, true};
            ++k;
        } else if (level.ordering) {
            if (tokens.isOther(k, u','))
                level.termStarts = true;
            else if (endsOrdering(tokens, k))
                level.ordering = false;
            else if (const auto name = termStarts ? nameTermAt(tokens, k) : std::nullopt) {
                tokens.append(*name, collate);
                k = *name;
            }
        }
    }
    return tokens.joined();
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
