#pragma once

#include <QString>
#include <optional>

#include "felcora/felcora_export.h"
#include "taxregister/registercheck.h"

class QWidget;

namespace felcora::taxregister {

// Asks for the register's zip to import (an open dialog offering
// "Padrón (*.zip)", in the folder of this session's last one); nothing when
// the user chose none.
FELCORA_TESTS_EXPORT std::optional<QString> askRegisterZip(QWidget *parent);

// Imports the register's zip (importRegister) with a progress window whose
// Cancelar stops it, the phase shown as it goes: "Leyendo los clientes: N",
// "Leyendo el padrón: P %", "Guardando el padrón de N clientes". Answers the
// import, or nothing when it was cancelled or failed; a cancelled or failed
// import leaves the previous snapshot and index as they were, and a failure
// is shown in a critical message box.
FELCORA_TESTS_EXPORT std::optional<ImportResult> importWithProgress(QWidget *parent, const RegisterStore &store,
                                                                    const QString &zipPath, const QString &indexPath);

// Checks every customer (checkCustomers) under the hourglass, with a progress
// window counting them when it takes a while. It has no Cancelar: a check cut
// short would pass a part of the customers for all of them. Failures are thrown.
FELCORA_TESTS_EXPORT CheckReport checkWithProgress(QWidget *parent, const RegisterStore &store);

} // namespace felcora::taxregister
