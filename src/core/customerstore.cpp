#include "core/customerstore.h"

#include "core/customerrules.h"
#include "core/customerstatements.h"
#include "core/errortrap.h"
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

std::unique_ptr<IRecordset> openCustomerReport(IDataAccess &broker)
{
    return openQuery(broker, entity::kPersonal, customerReportSql()).rs;
}

bool lockCustomer(IDataAccess &broker, const QString &cuit)
{
    return runStatement(broker, entity::kPersonal, lockCustomerSql(cuit)) > 0;
}

CustomerStore::CustomerStore(const StoreContext &context, IListing *listing, bool keepsFee,
                             PendingImport *pendingImport)
    : m_context(context)
    , m_listing(listing)
    , m_keepsFee(keepsFee)
    , m_pendingImport(pendingImport)
{
}

std::unique_ptr<IRecordset> CustomerStore::openList() const
{
    return openQuery(*m_context.broker, entity::kPersonal, customerListSql()).rs;
}

std::unique_ptr<IRecordset> CustomerStore::openListHead(int rows) const
{
    return openQuery(*m_context.broker, entity::kPersonal, customerListHeadSql(rows)).rs;
}

std::optional<CustomerRecord> CustomerStore::load(const QString &cuit) const
{
    const OpenedQuery query = openQuery(*m_context.broker, entity::kPersonal, selectCustomerSql(cuit));
    if (!query.hasRow)
        return std::nullopt;
    return CustomerRecord::read(*query.rs, *m_context.format, m_keepsFee);
}

CustomerDeletion CustomerStore::remove(const QString &cuit) const
{
    IDataAccess &broker = *m_context.broker;
    CustomerDeletion result;
    AllOrNothing work(m_context.transactions, entity::kPersonal);
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

CustomerUpdate CustomerStore::update(const CustomerEdit &edit) const
{
    IDataAccess &broker = *m_context.broker;
    const QString &personal = entity::kPersonal;
    const QString &loadedCuit = edit.loaded.cuit;
    const QString &newCuit = edit.typed.cuit;
    const QString update = updateCustomerSql(edit.typed, loadedCuit, updateLiterals(broker, edit), m_keepsFee);

    // A customer gone meanwhile updates no row.
    CustomerUpdate result;
    try {
        whileLocked(loadedCuit, [&] {
            const auto current = load(loadedCuit);
            if (!current)
                return;
            result.changedElsewhere = changedFields(edit.expected, *current, m_keepsFee);
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

CustomerInsert CustomerStore::insert(const CustomerRecord &typed) const
{
    IDataAccess &broker = *m_context.broker;
    QString personal = entity::kPersonal;
    CustomerInsert result;
    AllOrNothing work(m_context.transactions, personal);
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
        result.rowsInserted = runStatement(broker, personal, insertCustomerSql(typed, literals, m_keepsFee));
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

BenefitTieList CustomerStore::loadBenefitTies(const QString &cuit) const
{
    BenefitTieList list;
    try {
        const OpenedQuery query = openQuery(*m_context.broker, entity::kPersonal, benefitTiesSql(cuit));
        for (IRecordset &rs = *query.rs; !rs.Eof(); rs.MoveNext()) {
            list.ties.append({rs.Fields(QStringLiteral("IdVentaja")).toString(),
                              rs.Fields(QStringLiteral("idsubregimen")).toString(),
                              rs.Fields(QStringLiteral("NCM")).toString()});
        }
    } catch (const std::exception &) {
        list.failure = currentError();
    }
    return list;
}

TieAddition CustomerStore::addBenefitTie(const BenefitTie &tie, const QString &cuit) const
{
    IDataAccess &broker = *m_context.broker;
    TieAddition result;
    result.customerGone = !whileLocked(cuit, [&] {
        result.duplicate = openQuery(broker, entity::kPersonal, benefitTieExistsSql(tie, cuit)).hasRow;
        if (!result.duplicate)
            result.rowsInserted = runStatement(broker, entity::kPersonal, insertBenefitTieSql(tie, cuit));
    });
    return result;
}

qint64 CustomerStore::deleteBenefitTie(const BenefitTie &tie, const QString &cuit) const
{
    return runStatement(*m_context.broker, entity::kPersonal, deleteBenefitTieSql(tie, cuit));
}

PendingCustomerList CustomerStore::readPendingCustomers() const
{
    PendingCustomerList list;
    try {
        const OpenedQuery query = openQuery(*m_context.broker, entity::kPersonal, pendingCustomersSql());
        list.found = query.hasRow;
        if (!list.found)
            return list;
        for (IRecordset &rs = *query.rs; !rs.Eof(); rs.MoveNext())
            list.agents.append(PendingCustomer::read(rs));
    } catch (const std::exception &) {
        list.failure = currentError();
    }
    return list;
}

QString CustomerStore::pickVentaja() const
{
    return m_listing->getVentajasListado();
}

QString CustomerStore::pickSubRegimen() const
{
    return m_listing->getSubRegimenListado();
}

} // namespace felcora
