#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <span>

#include "felcora/felcora_core_export.h"

namespace felcora {

struct SnapshotInfo;
namespace taxregister {
struct RegisterLine;
}

// The statements of the register's snapshot: two tables of the customer
// database, padron (the register's line of each customer found) and
// padron_archivo (one line: which register, when). Dates are kept as text
// (yyyy-MM-dd and yyyy-MM-dd HH:mm:ss) so that every database reads them alike.

// The tables, created when a query of none of their rows fails (every
// database has CREATE TABLE; not every one has IF NOT EXISTS).
FELCORA_CORE_EXPORT QString createSnapshotTableSql();
FELCORA_CORE_EXPORT QString createSnapshotInfoTableSql();
FELCORA_CORE_EXPORT QString probeSnapshotTableSql();
FELCORA_CORE_EXPORT QString probeSnapshotInfoTableSql();

FELCORA_CORE_EXPORT QString deleteSnapshotSql();
FELCORA_CORE_EXPORT QString deleteSnapshotInfoSql();
// One insert of many lines at once: a million customers in a few thousand statements.
FELCORA_CORE_EXPORT QString insertSnapshotSql(std::span<const taxregister::RegisterLine> lines);
FELCORA_CORE_EXPORT QString insertSnapshotInfoSql(const SnapshotInfo &info);

FELCORA_CORE_EXPORT QString selectSnapshotInfoSql();
FELCORA_CORE_EXPORT QString selectSnapshotOfSql(const QString &cuit);
FELCORA_CORE_EXPORT QString selectCustomerCuitsSql();
// Every customer's CUIT (cliente_cuit), name (cliente_nombre) and customs VAT
// condition, with the snapshot's columns of its CUIT (null when it has none).
FELCORA_CORE_EXPORT QString selectCustomersToCheckSql();

// The snapshot's dates as kept.
FELCORA_CORE_EXPORT QDate snapshotDateOf(const QString &text);
FELCORA_CORE_EXPORT QDateTime snapshotTimeOf(const QString &text);

// How many lines one insert carries.
constexpr int kSnapshotLinesPerInsert = 500;

} // namespace felcora
