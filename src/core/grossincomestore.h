#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "core/grossincomerules.h"
#include "core/storecontext.h"
#include "felcora/felcora_core_export.h"

namespace felcora {

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

// What adding a line did.
struct LineAddition
{
    qint64 rowsInserted = 0;
    bool customerGone = false; // no customer has the CUIT any more: nothing was written
};

// The gross-income tables for the windows: plain values in and out, the
// customer's columns and its lines on "PERSONAL", the jurisdictions on
// "SYSTABLAS", through the host components it was made with. Failures are
// thrown. Every query is read to its end before the next statement runs.
class FELCORA_CORE_EXPORT GrossIncomeStore
{
public:
    explicit GrossIncomeStore(const StoreContext &context)
        : m_context(context)
    {
    }

    // The condition, Convenio Multilateral and inscription number stored for
    // the customer; nothing when it has no row.
    std::optional<GrossIncomeData> load(const QString &cuit) const;
    // Stores the condition with its rate, the Convenio Multilateral and the
    // inscription number, after reading them again, locked, and finding them
    // as expected (nothing expected: the window found no row to load); one
    // transaction where the data access offers them.
    GrossIncomeSave save(const QString &cuit, const GrossIncomeData &data,
                         const std::optional<GrossIncomeData> &expected) const;
    // The customer's gross-income rate as stored, as the format component's numeric text.
    std::optional<QString> loadRate(const QString &cuit) const;

    // The customer's lines by jurisdiction number.
    QList<DistributionLine> loadLines(const QString &cuit) const;
    // The sum of the customer's shares, each with 4 decimals, as the format
    // component reads it (0 for no lines); nothing when the query gave no row.
    std::optional<double> distributionSum(const QString &cuit) const;
    // One line of the customer; nothing when it has none for that jurisdiction.
    std::optional<DistributionLine> loadLine(const QString &cuit, const QString &jurisdiction) const;
    bool lineExists(const QString &cuit, const QString &jurisdiction) const;
    // Add or rewrite a line from the typed share (written in the conventions
    // of "INTERNOS"); both tell the rows changed. A line is added only to a
    // customer that still exists, the test and the insert all or nothing
    // where the data access offers transactions.
    LineAddition addLine(const QString &cuit, const QString &jurisdiction, const QString &typedShare,
                         bool exempt) const;
    qint64 updateLine(const QString &cuit, const QString &fromJurisdiction, const QString &jurisdiction,
                      const QString &typedShare, bool exempt) const;
    // The rows deleted.
    qint64 deleteLine(const QString &cuit, const QString &jurisdiction) const;

    // Every jurisdiction by number.
    QList<Jurisdiction> loadJurisdictions() const;

private:
    // The typed share as a numeric literal, in the conventions of "INTERNOS".
    QString shareLiteral(const QString &typedShare) const;

    StoreContext m_context;
};

} // namespace felcora
