#pragma once

#include <QString>
#include <QtGlobal>

#include "felcora/hostkit/hostkit_data_export.h"

namespace felcora::hostkit {

struct DemoOptions
{
    qint64 customers = 300;  // rows written into clientes
    qint64 agents = 60;      // accounting agents written into AGENTES
    quint32 seed = 20261206; // same seed, same data
};

struct DemoSummary
{
    qint64 customers = 0;     // clientes rows actually added
    qint64 agents = 0;        // AGENTES rows actually added
    qint64 pendingAgents = 0; // added agents of generator 1 whose document is not a customer CUIT
};

// Writes realistic demo data into existing databases that already hold the schema.
// personalDb: the customer database file; accountingDb: the accounting database file.
// Customers are appended: CUITs already present are skipped and replaced by new ones,
// so the customer count always grows by options.customers. Agents take the next free
// ID_AGENTE numbers; agents 1 and 2 are the generators (roles 2 and 3) and are added
// only when missing.
// Throws felcora::Error on any SQLite failure, described in Spanish with the file
// and SQLite's message, and SQLite's extended result code as number.
FELCORA_HOSTKIT_DATA_EXPORT DemoSummary generateDemoData(const QString &personalDb, const QString &accountingDb,
                                                         const DemoOptions &options = {});

} // namespace felcora::hostkit
