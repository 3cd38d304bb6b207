#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "felcora/felcora_core_export.h"

// Writing a table as a list shows it (its rows in order, its visible columns
// with their headers) to a spreadsheet file: XLSX or CSV, by the file's extension.
namespace felcora::tableexport {

enum class FileFormat { Xlsx, Csv };

// The rows to write, whatever holds them: text(row, column) for row 0 to
// rowCount - 1 and column 0 to headers.size() - 1.
struct TableSource
{
    QStringList headers;
    qsizetype rowCount = 0;
    std::function<QString(qsizetype row, int column)> text;
    // The same texts as UTF-8, where the source keeps them so: used instead of
    // text, it spares two conversions of every cell. May be left empty.
    std::function<QByteArrayView(qsizetype row, int column)> utf8;
    // Columns of codes made of digits (a CUIT) that a spreadsheet must keep as
    // text, every digit, instead of taking them for numbers.
    QList<int> textColumns;
    // The XLSX sheet's name (at most 31 characters, none of []:*?/\); empty, "Hoja1".
    QString sheetName;
};

// Called as rows are written, with the rows done and the total; answering
// false stops the export, which then leaves no file behind.
using Progress = std::function<bool(qsizetype done, qsizetype total)>;

struct ExportResult
{
    qsizetype rowsWritten = 0;
    bool cancelled = false; // stopped by the progress: nothing was written
};

// The format the file's extension asks for (.xlsx or .csv, any case); none for any other.
FELCORA_CORE_EXPORT std::optional<FileFormat> formatOf(const QString &path);

// The format the file's extension asks for; any other extension is refused
// (thrown as felcora::Error, saying which ones are offered).
FELCORA_CORE_EXPORT FileFormat requireFormat(const QString &path);

// Writes the table to path in the format its extension names. The file is
// written beside the target and takes its name only when complete: a
// cancelled or failed export leaves an existing file as it was and no
// temporary file behind; a read-only file is not replaced. Failures (an
// extension not offered, a missing or unwritable folder, a full disk, more rows or a longer text than an XLSX
// sheet holds) are thrown as felcora::Error with a Spanish description.
// In CSV, a field a spreadsheet would take for a formula (one that begins
// with =, +, -, @, a tab or a CR, other than a lone -) is written with a
// leading apostrophe, which marks it as text: opening the file never runs it.
FELCORA_CORE_EXPORT ExportResult exportTable(const TableSource &table, const QString &path,
                                             const Progress &progress = {});

} // namespace felcora::tableexport
