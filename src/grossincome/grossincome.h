#pragma once

#include <QString>

#include "felcora/felcora_export.h"

class QWidget;

namespace felcora {
class IDataAccess;
class IFormat;
class ITransactions;
} // namespace felcora

namespace felcora::grossincome {

// What the gross-income windows work with: the thread's data access (with
// its transactions, where it offers them) and format component.
struct GrossIncomeSession
{
    IDataAccess *broker = nullptr;
    IFormat *format = nullptr;
    ITransactions *transactions = nullptr;
};

// Loads the gross-income window (the thread's shared instance) for the
// customer with this CUIT and shows it modally, centred on owner; returns
// when it closes, and it is unloaded then.
FELCORA_TESTS_EXPORT void showGrossIncome(const GrossIncomeSession &session, const QString &cuit, QWidget *owner);

// The line editor over the customer's distribution: a new line when
// jurisdiction is empty, otherwise the customer's line for it. Answers
// whether a save changed a row.
FELCORA_TESTS_EXPORT bool showJurisdictionLine(const GrossIncomeSession &session, const QString &cuit,
                                               const QString &jurisdiction);

} // namespace felcora::grossincome
