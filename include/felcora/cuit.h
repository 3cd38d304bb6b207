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
// Unknown for any other prefix, and for a text shorter than two characters.
enum class CuitClass { Unknown, Person, Company, ForeignGeneric };
FELCORA_CORE_EXPORT CuitClass cuitClass(const QString &cuit);

// A short hint on a CUIT as typed, shown beside its box and never blocking.
// Blanks at its ends do not count (the save leaves them out too). The class
// reads "Persona física", "Persona jurídica", "CUIT genérico de extranjero"
// or "Prefijo 12 desconocido"; the hint is then:
//   ""                                     for an empty text;
//   "Un CUIT lleva solo dígitos"           for any character other than 0-9;
//   "Faltan 10 dígitos"                    for one digit, no class yet;
//   "<class>: faltan 3 dígitos"            while it is typed ("falta 1 dígito");
//   "<class>: sobran 2 dígitos"            past eleven ("sobra 1 dígito");
//   "<class> · dígito verificador correcto"
//   "<class> · dígito verificador incorrecto (debería ser 7)"
//   "<class> · no existe CUIT con esos diez dígitos"   when no check digit is issued for them.
FELCORA_CORE_EXPORT QString cuitHint(const QString &typed);

} // namespace felcora
