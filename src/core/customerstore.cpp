#include "core/customerstore.h"

#include "core/customerrules.h"
#include "core/customerstatements.h"
#include "core/numberliterals.h"
#include "core/statements.h"
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

std::optional<CustomerRecord> loadCustomer(IDataAccess &broker, IFormat &format, const QString &cuit)
{
    const OpenedQuery query = openQuery(broker, entity::kPersonal, selectCustomerSql(cuit));
    if (!query.hasRow)
        return std::nullopt;
    return CustomerRecord::read(*query.rs, format);
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

CustomerUpdate updateCustomer(IDataAccess &broker, ITransactions *transactions, const CustomerRecord &typed,
                              const QString &loadedCuit, bool writeFee)
{
    QString personal = entity::kPersonal;
    CustomerLiterals literals;
    literals.decimalSeparator = broker.getDecimalSeparatorbyEntity(personal);
    literals.startDate = broker.getDateFormatbyEntity(personal, storedDateText(typed.finitactiv));
    const QString update = updateCustomerSql(typed, loadedCuit, literals, writeFee);

    CustomerUpdate result;
    if (typed.cuit == loadedCuit) {
        result.rowsUpdated = runStatement(broker, personal, update);
        return result;
    }
    AllOrNothing work(transactions, personal);
    work.begin();
    if (customerExists(broker, typed.cuit)) {
        result.cuitTaken = true;
        return result;
    }
    result.rowsUpdated = runStatement(broker, personal, update);
    if (result.rowsUpdated > 0) {
        runStatement(broker, personal, moveDistributionSql(loadedCuit, typed.cuit));
        runStatement(broker, personal, moveBenefitTiesSql(loadedCuit, typed.cuit));
    }
    work.commit();
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
    literals.adjustment =
        broker.getNumberFormatbyEntity(personal, numberLiteral(typed.ajxVinc4102, literals.decimalSeparator),
                                       qint16(kAdjustmentDecimals));
    result.rowsInserted = runStatement(broker, personal, insertCustomerSql(typed, literals, writeFee));
    work.commit();
    return result;
}

OpenedQuery openPendingCustomers(IDataAccess &broker)
{
    return openQuery(broker, entity::kPersonal, pendingCustomersSql());
}

} // namespace felcora
