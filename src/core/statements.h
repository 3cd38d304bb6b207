#pragma once

#include <QString>
#include <memory>

#include "felcora/felcora_core_export.h"

namespace felcora {

class IDataAccess;
class IRecordset;
class ITransactions;

// An open query: its recordset, and whether the data access reported a row
// (CrearRs's answer, which some callers take as an existence test).
struct OpenedQuery
{
    std::unique_ptr<IRecordset> rs;
    bool hasRow = false;
};

// The three steps of every statement: the entity's connection, its Sql, then
// CrearRs for a query or Ejecutar for a change (the rows changed).
FELCORA_CORE_EXPORT OpenedQuery openQuery(IDataAccess &broker, const QString &entity, const QString &sql);
FELCORA_CORE_EXPORT qint64 runStatement(IDataAccess &broker, const QString &entity, const QString &sql);

// Work on one entity that must be all or nothing: begin(), the statements,
// commit(). Where the data access offers no transactions the statements run
// one by one as plain statements, and a failure leaves what ran before it.
// Leaving without commit() rolls back what began.
class FELCORA_CORE_EXPORT AllOrNothing
{
public:
    AllOrNothing(ITransactions *transactions, QString entity);
    ~AllOrNothing();
    AllOrNothing(const AllOrNothing &) = delete;
    AllOrNothing &operator=(const AllOrNothing &) = delete;

    void begin();
    void commit();
    // After a failure: undoes what ran since begin(). True when it was undone;
    // false without transactions, or when the rollback itself failed.
    bool rollBack() noexcept;

private:
    ITransactions *m_transactions;
    QString m_entity;
    bool m_open = false;
};

// The entities the component's statements run on.
namespace entity {
inline const QString kPersonal = QStringLiteral("PERSONAL");   // clientes, DIB, VentajasRel, the accounting tables
inline const QString kSystables = QStringLiteral("SYSTABLAS"); // JRD
inline const QString kInternos = QStringLiteral("INTERNOS");   // number conventions only
} // namespace entity

} // namespace felcora
