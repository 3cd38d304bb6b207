#pragma once

#include <QString>
#include <memory>

#include "felcora/felcora_export.h"
#include "report/reportpreview.h"

namespace felcora {
class IDataAccess;
class IRecordset;
} // namespace felcora

namespace felcora::browser {

// The printed customer list: title, the column headings on every page, one
// line per customer, and in every page's footer when it was printed and
// "Página N de M", as designed in twips. Its sections and fields carry their
// names (Sección1 ... Sección5, drTxt_Nombre ... drTxt_Telefono,
// drTxt_FechaImpresion, drTxt_Pagina).
FELCORA_TESTS_EXPORT report::ReportDefinition customerListReport();

// The list's preview window (the thread's shared report instance).
class FELCORA_TESTS_EXPORT Dr_ListadoClientes : public report::ReportPreview
{
    Q_OBJECT
public:
    Dr_ListadoClientes();
};

// Previews the printed customer list (F12 in the list); returns when the
// preview closes. A failure is reported in a message box.
FELCORA_TESTS_EXPORT void ImprimirListadoClientes(IDataAccess &broker);

} // namespace felcora::browser
