#pragma once

#include <QString>

#include "felcora/felcora_core_export.h"

namespace felcora {

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

} // namespace felcora
