#include "taxregister/importprogress.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>

#include "felcora/error.h"
#include "ui/msgbox.h"
#include "ui/pointer.h"

namespace felcora::taxregister {

namespace {

constexpr int kProgressDelayMs = 500;
// The work tells its progress many times a second: the window is redrawn,
// and Cancelar read, this often at most.
constexpr qint64 kRefreshMs = 50;
constexpr int kPercent = 100;

const QString kZipFilter = QStringLiteral("Padrón (*.zip)");

// Where the open dialog starts: the folder of this session's last register.
QString &lastFolder()
{
    static QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return folder;
}

// A progress window over work that tells its progress on this thread: it
// shows when the work takes a while, a busy bar while the total is unknown.
class WorkProgress
{
public:
    // cancelText empty: no Cancelar.
    WorkProgress(QWidget *parent, const QString &objectName, const QString &cancelText)
        : m_dialog(QString(), cancelText, 0, 0, parent)
    {
        m_dialog.setObjectName(objectName);
        m_dialog.setWindowTitle(QString::fromLatin1(kComponentTitle));
        m_dialog.setWindowModality(Qt::WindowModal);
        if (cancelText.isEmpty())
            m_dialog.setCancelButton(nullptr);
        m_dialog.setAutoReset(false);
        m_dialog.setAutoClose(false);
        m_dialog.setMinimumDuration(kProgressDelayMs); // shown by the dialog's own timer once that long has gone
        m_sinceRefresh.start();
    }

    // Shows the text and the bar (done of total; a busy bar for total 0) when
    // the phase changed or a while has gone since the last time, and lets the
    // window's events run; answers false once Cancelar was pressed.
    bool tell(int phase, const QString &text, qint64 done, qint64 total)
    {
        if (phase == m_phase && !m_sinceRefresh.hasExpired(kRefreshMs))
            return !m_dialog.wasCanceled();
        m_phase = phase;
        m_sinceRefresh.restart();
        m_dialog.setMaximum(total > 0 ? kPercent : 0);
        m_dialog.setLabelText(text);
        m_dialog.setValue(total > 0 ? int(std::clamp(done, qint64(0), total) * kPercent / total) : 0);
        // Until the window shows, the user's keys wait.
        QCoreApplication::processEvents(m_dialog.isVisible() ? QEventLoop::AllEvents
                                                             : QEventLoop::ExcludeUserInputEvents);
        return !m_dialog.wasCanceled();
    }

    // Gone before a failure is told, so that it is not told over a window that still offers Cancelar.
    void close() { m_dialog.hide(); }

private:
    QProgressDialog m_dialog;
    QElapsedTimer m_sinceRefresh;
    int m_phase = -1; // none told yet
};

QString phaseText(ImportPhase phase, qint64 done, qint64 total)
{
    switch (phase) {
    case ImportPhase::Customers: return QStringLiteral("Leyendo los clientes: %L1").arg(done);
    case ImportPhase::Register:
        return QStringLiteral("Leyendo el padrón: %1 %").arg(total > 0 ? done * kPercent / total : 0);
    case ImportPhase::Snapshot: break;
    }
    return QStringLiteral("Guardando el padrón de %L1 clientes").arg(total);
}

} // namespace

std::optional<QString> askRegisterZip(QWidget *parent)
{
    QFileDialog dialog(parent, QStringLiteral("Importar el padrón"), lastFolder());
    dialog.setObjectName(QStringLiteral("dlgPadron"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({kZipFilter});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString path = dialog.selectedFiles().constFirst();
    lastFolder() = QFileInfo(path).absolutePath();
    return path;
}

std::optional<ImportResult> importWithProgress(QWidget *parent, const RegisterStore &store, const QString &zipPath,
                                               const QString &indexPath)
{
    WorkProgress progress(parent, QStringLiteral("dlgImportando"), QStringLiteral("Cancelar"));
    progress.tell(int(ImportPhase::Customers), phaseText(ImportPhase::Customers, 0, 0), 0, 0);
    try {
        const ImportResult result
            = importRegister(store, zipPath, indexPath, [&progress](ImportPhase phase, qint64 done, qint64 total) {
                  return progress.tell(int(phase), phaseText(phase, done, total), done, total);
              });
        progress.close();
        // Cancelar pressed after the last step came too late: the import is done, and answered.
        if (result.cancelled)
            return std::nullopt;
        // The snapshot is in; the index of the whole register, which a new customer's CUIT is looked up in, is not.
        if (!result.indexFailure.isEmpty())
            MsgBox(QStringLiteral("El padrón se importó, pero no se pudo escribir su índice (queda el anterior):\n")
                       + result.indexFailure,
                   vbExclamation);
        return result;
    } catch (const Error &e) {
        progress.close();
        MsgBox(e.description(), vbCritical);
        return std::nullopt;
    }
}

CheckReport checkWithProgress(QWidget *parent, const RegisterStore &store)
{
    const WaitPointer wait;
    WorkProgress progress(parent, QStringLiteral("dlgControlando"), QString());
    return checkCustomers(store, [&progress](ImportPhase, qint64 done, qint64) {
        progress.tell(0, QStringLiteral("Controlando los clientes: %L1").arg(done), done, 0);
        return true;
    });
}

} // namespace felcora::taxregister
