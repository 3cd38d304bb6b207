#pragma once

#include <QDate>
#include <QString>

#include "felcora/felcora_core_export.h"

// What the taxpayer register says about a customer, and how it is compared
// with the master file.
namespace felcora {

// The register's data of one taxpayer as stored in the snapshot: every code
// as the register writes it, trimmed.
struct RegisterRecord
{
    QString cuit;
    QString name;
    QString incomeTax;  // NI, AC, EX, NC
    QString vat;        // NI, AC, EX, NA, XN, AN
    QString simplified; // NI, or the category of the simplified regime
    QString partner;    // S or N
    QString employer;   // S or N
    QString activity;
};

// The register's VAT condition in the master's terms. A category of the
// simplified regime makes a taxpayer Monotributo whatever its VAT code says;
// otherwise AC is Responsable Inscripto, EX and XN Exento, NI and NA No
// Inscripto. AN, a blank and any other code cannot be mapped: Unknown.
enum class RegisterVat { Unknown, ResponsableInscripto, Monotributo, Exento, NoInscripto };

FELCORA_CORE_EXPORT RegisterVat registerVat(const QString &vat, const QString &simplified);
// "Responsable Inscripto", "Monotributo", "Exento", "No Inscripto"; for Unknown
// the register's own codes ("IVA AN", "sin dato").
FELCORA_CORE_EXPORT QString registerVatText(const RegisterRecord &record);

// Whether the master's condiva (the customs VAT letter: S Responsable
// Inscripto, N Responsable No Inscripto, M Monotributo) agrees with the
// register. S agrees with Responsable Inscripto, M with Monotributo, and N,
// the only letter the master has for a taxpayer outside VAT, with No
// Inscripto. The master has no letter for Exento, so an exempt taxpayer never
// agrees; an Unknown condition is not compared (agrees).
FELCORA_CORE_EXPORT bool vatAgrees(const QString &condiva, RegisterVat vat);

// The master's condiva letter a register condition proposes for a new
// customer ("S", "M", "N"), or "" when the master has none (Exento, Unknown).
FELCORA_CORE_EXPORT QString condivaFor(RegisterVat vat);

// A name as compared with the register's: upper case, without accents,
// punctuation or repeated blanks, initials run together (S.A. and S A as SA),
// and the company types written out shortened ("SOCIEDAD ANONIMA" as SA,
// "SOCIEDAD DE RESPONSABILIDAD LIMITADA" as SRL).
FELCORA_CORE_EXPORT QString comparableName(const QString &name);

// Whether the master's name is the register's. The register keeps 30
// characters: a register name that fills them agrees with a master name that
// begins with it.
FELCORA_CORE_EXPORT bool namesAgree(const QString &masterName, const QString &registerName);

// What the check found about one customer; a customer may have several.
enum FindingKind : unsigned {
    kNotRegistered = 1u << 0, // its CUIT is not in the register
    kVatDiffers = 1u << 1,
    kNameDiffers = 1u << 2,
    kBadCheckDigit = 1u << 3, // its CUIT fails the check digit (or is not eleven digits)
};
constexpr unsigned kAllFindings = kNotRegistered | kVatDiffers | kNameDiffers | kBadCheckDigit;

// The findings of a customer: its CUIT, name and condiva, and the register's
// record of its CUIT (null when the register does not have it).
FELCORA_CORE_EXPORT unsigned findingsOf(const QString &cuit, const QString &name, const QString &condiva,
                                        const RegisterRecord *registered);

// "No figura en el padrón", "IVA distinto", "Nombre distinto", "CUIT inválido",
// joined with "; " in that order.
FELCORA_CORE_EXPORT QString findingsText(unsigned kinds);

// A snapshot older than this many days is shown as old.
constexpr int kSnapshotAgeDays = 45;
FELCORA_CORE_EXPORT bool snapshotIsOld(const QDate &registerDate, const QDate &today);

} // namespace felcora
