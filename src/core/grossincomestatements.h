#pragma once

#include <QString>

#include "felcora/felcora_core_export.h"

namespace felcora {

struct GrossIncomeData;

// The statements on the gross-income tables, built from plain values: the
// customer's columns of clientes, its lines (DIB) and the jurisdictions (JRD).
// A CUIT, a jurisdiction number or an inscription number is a text literal
// (sqlText), exactly as given.

FELCORA_CORE_EXPORT QString grossIncomeSql(const QString &cuit);
FELCORA_CORE_EXPORT QString distributionSql(const QString &cuit);
FELCORA_CORE_EXPORT QString jurisdictionsSql();
FELCORA_CORE_EXPORT QString deleteDistributionLineSql(const QString &cuit, const QString &jurisdiction);
// numberExpression: DIBVALOR with 4 decimals in the database's dialect.
FELCORA_CORE_EXPORT QString distributionSumSql(const QString &cuit, const QString &numberExpression);
// The condition, the rate it implies (2.5 for inscribed and not inscribed, 0
// for exempt), the Convenio Multilateral and the inscription number.
FELCORA_CORE_EXPORT QString updateGrossIncomeSql(const GrossIncomeData &data, const QString &cuit);
// The customer's gross-income rate, as the modify window keeps it.
FELCORA_CORE_EXPORT QString grossIncomeRateSql(const QString &cuit);
FELCORA_CORE_EXPORT QString distributionLineSql(const QString &cuit, const QString &jurisdiction);
FELCORA_CORE_EXPORT QString distributionLineExistsSql(const QString &cuit, const QString &jurisdiction);
// shareLiteral: the share as a numeric literal of the database.
FELCORA_CORE_EXPORT QString insertDistributionLineSql(const QString &cuit, const QString &jurisdiction,
                                                      const QString &shareLiteral, bool exempt);
// Rewrites the line of `fromJurisdiction`, which may move to another jurisdiction.
FELCORA_CORE_EXPORT QString updateDistributionLineSql(const QString &cuit, const QString &fromJurisdiction,
                                                      const QString &jurisdiction, const QString &shareLiteral,
                                                      bool exempt);

} // namespace felcora
