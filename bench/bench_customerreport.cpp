// The printed customer list with 100,000 demo customers (or the count given
// as first argument): writing it to PDF through writeCustomerListPdf (pages
// per second and peak memory), the same work split into query, layout and
// painting, and F12 in the list window up to the first preview page drawn.
// Each measurement runs in a child process of its own, so that its peak
// memory is its alone.

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <optional>

#include "browser/printedlist.h"
#include "core/customerstore.h"
#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "felcora/clListado.h"
#include "felcora/customerlistpdf.h"
#include "felcora/error.h"
#include "felcora/hostcomponents.h"
#include "felcora/hostkit/brokerconfig.h"
#include "felcora/hostkit/demodata.h"
#include "felcora/hostkit/hostkit.h"
#include "felcora/hostkit/recordbroker.h"
#include "report/pageview.h"
#include "report/reportdocument.h"
#include "report/reportpainter.h"
#include "benchsupport.h"

using namespace felcora;
using namespace felcora::bench;

namespace {

struct Targets
{
    static constexpr double pagesPerSecond = 300;
    static constexpr double peakMb = 300;
    static constexpr double previewS = 1;
};

// Child: the whole PDF as a host asks for it.
// Prints: pages seconds pdf-bytes peak-MB
int measurePdf(hostkit::RecordBroker &broker, const QString &pdf)
{
    QElapsedTimer clock;
    clock.start();
    const int pages = writeCustomerListPdf(broker, pdf);
    const double s = secondsSince(clock);
    std::printf("%d %.6f %lld %.3f\n", pages, s, static_cast<long long>(QFileInfo(pdf).size()), peakMegabytes());
    return 0;
}

// Child: the same work a step at a time. The recordset steps through the
// rows as they are asked for, so reading them counts as layout.
// Prints: records query-s layout-s paint-s peak-MB
int measurePhases(hostkit::RecordBroker &broker, const QString &pdf)
{
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<IRecordset> rs = openCustomerReport(broker);
    const double queryS = secondsSince(clock);
    clock.restart();
    const auto doc = report::ReportDocument::layOut(browser::customerListReport(), *rs);
    const double layoutS = secondsSince(clock);
    rs.reset();
    clock.restart();
    report::writePdf(*doc, pdf);
    const double paintS = secondsSince(clock);
    std::printf("%lld %.6f %.6f %.6f %.3f\n", static_cast<long long>(doc->recordCount()), queryS, layoutS, paintS,
                peakMegabytes());
    return 0;
}

// Child: opens the list through clListado.MostrarListado, then presses F12 on
// the list and waits for the preview's first page to be drawn.
// Prints: shown-s drawn-s peak-MB
int measurePreview(hostkit::RecordBroker &broker)
{
    clListado listado;
    listado.setSeleccionar(true);
    listado.SetDataConnection(QVariant::fromValue<QObject *>(&broker));

    double shownS = -1;
    double drawnS = -1;
    bool failed = false;

    auto pressF12 = [&](browser::FrmABMClientes *window) {
        QWidget *list = window->list()->currentView();
        list->setFocus();
        QCoreApplication::processEvents();
        QTest::keyClick(list, Qt::Key_F11); // Qt sets up its keyboard handling on the first key; F11 does nothing here
        QCoreApplication::processEvents();

        // The preview runs modally inside the key press: a timer watches for it
        // from the nested event loops and closes it once its first page is drawn.
        QElapsedTimer clock;
        QTimer poll;
        poll.setInterval(1);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                std::fprintf(stderr, "F12 failed: %s\n", qPrintable(box->text()));
                failed = true;
                poll.stop();
                box->reject();
                return;
            }
            auto *preview = qobject_cast<browser::Dr_ListadoClientes *>(modal);
            if (!preview || !preview->isVisible())
                return;
            poll.stop();
            shownS = secondsSince(clock);
            preview->pageView()->image();
            preview->pageView()->repaint();
            drawnS = secondsSince(clock);
            preview->reject();
        });
        poll.start();
        QWidget *focused = QApplication::focusWidget() ? QApplication::focusWidget() : list;
        clock.start();
        QTest::keyClick(focused, Qt::Key_F12);
        poll.stop();
        window->unload();
    };

    bench::OnListPainted firstPaint(pressF12);

    listado.MostrarListado();
    if (!firstPaint.opened() || failed || drawnS < 0) {
        std::fprintf(stderr, firstPaint.opened() ? "the preview never showed\n" : "the list was never painted\n");
        return 1;
    }
    std::printf("%.6f %.6f %.3f\n", shownS, drawnS, peakMegabytes());
    return 0;
}

int measure(const QString &what, const QString &folder)
{
    hostkit::registerHostComponents();
    hostkit::RecordBroker broker;
    broker.useConfig(hostkit::BrokerConfig::embedded(folder));
    if (what == QLatin1String("preview"))
        return measurePreview(broker); // MostrarListado loads the parameters itself
    broker.LoadParameters();
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString pdf = dir.filePath(QStringLiteral("customers.pdf"));
    return what == QLatin1String("pdf") ? measurePdf(broker, pdf) : measurePhases(broker, pdf);
}

// Runs one measurement in a child process; its figures, or nothing when it failed.
std::optional<QList<double>> runChild(const char *what, const QString &folder, qsizetype fields)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--measure"), QString::fromLatin1(what), folder});
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        std::fprintf(stderr, "the %s measurement failed\n", what);
        return std::nullopt;
    }
    QList<double> values;
    for (const QByteArray &field : child.readAllStandardOutput().trimmed().split(' '))
        values.append(field.toDouble());
    if (values.size() != fields) {
        std::fprintf(stderr, "the %s measurement printed %lld figures, not %lld\n", what,
                     static_cast<long long>(values.size()), static_cast<long long>(fields));
        return std::nullopt;
    }
    return values;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--measure") == 0) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        try {
            return measure(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
        } catch (const Error &e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }

    QCoreApplication app(argc, argv);
    qint64 customers = 100000;
    if (argc > 1) {
        bool ok = false;
        customers = QString::fromLocal8Bit(argv[1]).toLongLong(&ok);
        if (!ok || customers <= 0) {
            std::fprintf(stderr, "usage: %s [customers]\n", argv[0]);
            return 2;
        }
    }

    QString folder;
    try {
        folder = demoFolder(customers);
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    const auto pdf = runChild("pdf", folder, 4);
    const auto phases = runChild("phases", folder, 5);
    const auto preview = runChild("preview", folder, 3);
    if (!pdf || !phases || !preview)
        return 1;

    const int pages = int((*pdf)[0]);
    const double pdfS = (*pdf)[1];
    const double pagesPerS = pdfS > 0 ? pages / pdfS : 0;
    const double pdfPeakMb = (*pdf)[3];
    const double drawnS = (*preview)[1];

    std::printf("\nprinted customer list, %lld customers (ratio: measured / target)\n",
                static_cast<long long>((*phases)[0]));
    std::printf("writeCustomerListPdf pages: %d\n", pages);
    std::printf("writeCustomerListPdf time: %.3f s\n", pdfS);
    std::printf("writeCustomerListPdf speed: %.1f pages/s (target >= %.0f, ratio %.2fx)\n", pagesPerS,
                Targets::pagesPerSecond, pagesPerS / Targets::pagesPerSecond);
    std::printf("PDF size: %.1f MB\n", (*pdf)[2] / (1024.0 * 1024.0));
    std::printf("writeCustomerListPdf peak memory: %.1f MB (target < %.0f, ratio %.2fx)\n", pdfPeakMb,
                Targets::peakMb, pdfPeakMb / Targets::peakMb);
    std::printf("  query prepared (openCustomerReport): %.3f s\n", (*phases)[1]);
    std::printf("  rows read and laid out (ReportDocument::layOut): %.3f s\n", (*phases)[2]);
    std::printf("  painting (writePdf): %.3f s (%.1f pages/s)\n", (*phases)[3],
                (*phases)[3] > 0 ? pages / (*phases)[3] : 0.0);
    std::printf("  peak memory of the steps: %.1f MB\n", (*phases)[4]);
    std::printf("F12 to preview shown: %.3f s\n", (*preview)[0]);
    std::printf("F12 to first preview page drawn: %.3f s (target < %.0f, ratio %.2fx)\n", drawnS, Targets::previewS,
                drawnS / Targets::previewS);
    std::printf("  peak memory of list and preview: %.1f MB\n", (*preview)[2]);

    const bool met = pagesPerS >= Targets::pagesPerSecond && pdfPeakMb < Targets::peakMb && drawnS < Targets::previewS;
    std::printf("\ntargets: %s\n", met ? "met" : "NOT met");
    return 0;
}
