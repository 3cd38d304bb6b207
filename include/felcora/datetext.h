#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <optional>

#include "felcora/felcora_export.h"

namespace felcora {

// The date test of typed text: a day, month and year in the locale's order,
// separated by "/", "-" or "."; a two-digit year means 1930 to 2029.
struct FELCORA_EXPORT DateText
{
    static std::optional<QDate> parse(const QString &text, const QLocale &locale = QLocale());
    static bool isDate(const QString &text, const QLocale &locale = QLocale()) { return parse(text, locale).has_value(); }
    // The display form, "dd/mm/yyyy".
    static QString display(const QDate &date) { return date.toString(QStringLiteral("dd/MM/yyyy")); }
};

} // namespace felcora
