#pragma once

#include <QByteArrayView>

#include "felcora/hostkit/hostkit_data_export.h"

struct sqlite3;

namespace felcora::hostkit {

// Names in Spanish order on SQLite, exactly as the office server's "es-AR"
// collation sorts them: ICU's Spanish collator with its default strength
// (accents, then case, only break ties of the letters; Ñ follows N), and
// texts it finds equal ordered by their bytes. Statements name it in ORDER BY
// only: the schema never does, so the sqlite3 shell can still use the file.
inline constexpr char kSpanishCollation[] = "es_ar";

// Negative, zero or positive as UTF-8 text a sorts before, with or after b.
FELCORA_HOSTKIT_DATA_EXPORT int compareSpanish(QByteArrayView a, QByteArrayView b);

// Registers the collation on a connection, with a collator of its own that is
// freed with it. Throws the component's error when it cannot.
FELCORA_HOSTKIT_DATA_EXPORT void registerSpanishCollation(sqlite3 *db);

} // namespace felcora::hostkit
