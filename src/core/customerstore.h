#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <optional>

#include "core/customerrecord.h"
#include "core/statements.h"
#include "felcora/error.h"
#include "felcora/felcora_core_export.h"

namespace felcora {

class IDataAccess;
class IFormat;
class IRecordset;
class ITransactions;

// The customer tables for the windows: plain values in and out, every
// statement run on the "PERSONAL" connection of the data access.

// Every customer as the list reads them, and as the printed list does: an
// open recordset to read to its end.
FELCORA_CORE_EXPORT std::unique_ptr<IRecordset> openCustomerList(IDataAccess &broker);
FELCORA_CORE_EXPORT std::unique_ptr<IRecordset> openCustomerReport(IDataAccess &broker);

// The customer with this CUIT, or nothing when the data access finds no row;
// the fee only withFee.
FELCORA_CORE_EXPORT std::optional<CustomerRecord> loadCustomer(IDataAccess &broker, IFormat &format,
                                                               const QString &cuit, bool withFee);

// Locks the customer's row until the transaction ends (see lockCustomerSql);
// answers whether the customer is still there.
FELCORA_CORE_EXPORT bool lockCustomer(IDataAccess &broker, const QString &cuit);

// Runs change, a change that must not outlive the customer, in one
// transaction (where the data access offers them) that first locks the
// customer's row; answers false, without running it, when the customer is
// gone. Failures are thrown, after what began has been undone.
template <class F>
bool whileCustomerLocked(IDataAccess &broker, ITransactions *transactions, const QString &cuit, F &&change)
{
    AllOrNothing work(transactions, entity::kPersonal);
    work.begin();
    if (!lockCustomer(broker, cuit))
        return false;
    change();
    work.commit();
    return true;
}

// What deleting a customer did: the clientes rows it removed, and the
// failure that stopped it, if one did.
struct CustomerDeletion
{
    qint64 customersDeleted = 0;
    std::optional<Error> failure;
};

// Deletes the customer's row, then, when a row went, its distribution lines.
// With transactions (may be null) it is all or nothing: a failure undoes the
// row's deletion and reports 0. Without them a failure of the lines still
// reports the row gone, as it is.
FELCORA_CORE_EXPORT CustomerDeletion deleteCustomer(IDataAccess &broker, ITransactions *transactions,
                                                    const QString &cuit);

// A save of the modify window: what the user typed, the customer as the
// window loaded it (what the user changed is told against it, and its CUIT is
// the key), and the stored row the save expects to find: the loaded one, or
// the one another workstation left that the user chose to save over.
struct CustomerEdit
{
    CustomerRecord typed;
    CustomerRecord loaded;
    CustomerRecord expected;
    bool writeFee = false;
};

// What saving a modified customer did.
struct CustomerUpdate
{
    qint64 rowsUpdated = 0;
    bool cuitTaken = false; // the new CUIT belongs to another customer: nothing was written
    // What another workstation changed since the row was as expected: nothing
    // was written, and current holds the row as it is now.
    QList<CustomerField> changedElsewhere;
    CustomerRecord current;
};

// Writes the typed customer over the loaded one with one update statement,
// after reading the row again, locked, and finding it as expected. A start
// date the user left as loaded keeps its stored value; an adjustment the user
// typed is rounded as a new customer's is. When the CUIT changes, the new one
// must be free, and the customer's distribution lines and benefit relations
// move with it. All of it is one transaction where the data access offers
// them. Failures are thrown, after what began has been undone.
FELCORA_CORE_EXPORT CustomerUpdate updateCustomer(IDataAccess &broker, IFormat &format, ITransactions *transactions,
                                                  const CustomerEdit &edit);

// What saving a new customer did.
struct CustomerInsert
{
    qint64 rowsInserted = 0;
    bool cuitTaken = false; // a customer with this CUIT exists: nothing was written
};

// Adds the typed customer, its CUIT as typed (blanks included), when no
// customer has that CUIT yet: the test and the insert all or nothing where
// the data access offers transactions, so that of two workstations adding
// the same CUIT one is told it exists. Failures are thrown.
FELCORA_CORE_EXPORT CustomerInsert insertCustomer(IDataAccess &broker, ITransactions *transactions,
                                                  const CustomerRecord &typed, bool writeFee);

// The agents of the accounting database that are not customers yet: an open
// query whose rows PendingCustomer::read reads.
FELCORA_CORE_EXPORT OpenedQuery openPendingCustomers(IDataAccess &broker);

} // namespace felcora
