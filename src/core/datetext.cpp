#include "felcora/datetext.h"

#include <QRegularExpression>

namespace felcora {

namespace {
constexpr int kCenturyPivot = 30; // two-digit years below it are 20xx, the others 19xx
}

std::optional<QDate> DateText::parse(const QString &text)
{
    static const QRegularExpression shape(QStringLiteral("^(\\d{1,2})[/.-](\\d{1,2})[/.-](\\d{4}|\\d{2})$"));
    const QRegularExpressionMatch match = shape.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const int day = match.captured(1).toInt();
    const int month = match.captured(2).toInt();
    int year = match.captured(3).toInt();
    if (match.capturedLength(3) == 2)
        year += year < kCenturyPivot ? 2000 : 1900;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

} // namespace felcora
