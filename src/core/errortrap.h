#pragma once

#include <QString>

#include "felcora/error.h"
#include "felcora/felcora_core_export.h"

namespace felcora {

// What a trap does with the exception in flight; call these inside a catch block.

// The exception in flight as a component error: a component error as it is,
// any other standard exception with its message (number 0, no source). An
// exception of any other type is not the component's to translate: it goes on.
FELCORA_CORE_EXPORT Error currentError();

// Raises the exception in flight again as error `number` of a routine: the
// routine's section before the failure's source, and " - LINEA " with the
// number of the failing line after its description.
[[noreturn]] FELCORA_CORE_EXPORT void rethrowWithLine(qint32 number, const QString &section, int line);

} // namespace felcora
