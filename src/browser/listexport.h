#pragma once

#include <QString>
#include <functional>

#include "export/tableexport.h"
#include "felcora/felcora_export.h"

class QWidget;

namespace felcora::browser {

// The text of a row as shown, in a column of the list (a CustomerColumn).
using ShownText = std::function<QString(qsizetype row, int column)>;

// The same as the UTF-8 the list keeps, which spares two conversions of every cell.
using ShownUtf8 = std::function<QByteArrayView(qsizetype row, int column)>;

// The customer list's visible columns (Nombre, Cuit, Direccion, E-Mail) of
// its rows as shown, the CUIT kept as text; utf8, when given, is read instead of text.
FELCORA_TESTS_EXPORT tableexport::TableSource customerListSource(qsizetype rowCount, ShownText text,
                                                                 ShownUtf8 utf8 = {});

// Asks where to export the rows as shown (a save dialog offering XLSX, the
// default, and CSV, opened in the folder of this session's last export) and
// writes them there with exportWithProgress; answers its status text, or ""
// when the user chose no file.
FELCORA_TESTS_EXPORT QString exportShownList(QWidget *parent, const tableexport::TableSource &rows);

// Writes the rows to path, with a progress window that appears when the
// export takes a while and whose Cancelar stops it. Answers the status text:
// the rows written and where, or that the export was cancelled (nothing
// written). A failure is shown in a critical message box and answers "".
FELCORA_TESTS_EXPORT QString exportWithProgress(QWidget *parent, const tableexport::TableSource &rows,
                                                const QString &path);

} // namespace felcora::browser
