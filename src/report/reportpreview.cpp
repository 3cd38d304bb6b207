#include "report/reportpreview.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QScrollBar>
#include <QStandardPaths>

#include "felcora/hostcomponents.h"
#include "report/pageview.h"
#include "ui/handlerguard.h"
#include "ui/keypreview.h"
#include "ui/msgbox.h"
#include "ui/twips.h"
#include "ui_reportpreview.h"

namespace felcora::report {

namespace {

constexpr int kProgressDelayMs = 300;
// Records laid out at a time: a few milliseconds' work.
constexpr qint64 kRecordsAtOnce = 2000;
constexpr double kScreenDpi = 96;
const double kZoomPercent[] = {0, 0, 50, 75, 100, 150, 200};

// Ctrl alone (keypad keys carry their own modifier).
bool ctrlOnly(const QKeyEvent *key)
{
    return (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

} // namespace

ReportPreview::ReportPreview(ReportDefinition definition)
    : ui(std::make_unique<Ui::ReportPreview>())
    , m_definition(std::move(definition))
{
    ui->setupUi(this);
    setWindowTitle(m_definition.title);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    ui->cboZoom->addItems({QStringLiteral("Ancho de página"), QStringLiteral("Página entera"), QStringLiteral("50%"),
                           QStringLiteral("75%"), QStringLiteral("100%"), QStringLiteral("150%"),
                           QStringLiteral("200%")});
    // Reading a page may fail (its records are read back from a file): every
    // handler reports its failure instead of letting it reach the event loop.
    connect(ui->cmdPrimera, &QToolButton::clicked, this, guarded(this, "cmdPrimera_Click", [this] { showPage(0); }));
    connect(ui->cmdAnterior, &QToolButton::clicked, this,
            guarded(this, "cmdAnterior_Click", [this] { showPage(m_page - 1); }));
    connect(ui->cmdSiguiente, &QToolButton::clicked, this,
            guarded(this, "cmdSiguiente_Click", [this] { showPage(m_page + 1); }));
    connect(ui->cmdUltima, &QToolButton::clicked, this, guarded(this, "cmdUltima_Click", [this] { showLastPage(); }));
    connect(ui->txtPagina, &QSpinBox::valueChanged, this,
            guarded(this, "txtPagina_Change", [this](int number) { showPage(number - 1); }));
    connect(ui->cboZoom, &QComboBox::currentIndexChanged, this, [this] { applyZoom(); });
    connect(ui->cmdImprimir, &QToolButton::clicked, this, &ReportPreview::print);
    connect(ui->cmdPdf, &QToolButton::clicked, this, &ReportPreview::exportPdf);
    connect(ui->cmdCerrar, &QToolButton::clicked, this, &QDialog::reject);
    connect(&m_layoutTimer, &QTimer::timeout, this, &ReportPreview::layOutStep);

    installKeyPreview(this);
}

ReportPreview::~ReportPreview() = default;

PageView *ReportPreview::pageView() const
{
    return ui->Pagina;
}

void ReportPreview::bind(std::unique_ptr<IRecordset> rs)
{
    m_records = std::move(rs);
    m_document = std::make_unique<ReportDocument>(m_definition, *m_records);
    while (m_document->readyPages() < 1 && !m_document->layOutMore(kRecordsAtOnce)) {}
    if (m_document->complete())
        m_records.reset();
    else
        m_layoutTimer.start();
    m_page = -1;
    showPageCount();
    showPage(0);
    ui->txtPagina->setFocus();
}

// A slice of the layout between the user's events, short enough not to be felt.
void ReportPreview::layOutStep()
{
    bool failed = true;
    guardHandler(objectName(), "Paginar", [this, &failed] {
        if (m_document->layOutMore(kRecordsAtOnce)) {
            m_layoutTimer.stop();
            m_records.reset();
        }
        failed = false;
    });
    if (failed) {
        m_layoutTimer.stop();
        reject();
        return;
    }
    showPageCount();
}

bool ReportPreview::finishLayout()
{
    if (!m_document || m_document->complete())
        return true;
    m_layoutTimer.stop();
    QProgressDialog progress(QStringLiteral("Preparando el listado..."), QStringLiteral("Cancelar"), 0, 0, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kProgressDelayMs);
    progress.setValue(0);
    while (!m_document->layOutMore(kRecordsAtOnce)) {
        progress.setLabelText(QStringLiteral("Preparando el listado... %L1 registros").arg(m_document->recordCount()));
        // Until the progress window shows, the user's keys wait.
        QCoreApplication::processEvents(progress.isVisible() ? QEventLoop::AllEvents
                                                             : QEventLoop::ExcludeUserInputEvents);
        if (progress.wasCanceled()) {
            m_layoutTimer.start();
            showPageCount();
            return false;
        }
    }
    m_records.reset();
    showPageCount();
    return true;
}

int ReportPreview::lastPage() const
{
    return m_document ? m_document->readyPages() - 1 : 0;
}

void ReportPreview::showPageCount()
{
    const bool complete = m_document->complete();
    ui->txtPagina->blockSignals(true);
    ui->txtPagina->setMaximum(std::max(1, m_document->readyPages()));
    ui->txtPagina->blockSignals(false);
    ui->lbPaginas->setText(QStringLiteral("de %L1").arg(m_document->readyPages())
                           + (complete ? QString() : QStringLiteral("...")));
    // A page shown while pages were still counted shows the final count now.
    if (complete && !m_shownComplete && m_page >= 0) {
        ui->Pagina->setPage(&m_definition, m_document->page(m_page));
        m_shownComplete = true;
    }
}

void ReportPreview::showPage(int index)
{
    if (!m_document)
        return;
    index = std::clamp(index, 0, lastPage());
    if (index != m_page) {
        m_page = index;
        m_shownComplete = m_document->complete();
        ui->Pagina->setPage(&m_definition, m_document->page(index));
        applyZoom();
    }
    ui->txtPagina->blockSignals(true);
    ui->txtPagina->setValue(index + 1);
    ui->txtPagina->blockSignals(false);
    ui->Paginas->verticalScrollBar()->setValue(0);
}

void ReportPreview::applyZoom()
{
    // The room without scroll bars; a page fitted to the width is taller than
    // the window, so the vertical bar's width is kept free.
    const QSize paper = m_definition.pageTwips();
    const QSize room = ui->Paginas->maximumViewportSize() - QSize(8, 8);
    const int besideBar = room.width() - ui->Paginas->verticalScrollBar()->sizeHint().width();
    double dpi = kScreenDpi;
    switch (ui->cboZoom->currentIndex()) {
    case FitWidth: dpi = besideBar * double(kTwipsPerInch) / paper.width(); break;
    case FitPage:
        dpi = std::min(room.width() * double(kTwipsPerInch) / paper.width(),
                       room.height() * double(kTwipsPerInch) / paper.height());
        break;
    default: dpi = kScreenDpi * kZoomPercent[ui->cboZoom->currentIndex()] / 100; break;
    }
    ui->Pagina->setDotsPerInch(dpi);
}

void ReportPreview::stepZoom(int step)
{
    // From a fitted zoom the steps go through the fixed ones.
    const int current = ui->cboZoom->currentIndex() < Percent50 ? Percent100 : ui->cboZoom->currentIndex();
    ui->cboZoom->setCurrentIndex(std::clamp(current + step, int(Percent50), int(Percent200)));
}

void ReportPreview::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    applyZoom();
}

bool ReportPreview::eventFilter(QObject *, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    bool consumed = false;
    guardHandler(objectName(), "Form_KeyDown", [&] { consumed = previewKey(static_cast<QKeyEvent *>(event)); });
    return consumed;
}

bool ReportPreview::previewKey(const QKeyEvent *key)
{
    const bool ctrl = ctrlOnly(key);
    // Ctrl++ comes as Ctrl+= or, with Shift held for the plus sign, as Ctrl+Shift++.
    const bool ctrlPlus = ctrl || (key->modifiers() & ~Qt::KeypadModifier) == (Qt::ControlModifier | Qt::ShiftModifier);
    const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    switch (key->key()) {
    case Qt::Key_PageDown:
        if (plain)
            showPage(m_page + 1);
        return plain;
    case Qt::Key_PageUp:
        if (plain)
            showPage(m_page - 1);
        return plain;
    case Qt::Key_Home:
        if (ctrl)
            showPage(0);
        return ctrl;
    case Qt::Key_End:
        if (ctrl)
            showLastPage();
        return ctrl;
    case Qt::Key_Plus:
        if (ctrlPlus)
            stepZoom(+1);
        return ctrlPlus;
    case Qt::Key_Equal:
        if (ctrl)
            stepZoom(+1);
        return ctrl;
    case Qt::Key_Minus:
        if (ctrl)
            stepZoom(-1);
        return ctrl;
    case Qt::Key_P:
        if (ctrl)
            print();
        return ctrl;
    case Qt::Key_S:
        if (ctrl)
            exportPdf();
        return ctrl;
    case Qt::Key_Escape: reject(); return true;
    default: return false;
    }
}

bool ReportPreview::withPageProgress(const QString &label, int pages,
                                     const std::function<bool(const PageProgress &)> &paint)
{
    QProgressDialog progress(label, QStringLiteral("Cancelar"), 0, pages, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kProgressDelayMs);
    progress.setValue(0);
    return paint([&progress](int done, int) {
        progress.setValue(done);
        return !progress.wasCanceled();
    });
}

void ReportPreview::showLastPage()
{
    if (finishLayout())
        showPage(lastPage());
}

bool ReportPreview::printTo(QPrinter &printer)
{
    if (!m_document || !finishLayout())
        return false;
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(m_definition.pageSize, QPageLayout::Portrait, QMarginsF()));
    printer.setDocName(m_definition.title);
    const int last = m_document->pageCount() - 1;
    int first = 0;
    int to = last;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::clamp(printer.fromPage() - 1, 0, last);
        to = std::clamp(printer.toPage() - 1, first, last);
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        first = to = m_page;
    }
    return withPageProgress(QStringLiteral("Imprimiendo el listado..."), to - first + 1,
                            [&](const PageProgress &p) { return paintPages(*m_document, printer, first, to, p); });
}

bool ReportPreview::savePdf(const QString &path)
{
    if (!m_document || !finishLayout())
        return false;
    return withPageProgress(QStringLiteral("Guardando el listado como PDF..."), m_document->pageCount(),
                            [&](const PageProgress &p) { return writePdf(*m_document, path, p); });
}

void ReportPreview::print()
{
    guardHandler(objectName(), "Imprimir", [this] { choosePrinterAndPrint(); });
}

void ReportPreview::exportPdf()
{
    guardHandler(objectName(), "GuardarPDF", [this] { chooseFileAndSave(); });
}

void ReportPreview::choosePrinterAndPrint()
{
    if (!m_document || !finishLayout())
        return;
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Imprimir ") + m_definition.title);
    dialog.setMinMax(1, m_document->pageCount());
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage);
    if (dialog.exec() == QDialog::Accepted)
        printTo(printer);
}

void ReportPreview::chooseFileAndSave()
{
    if (!m_document || !finishLayout())
        return;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QFileDialog dialog(this, QStringLiteral("Guardar el listado como PDF"), folder,
                       QStringLiteral("Documentos PDF (*.pdf)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile(m_definition.title + QStringLiteral(".pdf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    if (savePdf(path)) {
        const QString where = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
        MsgBox(QStringLiteral("El listado se guardó en ") + where, vbInformation);
    }
}

} // namespace felcora::report
