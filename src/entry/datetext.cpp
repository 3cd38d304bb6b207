#include "felcora/datetext.h"

#include <QRegularExpression>

namespace felcora {

namespace {

enum Field { Day, Month, Year };

// The order of day, month and year in the locale's short date format.
std::array<Field, 3> fieldOrder(const QLocale &locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype d = format.indexOf(u'd');
    const qsizetype m = format.indexOf(u'M');
    const qsizetype y = format.indexOf(u'y');
    if (d < 0 || m < 0 || y < 0)
        return {Day, Month, Year};
    std::array<std::pair<qsizetype, Field>, 3> positions{{{d, Day}, {m, Month}, {y, Year}}};
    std::sort(positions.begin(), positions.end());
    return {positions[0].second, positions[1].second, positions[2].second};
}

} // namespace

std::optional<QDate> DateText::parse(const QString &text, const QLocale &locale)
{
    static const QRegularExpression shape(QStringLiteral("^(\\d{1,4})[/.-](\\d{1,4})[/.-](\\d{1,4})$"));
    const QRegularExpressionMatch match = shape.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;

    int day = 0, month = 0, year = 0;
    int yearDigits = 0;
    const auto order = fieldOrder(locale);
    for (int k = 0; k < 3; ++k) {
        const QString part = match.captured(k + 1);
        const int value = part.toInt();
        switch (order[k]) {
        case Day: day = value; break;
        case Month: month = value; break;
        case Year:
            year = value;
            yearDigits = int(part.size());
            break;
        }
    }
    if (yearDigits == 3)
        return std::nullopt;
    if (yearDigits <= 2)
        year += year < 30 ? 2000 : 1900;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

} // namespace felcora
