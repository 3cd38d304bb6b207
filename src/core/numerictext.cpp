#include "felcora/numerictext.h"

namespace felcora {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
bool isMark(QChar c)
{
    return c == u'.' || c == u',';
}

} // namespace

std::optional<NumericText::Parsed> NumericText::parse(const QString &text, const QLocale &locale)
{
    const QString group = locale.groupSeparator();
    const QChar groupChar = group.size() == 1 ? group.front() : QChar();
    const bool groupIsBlank = groupChar.isSpace();

    // Trim blanks, remembering the offset so that marks are reported in the original text.
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).isSpace())
        ++begin;
    while (end > begin && text.at(end - 1).isSpace())
        --end;
    if (begin == end)
        return std::nullopt;

    qsizetype i = begin;
    if (text.at(i) == u'+' || text.at(i) == u'-')
        ++i;

    // Mantissa: digits and separators; exponent after it.
    QList<qsizetype> marks;       // "," and "."
    QList<qsizetype> otherGroups; // the locale's group separator when it is neither
    QString digits;               // the number in C form, rebuilt at the end
    qsizetype mantissaStart = i;
    for (; i < end; ++i) {
        const QChar c = text.at(i);
        if (isDigit(c))
            continue;
        if (isMark(c))
            marks.append(i);
        else if (!groupChar.isNull() && (groupIsBlank ? c.isSpace() : c == groupChar)) // any blank for a blank one
            otherGroups.append(i);
        else
            break;
    }
    const qsizetype mantissaEnd = i;

    // Exponent.
    QString exponent;
    if (i < end && (text.at(i) == u'e' || text.at(i) == u'E')) {
        qsizetype j = i + 1;
        if (j < end && (text.at(j) == u'+' || text.at(j) == u'-'))
            ++j;
        const qsizetype expDigits = j;
        while (j < end && isDigit(text.at(j)))
            ++j;
        if (j == expDigits)
            return std::nullopt;
        exponent = text.mid(i, j - i);
        i = j;
    }
    if (i != end)
        return std::nullopt;

    // Which mark is the decimal one.
    qsizetype decimal = -1;
    QList<qsizetype> groups = otherGroups;
    if (!marks.isEmpty()) {
        const QChar first = text.at(marks.front());
        const bool oneKind
            = std::all_of(marks.cbegin(), marks.cend(), [&](qsizetype m) { return text.at(m) == first; });
        if (marks.size() == 1) {
            decimal = marks.front();
        } else if (oneKind) {
            if (first != groupChar)
                return std::nullopt; // "1.2.3" is numeric only where "." groups digits
            groups += marks;
        } else {
            decimal = marks.back();
            for (qsizetype k = 0; k + 1 < marks.size(); ++k) {
                if (text.at(marks.at(k)) != groupChar)
                    return std::nullopt;
                groups.append(marks.at(k));
            }
        }
    }

    // Group separators stand between digits, before the decimal mark.
    auto digitAt = [&](qsizetype k) { return k >= mantissaStart && k < mantissaEnd && isDigit(text.at(k)); };
    for (qsizetype g : groups) {
        if ((decimal >= 0 && g > decimal) || !digitAt(g - 1) || !digitAt(g + 1))
            return std::nullopt;
    }

    Parsed parsed;
    QString cForm;
    bool anyDigit = false;
    if (text.at(begin) == u'-')
        cForm += u'-';
    for (qsizetype k = mantissaStart; k < mantissaEnd; ++k) {
        const QChar c = text.at(k);
        if (isDigit(c)) {
            cForm += c;
            anyDigit = true;
        } else if (k == decimal) {
            cForm += u'.';
        }
    }
    if (!anyDigit)
        return std::nullopt;
    cForm += exponent;

    bool ok = false;
    parsed.value = QLocale::c().toDouble(cForm, &ok);
    if (!ok) {
        // C-locale parsing refuses a bare ".5" or "5." on some versions: pad them.
        QString padded = cForm;
        padded.replace(QStringLiteral("-."), QStringLiteral("-0."));
        if (padded.startsWith(u'.'))
            padded.prepend(u'0');
        padded.replace(QStringLiteral(".e"), QStringLiteral(".0e"), Qt::CaseInsensitive);
        if (padded.endsWith(u'.'))
            padded.append(u'0');
        parsed.value = QLocale::c().toDouble(padded, &ok);
        if (!ok)
            return std::nullopt;
    }
    parsed.cForm = cForm;
    parsed.decimalMark = int(decimal);
    for (qsizetype g : groups)
        parsed.groupMarks.append(int(g));
    std::sort(parsed.groupMarks.begin(), parsed.groupMarks.end());
    return parsed;
}

bool NumericText::isNumeric(const QString &text, const QLocale &locale)
{
    return parse(text, locale).has_value();
}

std::optional<double> NumericText::value(const QString &text, const QLocale &locale)
{
    if (auto parsed = parse(text, locale))
        return parsed->value;
    return std::nullopt;
}

} // namespace felcora
