#include "browser/listexport.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>
#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <optional>

#include "browser/customerlist.h"
#include "browser/customerlistfill.h"
#include "browser/customertable.h"
#include "core/customerstore.h"
#include "felcora/customerlistexport.h"
#include "felcora/error.h"
#include "felcora/hostcomponents.h"
#include "ui/handlerguard.h"
#include "ui/msgbox.h"
#include "ui/pointer.h"

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

} // namespace

tableexport::TableSource customerListSource(qsizetype rowCount, ShownText text, ShownUtf8 utf8)
{
    tableexport::TableSource source;
    source.headers = kShownHeaders;
    source.rowCount = rowCount;
    source.text
        = [text = std::move(text)](qsizetype row, int column) { return text(row, kShownColumns[size_t(column)]); };
    // The database does not check UTF-8: bytes another program stored in
    // another encoding would make the file unreadable. Such a cell goes as its
    // text, where each invalid byte became a replacement character.
    if (utf8)
        source.utf8 = [utf8 = std::move(utf8), text = source.text,
                       repaired = std::make_shared<QByteArray>()](qsizetype row, int column) -> QByteArrayView {
            const QByteArrayView bytes = utf8(row, kShownColumns[size_t(column)]);
            if (bytes.isValidUtf8())
                return bytes;
            *repaired = text(row, column).toUtf8();
            return *repaired;
        };
    source.textColumns = {int(std::find(kShownColumns.begin(), kShownColumns.end(), kCuit) - kShownColumns.begin())};
    source.sheetName = kSheetName;
    return source;
}

QString exportShownList(QWidget *parent, const tableexport::TableSource &rows)
{
    QFileDialog dialog(parent, QStringLiteral("Exportar la lista"), lastFolder());
    dialog.setObjectName(QStringLiteral("dlgExportar"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({kXlsxFilter, kCsvFilter});
    dialog.selectNameFilter(kXlsxFilter);
    dialog.setDefaultSuffix(kXlsxSuffix);
    dialog.selectFile(kSheetName + u'.' + kXlsxSuffix);
    // A name typed without extension takes the chosen filter's, and so does the offered one.
    // With the name box empty the dialog answers its folder, which is no name to keep.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     guarded(&dialog, "filterSelected", [&dialog](const QString &filter) {
                         const QString suffix = filter == kCsvFilter ? kCsvSuffix : kXlsxSuffix;
                         dialog.setDefaultSuffix(suffix);
                         const QStringList typed = dialog.selectedFiles();
                         if (!typed.isEmpty() && !QFileInfo(typed.constFirst()).isDir())
                             dialog.selectFile(withSuffix(typed.constFirst(), suffix));
                     }));
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
    // Finishing the file (a book compressed) runs no events: nothing could
    // cancel it, so the window shows it without Cancelar, under the hourglass.
    std::optional<WaitPointer> finishing;
    const auto done = [&progress, &finishing] {
        finishing.reset();
        progress.reset();
        progress.hide();
    };
    try {
        const tableexport::ExportResult result
            = tableexport::exportTable(rows, path, [&progress, &finishing](qsizetype written, qsizetype total) {
                  if (written == total && !progress.wasCanceled()) {
                      progress.setLabelText(QStringLiteral("Terminando el archivo..."));
                      progress.setCancelButtonText(QString());
                      progress.show();
                      finishing.emplace();
                  }
                  progress.setValue(int(written * kProgressSteps / total));
                  return !progress.wasCanceled();
              });
        done();
        if (result.cancelled)
            return QStringLiteral("Exportación cancelada: no se escribió %1")
                .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
        return exportedCustomersText(result.rowsWritten, QFileInfo(path).absoluteFilePath());
    } catch (const Error &e) {
        done(); // the failure is told over the list, not over a window that still offers Cancelar
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

QString exportedCustomersText(qsizetype rows, const QString &path)
{
    const QString where = QDir::toNativeSeparators(path);
    return rows == 1 ? QStringLiteral("1 cliente exportado a %1").arg(where)
                     : QStringLiteral("%L1 clientes exportados a %2").arg(rows).arg(where);
}

int exportCustomerList(IDataAccess &broker, const QString &path)
{
    tableexport::requireFormat(path); // before a million rows are read
    PlainFormat format;
    const CustomerStore store({&broker, &format, nullptr}, nullptr, false);
    // Read as the list reads it: the names ordered on a thread of their own meanwhile.
    browser::CustomerListFill fill(store);
    while (!fill.readFor(std::numeric_limits<int>::max())) {}
    browser::CustomerTable table = fill.take();
    const browser::CustomerTable::Order &byName = table.sortedBy(browser::kNombre);
    const auto shown
        = [&table, &byName](qsizetype row, int column) { return table.text(qsizetype(byName[size_t(row)]), column); };
    const auto shownUtf8
        = [&table, &byName](qsizetype row, int column) { return table.utf8(qsizetype(byName[size_t(row)]), column); };
    return int(
        tableexport::exportTable(browser::customerListSource(table.rowCount(), shown, shownUtf8), path).rowsWritten);
}

} // namespace felcora
