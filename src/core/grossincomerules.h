#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include "felcora/felcora_core_export.h"

namespace felcora {

// A customer's gross-income tax: its condition, the Convenio Multilateral,
// its inscription number, and the distribution of its tax base over
// jurisdictions (table DIB, the names in JRD). Its values, and the checks and
// texts of its windows; the statements are in grossincomestatements.h.
namespace grossincome {
// The conditions, as their positions in the condition list and as stored in CIB.
enum Condition : int { kInscripto = 0, kNoInscripto = 1, kExento = 2 };
// A share is shown, added up and tested with this many decimals.
constexpr int kShareDecimals = 4;
} // namespace grossincome

// The columns of clientes this tax keeps.
struct FELCORA_CORE_EXPORT GrossIncomeData
{
    int condition = grossincome::kInscripto; // a position of the condition list
    bool convenio = false;
    QString inscription;

    bool operator==(const GrossIncomeData &) const = default;
};

// One line of the distribution: a jurisdiction, its share of the tax base
// (a fraction of 1) and whether the customer is exempt there.
struct FELCORA_CORE_EXPORT DistributionLine
{
    QString jurisdiction; // JRDNRO as stored
    double share = 0.0;
    bool exempt = false;

    bool operator==(const DistributionLine &) const = default;
};

// A jurisdiction of JRD: its number and its name, as stored.
struct FELCORA_CORE_EXPORT Jurisdiction
{
    QString number;
    QString name;

    bool operator==(const Jurisdiction &) const = default;
};

// A share as the user reads it: 4 decimals in the locale's notation.
FELCORA_CORE_EXPORT QString shareText(double share, const QLocale &locale = QLocale());
// A share rounded to the 4 decimals it is shown with, as the total adds it.
FELCORA_CORE_EXPORT double shownShare(double share);
// The total of the lines, each share as shown.
FELCORA_CORE_EXPORT double distributionTotal(const QList<DistributionLine> &lines);

// How the total line is coloured: nothing loaded, part of the base, exactly
// 1.5 and above it. A negative total is shown as wrong as one above 1.5.
enum class TotalShade { Empty, Partial, Exact, Over };
FELCORA_CORE_EXPORT TotalShade totalShade(double total);

// Whether a sum of shares is 1 once shown with 4 decimals.
FELCORA_CORE_EXPORT bool sumIsOne(double sum);
// The question asked when an inscribed customer's shares do not sum to 1,
// the sum in its plain text (at most 15 significant digits, no trailing zeros).
FELCORA_CORE_EXPORT QString sumQuestion(double sum);

// The captions of the values of data that differ from loaded, in the
// window's order: what another workstation changed since the window loaded them.
FELCORA_CORE_EXPORT QStringList changedGrossIncome(const GrossIncomeData &loaded, const GrossIncomeData &data);

// The inscription number as stored: its apostrophes as blanks.
FELCORA_CORE_EXPORT QString inscriptionText(const QString &typed);

} // namespace felcora
