#pragma once

#include <QString>

#include "felcora/felcora_core_export.h"

namespace felcora {

// A CUIT has 11 digits, the last one a check digit computed from the first
// ten with the weights 5,4,3,2,7,6,5,4,3,2: 11 - (sum mod 11), where 11 gives
// 0 and 10 means that no number with those ten digits is issued.

constexpr int kCuitLength = 11;

// The check digit of ten digits of value 0 to 9, or -1 when none is issued.
FELCORA_CORE_EXPORT int cuitCheckDigitOf(const int (&digits)[10]);

// The check digit for ten digits, or -1 when the input is not exactly ten
// ASCII digits or no check digit exists for it.
FELCORA_CORE_EXPORT int cuitCheckDigit(const QString &firstTenDigits);

// True for exactly eleven ASCII digits whose last one is the check digit of the others.
FELCORA_CORE_EXPORT bool isValidCuit(const QString &cuit);

// Who a CUIT belongs to, by its first two digits: 20, 23, 24 and 27 persons;
// 30, 33 and 34 companies; 50, 51 and 55 the generic CUITs of foreign parties.
enum class CuitClass { Unknown, Person, Company, ForeignGeneric };
FELCORA_CORE_EXPORT CuitClass cuitClass(const QString &cuit);

// A short hint on a CUIT as typed, shown beside its box and never blocking:
// its class by the prefix and how its check digit fares ("Persona física ·
// dígito verificador correcto"), what is missing while it is typed, or that a
// CUIT is digits alone. Empty for an empty text.
FELCORA_CORE_EXPORT QString cuitHint(const QString &typed);

} // namespace felcora
