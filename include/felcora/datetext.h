#pragma once

#include <QDate>
#include <QString>
#include <optional>

#include "felcora/felcora_core_export.h"

namespace felcora {

// Dates in this component are day, month and year in every locale: shown as
// "dd/mm/yyyy", and read back as a day and a month of one or two digits and a
// year of two or four, in that order, separated by "/", "-" or "."; a
// two-digit year means 1930 to 2029. What is shown always reads back as the
// same date, whatever the user's locale writes first.
struct FELCORA_CORE_EXPORT DateText
{
    static std::optional<QDate> parse(const QString &text);
    static bool isDate(const QString &text) { return parse(text).has_value(); }
    // The display form, "dd/mm/yyyy".
    static QString display(const QDate &date) { return date.toString(QStringLiteral("dd/MM/yyyy")); }
};

} // namespace felcora
