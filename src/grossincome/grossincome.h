#pragma once

#include <QString>

#include "felcora/felcora_export.h"

class QWidget;

namespace felcora {
class GrossIncomeStore;
} // namespace felcora

namespace felcora::grossincome {

// Loads the gross-income window (the thread's shared instance) for the
// customer with this CUIT and shows it modally, centred on owner; returns
// when it closes, and it is unloaded then. The window and its line editor
// read and write through the store.
FELCORA_TESTS_EXPORT void showGrossIncome(const GrossIncomeStore &store, const QString &cuit, QWidget *owner);

// The line editor over the customer's distribution: a new line when
// jurisdiction is empty, otherwise the customer's line for it. Answers
// whether a save changed a row.
FELCORA_TESTS_EXPORT bool showJurisdictionLine(const GrossIncomeStore &store, const QString &cuit,
                                               const QString &jurisdiction);

} // namespace felcora::grossincome
