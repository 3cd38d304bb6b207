#pragma once

#include <QString>

#include "felcora/felcora_export.h"

namespace felcora::browser {

// The statements that delete a customer: its row of clientes, and the lines
// of its gross-income distribution. The CUIT is a text literal, exactly as
// given. Benefit relations are kept: a CUIT names one taxpayer for life, and
// a customer entered again finds its relations as they were.
FELCORA_EXPORT QString deleteCustomerSql(const QString &cuit);
FELCORA_EXPORT QString deleteDistributionSql(const QString &cuit);

} // namespace felcora::browser
