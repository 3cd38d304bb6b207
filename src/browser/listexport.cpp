#include "browser/listexport.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>
#include <array>

#include "browser/customerlist.h"
#include "browser/customertable.h"
#include "core/customerstore.h"
#include "felcora/customerlistexport.h"
#include "felcora/error.h"
#include "felcora/hostcomponents.h"
#include "ui/msgbox.h"

namespace felcora::browser {

namespace {

// The columns the list shows, in its order, with their headers.
constexpr std::array kShownColumns{kNombre, kCuit, kDireccion, kEMail};
const QStringList kShownHeaders{QStringLiteral("Nombre"), QStringLiteral("Cuit"), QStringLiteral("Direccion"),
                                QStringLiteral("E-Mail")};
const QString kSheetName = QStringLiteral("Clientes");

constexpr int kProgressDelayMs = 500;
// The progress bar counts thousandths: any number of rows fits it.
constexpr int kProgressSteps = 1000;

const QString kXlsxFilter = QStringLiteral("Libro de Excel (*.xlsx)");
const QString kCsvFilter = QStringLiteral("Texto separado por punto y coma (*.csv)");
const QString kXlsxSuffix = QStringLiteral("xlsx");
const QString kCsvSuffix = QStringLiteral("csv");

// Where the save dialog opens: the folder of this session's last export.
QString &lastFolder()
{
    static QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder;
}

// The file's name with the suffix of the chosen filter, when it had the other one.
QString withSuffix(const QString &path, const QString &suffix)
{
    const QFileInfo file(path);
    if (!tableexport::formatOf(path) || file.suffix() == suffix)
        return file.fileName();
    return file.completeBaseName() + u'.' + suffix;
}

QString exportedText(qsizetype rows, const QString &path)
{
    const QString where = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    return rows == 1 ? QStringLiteral("1 cliente exportado a %1").arg(where)
                     : QStringLiteral("%L1 clientes exportados a %2").arg(rows).arg(where);
}

} // namespace

tableexport::TableSource customerListSource(qsizetype rowCount, ShownText text, ShownUtf8 utf8)
{
    tableexport::TableSource source;
    source.headers = kShownHeaders;
    source.rowCount = rowCount;
    source.text
        = [text = std::move(text)](qsizetype row, int column) { return text(row, kShownColumns[size_t(column)]); };
    if (utf8)
        source.utf8
            = [utf8 = std::move(utf8)](qsizetype row, int column) { return utf8(row, kShownColumns[size_t(column)]); };
    source.textColumns = {int(std::find(kShownColumns.begin(), kShownColumns.end(), kCuit) - kShownColumns.begin())};
    source.sheetName = kSheetName;
    return source;
}

QString exportShownList(QWidget *parent, const tableexport::TableSource &rows)
{
    QFileDialog dialog(parent, QStringLiteral("Exportar la lista"), lastFolder());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({kXlsxFilter, kCsvFilter});
    dialog.selectNameFilter(kXlsxFilter);
    dialog.setDefaultSuffix(kXlsxSuffix);
    dialog.selectFile(kSheetName + u'.' + kXlsxSuffix);
    // A name typed without extension takes the chosen filter's, and so does the offered one.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &filter) {
        const QString suffix = filter == kCsvFilter ? kCsvSuffix : kXlsxSuffix;
        dialog.setDefaultSuffix(suffix);
        const QStringList typed = dialog.selectedFiles();
        if (!typed.isEmpty())
            dialog.selectFile(withSuffix(typed.constFirst(), suffix));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString path = dialog.selectedFiles().constFirst();
    lastFolder() = QFileInfo(path).absolutePath();
    return exportWithProgress(parent, rows, path);
}

QString exportWithProgress(QWidget *parent, const tableexport::TableSource &rows, const QString &path)
{
    QProgressDialog progress(QStringLiteral("Exportando la lista..."), QStringLiteral("Cancelar"), 0, kProgressSteps,
                             parent);
    progress.setWindowTitle(QString::fromLatin1(kComponentTitle));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kProgressDelayMs);
    // After the last row the file is still being finished (a book compressed):
    // the window stays, saying so, until the export returns.
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setValue(0);
    try {
        const tableexport::ExportResult result
            = tableexport::exportTable(rows, path, [&progress](qsizetype done, qsizetype total) {
                  if (done == total)
                      progress.setLabelText(QStringLiteral("Terminando el archivo..."));
                  progress.setValue(int(done * kProgressSteps / total));
                  return !progress.wasCanceled();
              });
        progress.reset();
        if (result.cancelled)
            return QStringLiteral("Exportación cancelada: no se escribió %1")
                .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
        return exportedText(result.rowsWritten, path);
    } catch (const Error &e) {
        progress.reset();
        MsgBox(e.description(), vbCritical);
        return {};
    }
}

} // namespace felcora::browser

namespace felcora {

namespace {

// The list's hidden columns (royalties, adjustment) are read through a format
// component, but their texts are not exported: any plain text does.
class PlainFormat final : public IFormat
{
public:
    QString EsNumero(const QVariant &value) override { return value.toString(); }
    QString EsNull(const QVariant &value) override { return value.toString(); }
};

} // namespace

int exportCustomerList(IDataAccess &broker, const QString &path)
{
    tableexport::requireFormat(path); // before a million rows are read
    PlainFormat format;
    const CustomerStore store({&broker, &format, nullptr}, nullptr, false);
    browser::CustomerTable table = browser::readCustomerList(store);
    const browser::CustomerTable::Order &byName = table.sortedBy(browser::kNombre);
    const auto shown
        = [&table, &byName](qsizetype row, int column) { return table.text(qsizetype(byName[size_t(row)]), column); };
    const auto shownUtf8
        = [&table, &byName](qsizetype row, int column) { return table.utf8(qsizetype(byName[size_t(row)]), column); };
    return int(
        tableexport::exportTable(browser::customerListSource(table.rowCount(), shown, shownUtf8), path).rowsWritten);
}

} // namespace felcora
