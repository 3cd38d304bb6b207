#pragma once

#include <QDate>
#include <QString>
#include <functional>

#include "felcora/felcora_core_export.h"

namespace felcora {

class IDataAccess;
class ITransactions;

// What checking the master file against a taxpayer register found.
struct TaxRegisterCheck
{
    QDate registerDate;
    qint64 lines = 0;     // the register's lines
    qint64 damaged = 0;   // of them, damaged and left out
    QString firstDamaged; // the first ones by number and fault: "12 (corta), 57 (CUIT no numérico)"
    qint64 customers = 0;
    qint64 found = 0; // customers in the register
    qint64 notRegistered = 0;
    qint64 vatDiffers = 0;
    qint64 nameDiffers = 0;
    qint64 badCheckDigit = 0;
    qint64 indexBytes = -1; // the index of the whole register written; -1 none
    QString indexFailure;   // why the index was not written
    qint64 reportRows = -1; // rows written to the report file; -1 when none was asked
};

// Imports the register's zip into the snapshot of the customer database
// (through the data access, in one transaction where transactions are
// given), writes the index of the whole register, checks every customer,
// and, when reportPath is not empty, writes the customers with findings to
// that XLSX or CSV file. status is told how the work goes, a line now and
// then. Failures (a file that is not the register, a database error, a
// report file that cannot be written) are thrown as felcora::Error; the
// previous snapshot stays when the import fails.
FELCORA_CORE_EXPORT TaxRegisterCheck checkTaxRegister(IDataAccess &broker, ITransactions *transactions,
                                                      const QString &zipPath, const QString &reportPath,
                                                      const std::function<void(const QString &)> &status = {});

// The check in a few Spanish lines, for a console.
FELCORA_CORE_EXPORT QString taxRegisterCheckText(const TaxRegisterCheck &check);

} // namespace felcora
