#pragma once

#include "../report/reportpreview.h"
#include "felcora/felcora_export.h"

namespace felcora::browser {

// The printed customer list: title, the column headings on every page and
// one line per customer, as designed in twips.
FELCORA_EXPORT report::ReportDefinition customerListReport();

// The list's preview window (the thread's shared report instance).
class FELCORA_EXPORT Dr_ListadoClientes : public report::ReportPreview
{
    Q_OBJECT
public:
    Dr_ListadoClientes();
};

} // namespace felcora::browser
