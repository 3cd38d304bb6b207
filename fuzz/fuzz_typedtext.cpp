// libFuzzer target over the parsers of typed text: numbers (the numeric test
// and the literal a statement gets from it) and dates (the display form and
// the date literal of each database's dialect).
//
// The first byte of an input says what the rest is, as UTF-8 text, and under
// which locale it is read: the byte modulo 10 is 0 to 4 for a number and 5 to
// 9 for a date, under kLocales[byte % 5]. So "212,5" is the number "12,5"
// under es_AR and "501/02/2003" the date "01/02/2003" under C.
// A rule that does not hold aborts with the text; libFuzzer keeps the input.

#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <QString>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>

#include "broker/sqldialect.h"
#include "core/numberliterals.h"
#include "felcora/datetext.h"
#include "felcora/numerictext.h"

using namespace felcora;

namespace {

const char *const kLocales[] = {"C", "en_US", "es_AR", "de_DE", "fr_FR"}; // fr_FR groups with U+202F
constexpr int kLocaleCount = int(std::size(kLocales));
constexpr int kKinds = 2 * kLocaleCount; // a number or a date under each locale

// Blanks a user may leave around a number: none of them may change it.
const char16_t *const kBlanks[] = {u" ", u"\t", u"\u00A0", u"\u202F", u"\u3000"};

[[noreturn]] void broken(const char *rule, const QString &text, const QString &detail)
{
    std::fprintf(stderr, "\n*** %s\n    text:   \"%s\"\n    detail: %s\n", rule, qUtf8Printable(text),
                 qUtf8Printable(detail));
    std::abort();
}

void require(bool holds, const char *rule, const QString &text, const QString &detail = {})
{
    if (!holds)
        broken(rule, text, detail);
}

// A numeric literal every database reads: optional sign, digits with at most
// one point, optional exponent, nothing else.
bool isSqlNumber(const QString &literal)
{
    static const QRegularExpression shape(
        QRegularExpression::anchoredPattern(QStringLiteral("[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?")));
    return shape.match(literal).hasMatch();
}

// The double a literal of that shape stands for, read as a correctly rounding
// reader does; nothing when it is out of range.
std::optional<double> readBack(const QString &literal)
{
    QByteArray ascii = literal.toLatin1();
    if (ascii.startsWith('+'))
        ascii.remove(0, 1); // from_chars takes no plus sign
    double value = 0.0;
    const char *end = ascii.constData() + ascii.size();
    const auto [stop, error] = std::from_chars(ascii.constData(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

void checkNumber(const QString &text, const QLocale &locale)
{
    QLocale::setDefault(locale); // numberLiteral reads with the default locale, as the windows do
    const auto parsed = NumericText::parse(text, locale);
    require(NumericText::isNumeric(text, locale) == parsed.has_value(), "isNumeric agrees with parse", text);
    const auto value = NumericText::value(text, locale);
    require(value.has_value() == parsed.has_value() && (!value || *value == parsed->value), "value agrees with parse",
            text);
    if (parsed) {
        require(std::isfinite(parsed->value), "a number is finite", text, QString::number(parsed->value));
        // A value too small for a double must be refused, not read as zero.
        const QString &cForm = parsed->cForm;
        const qsizetype exponent = cForm.indexOf(u'e', 0, Qt::CaseInsensitive);
        const QStringView mantissa = QStringView(cForm).first(exponent < 0 ? cForm.size() : exponent);
        const bool zeroDigits
            = std::none_of(mantissa.begin(), mantissa.end(), [](QChar c) { return c >= u'1' && c <= u'9'; });
        require(parsed->value != 0.0 || zeroDigits, "only zero digits are zero", text, cForm);
    }

    for (const char16_t *blank : kBlanks) {
        const QString padded = QString::fromUtf16(blank) + text + QString::fromUtf16(blank);
        const auto again = NumericText::value(padded, locale);
        require(again.has_value() == value.has_value() && (!again || *again == *value),
                "blanks around a text do not change its value", text, QString::number(QChar(*blank).unicode(), 16));
    }

    const QString literal = numberLiteral(text, QStringLiteral("."));
    require(numberLiteral(text, QString()) == literal, "no separator means a point", text, literal);
    require(numberLiteral(text, QStringLiteral(",")) == QString(literal).replace(u'.', u','),
            "a comma separator only changes the decimal mark", text, literal);
    if (!parsed) {
        require(literal == QStringLiteral("0"), "what is not numeric is 0", text, literal);
        return;
    }
    require(isSqlNumber(literal), "the literal is a SQL number", text, literal);
    const auto back = readBack(literal);
    require(back.has_value() && *back == parsed->value, "the literal reads back as the same double", text,
            literal + QStringLiteral(" -> ") + QString::number(back.value_or(NAN), 'g', 17) + QStringLiteral(" vs ")
                + QString::number(parsed->value, 'g', 17));
}

struct DialectShape
{
    DialectShape(const hostkit::SqlDialect &dialect, const QString &pattern)
        : dialect(dialect)
        , shape(QRegularExpression::anchoredPattern(pattern))
    {
    }
    const hostkit::SqlDialect &dialect;
    QRegularExpression shape; // the whole literal, capturing year, month and day
};

void checkDate(const QString &text, const QLocale &locale)
{
    static const hostkit::SqliteDialect sqlite;
    static const hostkit::PostgresDialect postgres;
    static const hostkit::SqlServerDialect sqlServer;
    static const DialectShape dialects[] = {
        {sqlite, QStringLiteral("'(\\d{4})-(\\d{2})-(\\d{2})'")},
        {postgres, QStringLiteral("DATE '(\\d{4})-(\\d{2})-(\\d{2})'")},
        {sqlServer, QStringLiteral("CONVERT\\(datetime, '(\\d{4})(\\d{2})(\\d{2})', 112\\)")},
    };

    QLocale::setDefault(QLocale::c());
    const auto inC = DateText::parse(text);
    QLocale::setDefault(locale);
    const auto date = DateText::parse(text);
    require(date == inC, "a date reads the same in every locale", text, locale.name());
    if (!date)
        return;
    require(date->isValid(), "a date is valid", text);
    const QString shown = DateText::display(*date);
    require(DateText::parse(shown) == date, "the display form reads back as the same date", text, shown);

    for (const DialectShape &d : dialects) {
        const QString literal = d.dialect.dateLiteral(*date);
        const QRegularExpressionMatch m = d.shape.match(literal);
        require(m.hasMatch(), "the date literal is well formed", text, literal);
        const QDate named(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        require(named == *date, "the date literal names the same day", text, literal);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int kind = data[0] % kKinds;
    static const QList<QLocale> locales = [] {
        QList<QLocale> all;
        for (const char *name : kLocales)
            all.append(QLocale(QString::fromLatin1(name)));
        return all;
    }();
    const QLocale &locale = locales.at(kind % kLocaleCount);
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    if (kind < kLocaleCount)
        checkNumber(text, locale);
    else
        checkDate(text, locale);
    return 0;
}
