#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "core/grossincomerules.h"
#include "felcora/felcora_core_export.h"

namespace felcora {

class IDataAccess;
class IFormat;
class ITransactions;

// The gross-income tables for the windows: plain values in and out, the
// customer's columns and its lines on "PERSONAL", the jurisdictions on
// "SYSTABLAS". Failures are thrown. Every query is read to its end before
// the next statement runs.

// The condition, Convenio Multilateral and inscription number stored for the
// customer; nothing when it has no row.
FELCORA_CORE_EXPORT std::optional<GrossIncomeData> loadGrossIncome(IDataAccess &broker, IFormat &format,
                                                                   const QString &cuit);
// The customer's lines by jurisdiction number.
FELCORA_CORE_EXPORT QList<DistributionLine> loadDistribution(IDataAccess &broker, IFormat &format, const QString &cuit);
// Every jurisdiction by number.
FELCORA_CORE_EXPORT QList<Jurisdiction> loadJurisdictions(IDataAccess &broker, IFormat &format);
// The rows deleted.
FELCORA_CORE_EXPORT qint64 deleteDistributionLine(IDataAccess &broker, const QString &cuit,
                                                  const QString &jurisdiction);
// The sum of the customer's shares, each with 4 decimals, as the format
// component reads it (0 for no lines); nothing when the query gave no row.
FELCORA_CORE_EXPORT std::optional<double> readDistributionSum(IDataAccess &broker, IFormat &format,
                                                              const QString &cuit);
// What storing the customer's gross-income columns did.
struct GrossIncomeSave
{
    bool saved = false;
    bool customerGone = false; // no customer has the CUIT any more: nothing was written
    // What another workstation changed since the columns were as expected
    // (captions): nothing was written, and current holds them as they are now.
    QStringList changedElsewhere;
    GrossIncomeData current;
};

// Stores the condition with its rate, the Convenio Multilateral and the
// inscription number, after reading them again, locked, and finding them as
// expected (nothing expected: the window found no row to load); one
// transaction where the data access offers them.
FELCORA_CORE_EXPORT GrossIncomeSave saveGrossIncome(IDataAccess &broker, IFormat &format, ITransactions *transactions,
                                                    const GrossIncomeData &data,
                                                    const std::optional<GrossIncomeData> &expected,
                                                    const QString &cuit);

// The customer's gross-income rate as stored, as the format component's numeric text.
FELCORA_CORE_EXPORT std::optional<QString> loadGrossIncomeRate(IDataAccess &broker, IFormat &format,
                                                               const QString &cuit);

// One line of the customer; nothing when it has none for that jurisdiction.
FELCORA_CORE_EXPORT std::optional<DistributionLine>
loadDistributionLine(IDataAccess &broker, IFormat &format, const QString &cuit, const QString &jurisdiction);
FELCORA_CORE_EXPORT bool distributionLineExists(IDataAccess &broker, const QString &cuit, const QString &jurisdiction);
// What adding a line did.
struct LineAddition
{
    qint64 rowsInserted = 0;
    bool customerGone = false; // no customer has the CUIT any more: nothing was written
};

// Add or rewrite a line from the typed share (written in the conventions of
// "INTERNOS"); both tell the rows changed. A line is added only to a
// customer that still exists, the test and the insert all or nothing where
// the data access offers transactions.
FELCORA_CORE_EXPORT LineAddition addDistributionLine(IDataAccess &broker, ITransactions *transactions,
                                                     const QString &cuit, const QString &jurisdiction,
                                                     const QString &typedShare, bool exempt);
FELCORA_CORE_EXPORT qint64 updateDistributionLine(IDataAccess &broker, const QString &cuit,
                                                  const QString &fromJurisdiction, const QString &jurisdiction,
                                                  const QString &typedShare, bool exempt);

} // namespace felcora
