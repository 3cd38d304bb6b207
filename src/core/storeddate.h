#pragma once

#include <QDate>
#include <QVariant>
#include <optional>

#include "felcora/felcora_core_export.h"

namespace felcora {

// The day a stored date column holds, whatever form the database or an older
// program left it in: a date or a date and time of the driver, text in the
// display form (dd/mm/yyyy) or ISO form with one- or two-digit month and day
// ("2001-3-5", "2001-03-05 00:00:00"), or a Julian day number (SQLite's
// julianday(), as a number or its text). Nothing for a null, or for a value
// that names no day.
FELCORA_CORE_EXPORT std::optional<QDate> storedDate(const QVariant &value);

} // namespace felcora
