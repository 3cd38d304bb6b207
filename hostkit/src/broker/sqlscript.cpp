#include "sqlscript.h"

namespace felcora::hostkit::sqlscript {

namespace {

bool isIdentifierChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// Where a "/*" comment that opens at from ends, past its "*/"; comments inside it nest.
qsizetype blockCommentEnd(const QString &script, qsizetype from)
{
    int depth = 0;
    qsizetype i = from;
    while (i + 1 < script.size()) {
        if (script.at(i) == u'/' && script.at(i + 1) == u'*') {
            ++depth;
            i += 2;
        } else if (script.at(i) == u'*' && script.at(i + 1) == u'/') {
            i += 2;
            if (--depth == 0)
                return i;
        } else {
            ++i;
        }
    }
    return script.size();
}

// The "$tag$" that opens dollar-quoted text at from, or an empty text when the
// "$" there is not one (a parameter "$1", or part of an identifier).
QStringView dollarTag(const QString &script, qsizetype from)
{
    if (from > 0 && isIdentifierChar(script.at(from - 1)))
        return {};
    qsizetype i = from + 1;
    if (i < script.size() && (script.at(i).isLetter() || script.at(i) == u'_')) {
        while (i < script.size() && (script.at(i).isLetterOrNumber() || script.at(i) == u'_'))
            ++i;
    }
    if (i >= script.size() || script.at(i) != u'$')
        return {};
    return QStringView(script).mid(from, i + 1 - from);
}

// Past the first occurrence of closing at or after from; the end of the script when there is none.
qsizetype pastNext(const QString &script, QStringView closing, qsizetype from)
{
    const qsizetype found = script.indexOf(closing, from);
    return found < 0 ? script.size() : found + closing.size();
}

} // namespace

QList<Statement> split(const QString &script)
{
    QList<Statement> statements;
    qsizetype start = -1; // where the statement being read starts, once it has more than comments
    int startLine = 0;
    int line = 1;
    qsizetype i = 0;
    const auto moveTo = [&](qsizetype to) {
        line += int(QStringView(script).mid(i, to - i).count(u'\n'));
        i = to;
    };
    const auto finish = [&](qsizetype end) {
        if (start >= 0)
            statements.append({script.mid(start, end - start).trimmed(), startLine});
        start = -1;
    };

    while (i < script.size()) {
        const QChar c = script.at(i);
        const QChar next = i + 1 < script.size() ? script.at(i + 1) : QChar();
        if (c == u'-' && next == u'-') {
            moveTo(pastNext(script, u"\n", i));
            continue;
        }
        if (c == u'/' && next == u'*') {
            moveTo(blockCommentEnd(script, i));
            continue;
        }
        if (c == u';') {
            finish(i);
            moveTo(i + 1);
            continue;
        }
        if (start < 0 && !c.isSpace()) {
            start = i;
            startLine = line;
        }
        // A doubled quote inside a literal reads as the literal closing and
        // another opening at once: the statement ends in the same place.
        if (c == u'\'' || c == u'"') {
            moveTo(pastNext(script, QStringView(&c, 1), i + 1));
            continue;
        }
        if (c == u'$') {
            if (const QStringView tag = dollarTag(script, i); !tag.isEmpty()) {
                moveTo(pastNext(script, tag, i + tag.size()));
                continue;
            }
        }
        moveTo(i + 1);
    }
    finish(script.size());
    return statements;
}

} // namespace felcora::hostkit::sqlscript
