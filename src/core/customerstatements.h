#pragma once

#include <QString>

#include "felcora/felcora_core_export.h"

namespace felcora {

struct CustomerRecord;

// The statements on the customer tables, built from plain values. A CUIT is
// a text literal, exactly as given.

// Every customer for the list: the whole rows, by name.
FELCORA_CORE_EXPORT QString customerListSql();

// Every customer for the printed list: what it prints, by name.
FELCORA_CORE_EXPORT QString customerReportSql();

// The whole row of one customer.
FELCORA_CORE_EXPORT QString selectCustomerSql(const QString &cuit);

// Deleting a customer: its row of clientes, and the lines of its gross-income
// distribution. Benefit relations are kept: a CUIT names one taxpayer for
// life, and a customer entered again finds its relations as they were.
FELCORA_CORE_EXPORT QString deleteCustomerSql(const QString &cuit);
FELCORA_CORE_EXPORT QString deleteDistributionSql(const QString &cuit);

// Whether a customer with this CUIT exists (the query has a row then).
FELCORA_CORE_EXPORT QString customerExistsSql(const QString &cuit);

// The conventions of the customer database that a change statement writes in.
struct CustomerLiterals
{
    QString decimalSeparator; // of numeric literals, as the data access reports it ("" means ".")
    QString startDate;        // the date literal of the start of activities (see storedDateText)
};

// Rewrites the customer loaded under loadedCuit with the typed values: every
// column the editors show, the CUIT included. A VAT condition that is not one
// of its list's letters is left as stored; the fee is written only with
// writeFee (it belongs to hosts other than the product's own). Texts are
// stored exactly as typed, but for the place of deposit, whose apostrophes
// are stored as "´".
FELCORA_CORE_EXPORT QString updateCustomerSql(const CustomerRecord &typed, const QString &loadedCuit,
                                              const CustomerLiterals &literals, bool writeFee);

// What hangs off a customer's CUIT, moved to a new one: the distribution
// lines and the benefit relations.
FELCORA_CORE_EXPORT QString moveDistributionSql(const QString &fromCuit, const QString &toCuit);
FELCORA_CORE_EXPORT QString moveBenefitTiesSql(const QString &fromCuit, const QString &toCuit);

} // namespace felcora
