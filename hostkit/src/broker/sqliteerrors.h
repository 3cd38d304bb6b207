#pragma once

#include <QString>

#include "felcora/hostkit/hostkit_data_export.h"

namespace felcora::hostkit {

// What an SQLite failure means to the user, in Spanish, naming the database
// file it concerns; SQLite's own text follows in parentheses. extendedCode is
// SQLite's (extended) result code; the text names a missing table or column.
FELCORA_HOSTKIT_DATA_EXPORT QString describeSqliteError(int extendedCode, const QString &driverText,
                                                        const QString &file);

} // namespace felcora::hostkit
