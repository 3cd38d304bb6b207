#pragma once

#include <QList>
#include <QStringList>
#include <memory>

#include "felcora/felcora_export.h"
#include "report/reportdefinition.h"
#include "taxregister/registercheck.h"

class QWidget;

namespace felcora {
class IRecordset;
}

namespace felcora::taxregister {

// The printed check, on landscape A4: the title "Control contra el padrón"
// and the lines given under it (the snapshot, the rows chosen), the columns'
// headings on every page, one line per customer, and in every page's footer
// when it was printed and "Página N de M". Its fields are bound to the
// columns of checkTable by their headers.
FELCORA_TESTS_EXPORT report::ReportDefinition registerCheckReport(const QStringList &headerLines);

// The rows as a recordset for the report: the columns of checkTable, named by
// their headers, over a copy of the rows.
FELCORA_TESTS_EXPORT std::unique_ptr<IRecordset> checkRecordset(QList<CheckRow> rows);

// Previews the printed check of these rows (the preview "Dr_ControlPadron"
// over parent); returns when it closes.
FELCORA_TESTS_EXPORT void previewRegisterCheck(QWidget *parent, const QList<CheckRow> &rows,
                                               const QStringList &headerLines);

} // namespace felcora::taxregister
