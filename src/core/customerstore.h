#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <optional>

#include "core/customerrecord.h"
#include "core/statements.h"
#include "core/storecontext.h"
#include "felcora/error.h"
#include "felcora/felcora_core_export.h"

namespace felcora {

class IDataAccess;
class IListing;
class IRecordset;
class ITransactions;

// Every customer for the printed list, which is handed the data access: an
// open recordset of what it prints, to read to its end.
FELCORA_CORE_EXPORT std::unique_ptr<IRecordset> openCustomerReport(IDataAccess &broker);

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

// A save of the modify window: what the user typed, the customer as the
// window loaded it (what the user changed is told against it, and its CUIT is
// the key), and the stored row the save expects to find: the loaded one, or
// the one another workstation left that the user chose to save over.
struct CustomerEdit
{
    CustomerRecord typed;
    CustomerRecord loaded;
    CustomerRecord expected;
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

// What saving a new customer did.
struct CustomerInsert
{
    qint64 rowsInserted = 0;
    bool cuitTaken = false; // a customer with this CUIT exists: nothing was written
};

// The customer's benefit ties in the order the database gives them, each
// value as stored (a missing one as ""), so that a tie can be deleted as it
// was read. A failure keeps the ties read before it.
struct BenefitTieList
{
    QList<BenefitTie> ties;
    std::optional<Error> failure;
};

// What adding a tie did.
struct TieAddition
{
    qint64 rowsInserted = 0;
    bool customerGone = false; // no customer has the CUIT any more: nothing was written
    bool duplicate = false;    // the customer has this tie already: nothing was written
};

// The agents of the accounting database that are not customers yet, in the
// order the database gives them.
struct PendingCustomerList
{
    bool found = false; // the data access reported a row
    QList<PendingCustomer> agents;
    // The failure that stopped the reading: at the query (nothing found), or
    // among the rows (the agents read before it are kept).
    std::optional<Error> failure;
};

// The customer tables as the customer windows use them: plain values in and
// out, every statement run on the "PERSONAL" connection of the data access.
// Made by the entry classes for one opening of a window, and copied freely:
// it holds the host components, not their state.
class FELCORA_CORE_EXPORT CustomerStore
{
public:
    // A store with no host components: what a window holds before its load
    // step. It keeps the fee, as a host other than the product does.
    CustomerStore() = default;
    // keepsFee: the fee is read and written (every host but the product
    // itself, which has the gross-income window instead). listing: the pick
    // windows of the benefit ties (may be null where nothing is picked).
    // pendingImport: where the pending-customers window keeps its fields
    // between openings; null, for the time of one opening of the new-customer window.
    CustomerStore(const StoreContext &context, IListing *listing, bool keepsFee,
                  PendingImport *pendingImport = nullptr);

    const StoreContext &context() const { return m_context; }
    bool keepsFee() const { return m_keepsFee; }
    PendingImport *pendingImport() const { return m_pendingImport; }

    // Every customer as the list reads them: an open recordset to read to its end.
    std::unique_ptr<IRecordset> openList() const;
    // The first customers by name, at most `rows`: an open recordset.
    std::unique_ptr<IRecordset> openListHead(int rows) const;

    // The customer with this CUIT, or nothing when the data access finds no
    // row; the fee only where the store keeps it.
    std::optional<CustomerRecord> load(const QString &cuit) const;

    // See whileCustomerLocked.
    template <class F> bool whileLocked(const QString &cuit, F &&change) const
    {
        return whileCustomerLocked(*m_context.broker, m_context.transactions, cuit, std::forward<F>(change));
    }

    // Writes the typed customer over the loaded one with one update statement,
    // after reading the row again, locked, and finding it as expected. A start
    // date the user left as loaded keeps its stored value; an adjustment the
    // user typed is rounded as a new customer's is. When the CUIT changes, the
    // new one must be free, and the customer's distribution lines and benefit
    // relations move with it. All of it is one transaction where the data
    // access offers them. Failures are thrown, after what began has been undone.
    CustomerUpdate update(const CustomerEdit &edit) const;

    // Adds the typed customer, its CUIT as typed (blanks included), when no
    // customer has that CUIT yet: the test and the insert all or nothing where
    // the data access offers transactions, so that of two workstations adding
    // the same CUIT one is told it exists. Failures are thrown.
    CustomerInsert insert(const CustomerRecord &typed) const;

    // Deletes the customer's row, then, when a row went, its distribution
    // lines. With transactions it is all or nothing: a failure undoes the
    // row's deletion and reports 0. Without them a failure of the lines still
    // reports the row gone, as it is.
    CustomerDeletion remove(const QString &cuit) const;

    BenefitTieList loadBenefitTies(const QString &cuit) const;
    // Adds the tie to the customer, which must still exist and not have it
    // yet: the tests and the insert all or nothing where the data access
    // offers transactions. Failures are thrown.
    TieAddition addBenefitTie(const BenefitTie &tie, const QString &cuit) const;
    // The rows the data access deleted.
    qint64 deleteBenefitTie(const BenefitTie &tie, const QString &cuit) const;

    PendingCustomerList readPendingCustomers() const;

    // The listing component's pick windows for a benefit regime and a
    // sub-regime: the code picked, "" for none.
    QString pickVentaja() const;
    QString pickSubRegimen() const;

private:
    StoreContext m_context;
    IListing *m_listing = nullptr;
    bool m_keepsFee = true;
    PendingImport *m_pendingImport = nullptr;
};

} // namespace felcora
