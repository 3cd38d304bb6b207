#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "felcora/error.h"
#include "felcora/felcora_core_export.h"

namespace felcora {

class IDataAccess;
class ITransactions;

// A benefit regime tied to a customer (a row of VentajasRel): the regime,
// optionally narrowed to a sub-regime and a tariff position. A tie is known by
// all of its values together.
struct FELCORA_CORE_EXPORT BenefitTie
{
    QString ventaja;
    QString subRegimen;
    QString ncm;

    bool operator==(const BenefitTie &) const = default;
};

// The statements on VentajasRel. Values are stored exactly as typed or picked.
FELCORA_CORE_EXPORT QString benefitTiesSql(const QString &cuit);
FELCORA_CORE_EXPORT QString insertBenefitTieSql(const BenefitTie &tie, const QString &cuit);
// A tie shown with an empty sub-regime or position also matches a row that
// has none stored (NULL), so that every tie the list shows can be deleted.
FELCORA_CORE_EXPORT QString deleteBenefitTieSql(const BenefitTie &tie, const QString &cuit);

// The customer's ties in the order the database gives them, each value as
// stored (a missing one as ""), so that a tie can be deleted as it was read.
// A failure keeps the ties read before it.
struct BenefitTieList
{
    QList<BenefitTie> ties;
    std::optional<Error> failure;
};
FELCORA_CORE_EXPORT BenefitTieList loadBenefitTies(IDataAccess &broker, const QString &cuit);

// Whether the customer has this tie already (the query has a row then);
// empty values match as in deleteBenefitTieSql.
FELCORA_CORE_EXPORT QString benefitTieExistsSql(const BenefitTie &tie, const QString &cuit);

// What adding a tie did.
struct TieAddition
{
    qint64 rowsInserted = 0;
    bool customerGone = false; // no customer has the CUIT any more: nothing was written
    bool duplicate = false;    // the customer has this tie already: nothing was written
};

// Adds the tie to the customer, which must still exist and not have it yet:
// the tests and the insert all or nothing where the data access offers
// transactions. Failures are thrown.
FELCORA_CORE_EXPORT TieAddition addBenefitTie(IDataAccess &broker, ITransactions *transactions, const BenefitTie &tie,
                                              const QString &cuit);
// The rows the data access deleted.
FELCORA_CORE_EXPORT qint64 deleteBenefitTie(IDataAccess &broker, const BenefitTie &tie, const QString &cuit);

} // namespace felcora
