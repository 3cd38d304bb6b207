#pragma once

#include <QList>
#include <QString>

#include "felcora/hostcomponents.h"

namespace felcora::hostkit {

// One row of a code catalogue (benefit regimes, sub-regimes).
struct CatalogueRow
{
    QString code;
    QString description;
};

// The rows of a catalogue table of the customer database, ordered by code:
// its code column and its Descripcion, both trimmed (fixed-width columns pad them).
// A failing query throws the data access's felcora::Error.
QList<CatalogueRow> readCatalogue(IDataAccess &dataAccess, const QString &table, const QString &codeColumn);

} // namespace felcora::hostkit
