#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include "core/registerrules.h"
#include "core/registerstore.h"
#include "export/tableexport.h"
#include "felcora/felcora_core_export.h"
#include "taxregister/registerscan.h"

// Checking the master file against the taxpayer register: the import of a
// register's zip into the snapshot (and the index of the whole register), the
// check of every customer against the snapshot, and what the register says of
// a CUIT typed for a new customer.
namespace felcora::taxregister {

// Where the index of the whole register is kept: the file FELCORA_PADRON_INDICE
// names, or padron.indice in the folder of the embedded databases.
FELCORA_CORE_EXPORT QString defaultIndexPath();

// The register's line as the snapshot keeps it.
FELCORA_CORE_EXPORT RegisterRecord recordOf(const RegisterLine &line);

enum class ImportPhase {
    Customers, // reading the master's CUITs (done: customers read; total: 0, unknown)
    Register,  // reading the register (done, total: bytes of its text)
    Snapshot,  // writing the snapshot (done, total: customers found)
};
// Called as the work goes on; answering false cancels it, and then nothing is
// changed: the previous snapshot and index stay as they were.
using ImportProgress = std::function<bool(ImportPhase phase, qint64 done, qint64 total)>;

struct ImportResult
{
    bool cancelled = false;
    SnapshotInfo info;
    qint64 customers = 0; // in the master file
    qint64 found = 0;     // of them, in the register
    qint64 repeated = 0;  // further lines of a customer found, left out
    QList<DamagedLine> firstDamaged;
    qint64 indexBytes = -1; // the index's size; -1 when none was built
    // Why the index could not be written (a full disk), after the snapshot was:
    // the old index stays, and the import itself is done.
    QString indexFailure;
};

// The damaged lines kept, by number and what is wrong with them: "12 (corta),
// 57 (CUIT no numérico)"; "" for none.
FELCORA_CORE_EXPORT QString damagedLinesText(const QList<DamagedLine> &lines);

// Reads the register's zip once: keeps the master's customers in the
// snapshot, replacing the previous one in one transaction, and, when
// indexPath is not empty, writes the index of the whole register there.
// Failures (see RegisterZip) are thrown as felcora::Error, and leave the
// previous snapshot and index as they were.
FELCORA_CORE_EXPORT ImportResult importRegister(const RegisterStore &store, const QString &zipPath,
                                                const QString &indexPath, const ImportProgress &progress = {});

// One customer with something to check, as the report lists it.
struct CheckRow
{
    QString cuit;
    QString name;
    QString condiva; // the master's letter, trimmed
    std::optional<RegisterRecord> registered;
    unsigned kinds = 0; // FindingKind flags
};

struct CheckReport
{
    std::optional<SnapshotInfo> snapshot; // none: no register imported yet (and no rows)
    qint64 customers = 0;                 // checked
    QList<CheckRow> rows;                 // those with findings, in the database's order
    bool cancelled = false;               // stopped by the progress: rows holds what was checked
};

// Checks every customer against the snapshot. progress gets ImportPhase::Customers.
FELCORA_CORE_EXPORT CheckReport checkCustomers(const RegisterStore &store, const ImportProgress &progress = {});

// The report's rows as a table for export and print, with the headers
// "Cliente", "CUIT", "Observación", "IVA en el maestro", "IVA en el padrón",
// "Nombre en el padrón"; the CUIT kept as text. The table reads rows, which
// must outlive it.
FELCORA_CORE_EXPORT tableexport::TableSource checkTable(const QList<CheckRow> &rows);
enum CheckColumn { kCheckName, kCheckCuit, kCheckFindings, kCheckMasterVat, kCheckRegisterVat, kCheckRegisterName };

// The master's condiva letter as the customs list names it ("Responsable
// Inscripto", "Responsable No Inscripto", "Monotributo"), or "(sin condición)".
FELCORA_CORE_EXPORT QString condivaText(const QString &condiva);

// What the register says of a CUIT typed for a new customer: from the index of
// the whole register when there is one, else from the snapshot (the master's
// customers only). Nothing for a CUIT that is not eleven digits with a valid
// check digit.
struct RegisterAnswer
{
    RegisterRecord record;
    QDate registerDate;
};
FELCORA_CORE_EXPORT std::optional<RegisterAnswer> lookUpCuit(const RegisterStore &store, const QString &indexPath,
                                                             const QString &cuit);

} // namespace felcora::taxregister
