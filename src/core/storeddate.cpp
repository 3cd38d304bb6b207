#include "core/storeddate.h"

#include <QDateTime>
#include <QRegularExpression>
#include <cmath>

#include "felcora/datetext.h"
#include "felcora/numerictext.h"

namespace felcora {

namespace {

std::optional<QDate> ifValid(const QDate &date)
{
    return date.isValid() ? std::optional(date) : std::nullopt;
}

// The Julian days of 1 January of year 1 and 31 December 9999: outside them a
// number is no date a customer's activities started on.
constexpr double kFirstJulianDay = 1721426.0;
constexpr double kLastJulianDay = 5373484.0;

// A Julian day counts from noon: the calendar day of a moment is that of the
// noon that follows it.
std::optional<QDate> fromJulianDay(double julianDay)
{
    if (!std::isfinite(julianDay) || julianDay < kFirstJulianDay || julianDay > kLastJulianDay)
        return std::nullopt;
    return QDate::fromJulianDay(qint64(std::floor(julianDay + 0.5)));
}

std::optional<QDate> fromText(const QString &stored)
{
    const QString text = stored.trimmed();
    if (const auto shown = DateText::parse(text))
        return shown;
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:[T ].*)?$"));
    if (const QRegularExpressionMatch m = iso.match(text); m.hasMatch()) {
        return ifValid(QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()));
    }
    if (const auto number = NumericText::value(text, QLocale::c()))
        return fromJulianDay(*number);
    return std::nullopt;
}

} // namespace

std::optional<QDate> storedDate(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::QDate: return ifValid(value.toDate());
    case QMetaType::QDateTime: return ifValid(value.toDateTime().date());
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: return fromJulianDay(value.toDouble());
    default: return fromText(value.toString());
    }
}

} // namespace felcora
