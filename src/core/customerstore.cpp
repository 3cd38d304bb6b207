#include "core/customerstore.h"

#include "core/customerrules.h"
#include "core/customerstatements.h"
#include "core/numberliterals.h"
#include "core/statements.h"
#include "felcora/datetext.h"
#include "felcora/error.h"
#include "felcora/hostcomponents.h"

namespace felcora {

namespace {

bool customerExists(IDataAccess &broker, const QString &cuit)
{
    return openQuery(broker, entity::kPersonal, customerExistsSql(cuit)).hasRow;
}

} // namespace

std::unique_ptr<IRecordset> openCustomerList(IDataAccess &broker)
{
    return openQuery(broker, entity::kPersonal, customerListSql()).rs;
}

std::unique_ptr<IRecordset> openCustomerReport(IDataAccess &broker)
{
    return openQuery(broker, entity::kPersonal, customerReportSql()).rs;
}

std::optional<CustomerRecord> loadCustomer(IDataAccess &broker, IFormat &format, const QString &cuit, bool withFee)
{
    const OpenedQuery query = openQuery(broker, entity::kPersonal, selectCustomerSql(cuit));
    if (!query.hasRow)
        return std::nullopt;
    return CustomerRecord::read(*query.rs, format, withFee);
}

bool lockCustomer(IDataAccess &broker, const QString &cuit)
{
    return runStatement(broker, entity::kPersonal, lockCustomerSql(cuit)) > 0;
}

CustomerDeletion deleteCustomer(IDataAccess &broker, ITransactions *transactions, const QString &cuit)
{
    CustomerDeletion result;
    AllOrNothing work(transactions, entity::kPersonal);
    try {
        work.begin();
        result.customersDeleted = runStatement(broker, entity::kPersonal, deleteCustomerSql(cuit));
        if (result.customersDeleted > 0)
            runStatement(broker, entity::kPersonal, deleteDistributionSql(cuit));
        work.commit();
    } catch (const Error &e) {
        result.failure = e;
        if (work.rollBack())
            result.customersDeleted = 0;
    }
    return result;
}

namespace {

// The literals of an update: what the user left as loaded is written as stored.
CustomerLiterals updateLiterals(IDataAccess &broker, const CustomerEdit &edit)
{
    QString personal = entity::kPersonal;
    const CustomerRecord &typed = edit.typed;
    CustomerLiterals literals;
    literals.decimalSeparator = broker.getDecimalSeparatorbyEntity(personal);
    const auto typedDate = DateText::parse(typed.finitactiv);
    const bool dateAsLoaded = typedDate && typedDate == DateText::parse(edit.loaded.finitactiv);
    literals.startDate
        = dateAsLoaded ? kKeepStartDate : broker.getDateFormatbyEntity(personal, storedDateText(typed.finitactiv));
    const QString adjustment = numberLiteral(typed.ajxVinc4102, literals.decimalSeparator);
    literals.adjustment = typed.ajxVinc4102 == edit.loaded.ajxVinc4102
        ? adjustment
        : broker.getNumberFormatbyEntity(personal, adjustment, qint16(kAdjustmentDecimals));
    return literals;
}

} // namespace

CustomerUpdate updateCustomer(IDataAccess &broker, IFormat &format, ITransactions *transactions,
                              const CustomerEdit &edit)
{
    const QString &personal = entity::kPersonal;
    const QString &loadedCuit = edit.loaded.cuit;
    const QString &newCuit = edit.typed.cuit;
    const QString update = updateCustomerSql(edit.typed, loadedCuit, updateLiterals(broker, edit), edit.writeFee);

    // A customer gone meanwhile updates no row.
    CustomerUpdate result;
    try {
        whileCustomerLocked(broker, transactions, loadedCuit, [&] {
            const auto current = loadCustomer(broker, format, loadedCuit, edit.writeFee);
            if (!current)
                return;
            result.changedElsewhere = changedFields(edit.expected, *current, edit.writeFee);
            if (!result.changedElsewhere.isEmpty()) {
                result.current = *current;
                return;
            }
            if (newCuit != loadedCuit && customerExists(broker, newCuit)) {
                result.cuitTaken = true;
                return;
            }
            result.rowsUpdated = runStatement(broker, personal, update);
            if (result.rowsUpdated > 0 && newCuit != loadedCuit) {
                runStatement(broker, personal, moveDistributionSql(loadedCuit, newCuit));
                runStatement(broker, personal, moveBenefitTiesSql(loadedCuit, newCuit));
            }
        });
    } catch (const Error &e) {
        // Another workstation took the new CUIT between the test above and the
        // update: the work was undone, and the user is told the CUIT is taken.
        if (e.number() != errnum::kDuplicateKey || newCuit == loadedCuit)
            throw;
        CustomerUpdate taken;
        taken.cuitTaken = true;
        return taken;
    }
    return result;
}

CustomerInsert insertCustomer(IDataAccess &broker, ITransactions *transactions, const CustomerRecord &typed,
                              bool writeFee)
{
    QString personal = entity::kPersonal;
    CustomerInsert result;
    AllOrNothing work(transactions, personal);
    work.begin();
    if (customerExists(broker, typed.cuit)) {
        result.cuitTaken = true;
        return result;
    }
    CustomerLiterals literals;
    literals.decimalSeparator = broker.getDecimalSeparatorbyEntity(personal);
    literals.startDate = broker.getDateFormatbyEntity(personal, storedDateText(typed.finitactiv));
    literals.adjustment = broker.getNumberFormatbyEntity(
        personal, numberLiteral(typed.ajxVinc4102, literals.decimalSeparator), qint16(kAdjustmentDecimals));
    try {
        result.rowsInserted = runStatement(broker, personal, insertCustomerSql(typed, literals, writeFee));
    } catch (const Error &e) {
        // Another workstation stored the CUIT between the test above and the insert.
        if (e.number() != errnum::kDuplicateKey)
            throw;
        result.cuitTaken = true;
        return result;
    }
    work.commit();
    return result;
}

OpenedQuery openPendingCustomers(IDataAccess &broker)
{
    return openQuery(broker, entity::kPersonal, pendingCustomersSql());
}

} // namespace felcora
