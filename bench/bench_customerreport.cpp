// The printed customer list with 100,000 demo customers (or the count given
// as first argument): writing it to PDF through writeCustomerListPdf (pages
// per second and peak memory) against a plain QPainter loop that draws the
// same pages, the same work split into query, layout and painting, and F12
// in the list window up to the first preview page drawn.
// The plain loop and the report are timed in turn, three times each after one
// untimed pass of each, and compared by their medians: the ratio holds on any
// machine, however loaded. Each measurement runs in a child process of its
// own, so that its peak memory is its alone.

#include <QAbstractItemView>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QMessageBox>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <array>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

#include "benchsupport.h"
#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "browser/printedlist.h"
#include "core/customerstore.h"
#include "core/statements.h"
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
#include "report/textfit.h"
#include "ui/twips.h"

using namespace felcora;
using namespace felcora::bench;

namespace {

struct Targets
{
    static constexpr double timeToPlainLoop = 1.15;
    static constexpr double peakMb = 300;
    static constexpr double previewS = 1;
};

// The figures of a PDF measurement, the report's or the plain loop's, in
// this order; the time comes first, as an alternation wants.
enum PdfFigure { kPdfS, kPages, kPdfBytes, kPdfPeakMb, kPdfFigures };

void printPdfFigures(double seconds, int pages, const QString &pdf)
{
    std::printf("%.6f %d %lld %.3f\n", seconds, pages, static_cast<long long>(QFileInfo(pdf).size()), peakMegabytes());
}

// Child: the whole PDF as a host asks for it.
int measurePdf(hostkit::RecordBroker &broker, const QString &pdf)
{
    QElapsedTimer clock;
    clock.start();
    const int pages = writeCustomerListPdf(broker, pdf);
    printPdfFigures(secondsSince(clock), pages, pdf);
    return 0;
}

constexpr char16_t kLatin1Characters = 256;

// A report font as the plain loop paints it, with the advances of the Latin-1
// characters measured before the clock starts, as a careful hand-written
// loop would keep them.
struct PlainFont
{
    QFont font;
    QFontMetricsF metrics;
    std::array<qreal, kLatin1Characters> latin{};

    explicit PlainFont(const QFont &f)
        : font(f)
        , metrics(f)
    {
        for (char16_t c = 0; c < kLatin1Characters; ++c)
            latin[c] = metrics.horizontalAdvance(QChar(c));
    }

    // The longest beginning of text, in whole characters, that fits width
    // (the list's texts have no surrogate pairs).
    QString cut(const QString &text, int width) const
    {
        qreal sum = 0;
        for (qsizetype k = 0; k < text.size(); ++k) {
            const char16_t c = text[k].unicode();
            sum += c < kLatin1Characters ? latin[c] : metrics.horizontalAdvance(text[k]);
            if (sum > width)
                return text.left(k);
        }
        return text;
    }

    qreal width(const QString &text) const
    {
        qreal sum = 0;
        for (const QChar c : text)
            sum += c.unicode() < kLatin1Characters ? latin[c.unicode()] : metrics.horizontalAdvance(c);
        return sum;
    }
};

// Child: the anchor of the report's speed. The same pages drawn by a plain
// QPainter loop on a QPdfWriter: the report's paper, margins, fonts, boxes
// and texts, the records read through the same query, each text cut at the
// last whole character that fits its box, as the report shows it, and every
// page's footer with its number, the page count (reckoned beforehand from
// the records counted by the database) and the print time; no layout
// engine, record spool or page model in between. (Drawing each whole text
// into its box with drawText(QRectF, flags) instead clips the last letter
// rather than cutting it and is slower: a weaker anchor.)
int measurePlainLoop(hostkit::RecordBroker &broker, const QString &pdf)
{
    const report::ReportDefinition d = browser::customerListReport();
    if (d.reportFooter.height > 0) {
        std::fprintf(stderr, "the plain loop draws no report footer, the report now has one\n");
        return 1;
    }
    std::vector<PlainFont> fonts;
    for (const report::ReportFont &f : d.fonts)
        fonts.emplace_back(report::twipsFont(f));

    QElapsedTimer clock;
    clock.start();
    const std::unique_ptr<IRecordset> counted
        = openQuery(broker, entity::kPersonal, QStringLiteral("select count(*) from clientes")).rs; // no sort to count
    const qint64 records = counted->value(0).toLongLong();
    const std::unique_ptr<IRecordset> rs = openCustomerReport(broker);
    std::vector<int> columns;
    for (const QString &field : d.fields)
        columns.push_back(rs->fieldIndex(field));

    QFile file(pdf);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(pdf), qPrintable(file.errorString()));
        return 1;
    }
    QPdfWriter writer(&file);
    writer.setTitle(d.title);
    writer.setCreator(QStringLiteral("FELCORA"));
    writer.setPageLayout(QPageLayout(d.pageSize, QPageLayout::Portrait, QMarginsF()));
    QPainter painter(&writer);
    painter.scale(writer.logicalDpiX() / double(kTwipsPerInch), writer.logicalDpiY() / double(kTwipsPerInch));
    painter.setPen(Qt::black);
    int currentFont = -1;

    auto draw = [&](const report::ReportItem &item, int top, const QString &text) {
        const QRect box = item.box.translated(d.margins.left(), top);
        if (item.background.isValid())
            painter.fillRect(box, item.background);
        const PlainFont &font = fonts[size_t(item.font)];
        const QString shown = font.cut(text, box.width());
        if (shown.isEmpty())
            return;
        if (item.font != currentFont) {
            painter.setFont(font.font);
            currentFont = item.font;
        }
        qreal left = box.left();
        if (item.alignment & (Qt::AlignRight | Qt::AlignHCenter)) {
            const qreal room = std::max(0.0, box.width() - font.width(shown));
            left += int(item.alignment & Qt::AlignRight ? room : room / 2);
        }
        painter.drawText(QPointF(left, box.top() + font.metrics.ascent()), shown);
    };
    auto drawLabels = [&](const report::ReportSection &section, int top) {
        for (const report::ReportItem &item : section.items)
            draw(item, top, item.text);
    };

    // Details fill each page down to the page footer; a page holds at least one, however tall.
    const int footerTop = d.pageTwips().height() - d.margins.bottom() - d.pageFooter.height;
    const auto detailsFrom = [&](int top) { return std::max(1, (footerTop - top) / d.detail.height); };
    const qint64 onFirst = detailsFrom(d.margins.top() + d.reportHeader.height + d.pageHeader.height);
    const qint64 onOthers = detailsFrom(d.margins.top() + d.pageHeader.height);
    const qint64 pageCount = records <= onFirst ? 1 : 1 + (records - onFirst + onOthers - 1) / onOthers;
    const QString pageCountText = QString::number(pageCount);
    const QString printTime = QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm"));
    auto drawFooter = [&](int page) {
        for (const report::ReportItem &item : d.pageFooter.items) {
            QString text = item.text;
            for (const report::PrintValue value : item.values)
                text = text.arg(value == report::PrintValue::PageNumber      ? QString::number(page)
                                    : value == report::PrintValue::PageCount ? pageCountText
                                                                             : printTime);
            draw(item, footerTop, text);
        }
    };

    int pages = 1;
    drawLabels(d.reportHeader, d.margins.top());
    int y = d.margins.top() + d.reportHeader.height;
    drawLabels(d.pageHeader, y);
    y += d.pageHeader.height;
    int onPage = 0;
    for (; !rs->Eof(); rs->MoveNext()) {
        if (onPage > 0 && y + d.detail.height > footerTop) {
            drawFooter(pages);
            writer.newPage();
            ++pages;
            drawLabels(d.pageHeader, d.margins.top());
            y = d.margins.top() + d.pageHeader.height;
            onPage = 0;
        }
        for (const report::ReportItem &item : d.detail.items)
            draw(item, y, QString::fromUtf8(rs->textUtf8(columns[size_t(item.field)])));
        y += d.detail.height;
        ++onPage;
    }
    drawFooter(pages);
    painter.end();
    if (pages != pageCount) {
        std::fprintf(stderr, "the plain loop reckoned %lld pages and drew %d\n", static_cast<long long>(pageCount),
                     pages);
        return 1;
    }
    file.close();
    printPdfFigures(secondsSince(clock), pages, pdf);
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
    if (what == QLatin1String("plain"))
        return measurePlainLoop(broker, pdf);
    return what == QLatin1String("pdf") ? measurePdf(broker, pdf) : measurePhases(broker, pdf);
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
    const std::optional<qint64> customers = customersArgument(argc, argv, 100000);
    if (!customers)
        return 2;

    QString folder;
    try {
        folder = demoFolder(*customers);
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    const auto child = [&folder](const char *what, qsizetype figures) {
        return runChild({QString::fromLatin1(what), folder}, figures);
    };
    const auto pdf = alternate([&] { return child("plain", kPdfFigures); }, [&] { return child("pdf", kPdfFigures); });
    const auto phases = pdf ? child("phases", 5) : std::nullopt;
    const auto preview = phases ? child("preview", 3) : std::nullopt;
    if (!preview)
        return 1;

    const int pages = int(median(pdf->subject, kPages));
    if (median(pdf->anchor, kPages) != pages) {
        std::fprintf(stderr, "the plain loop drew %.0f pages, the report %d\n", median(pdf->anchor, kPages), pages);
        return 1;
    }
    const double plainS = median(pdf->anchor);
    const double pdfS = median(pdf->subject);
    const double ratio = pdf->ratio();
    const double pdfPeakMb = largest(pdf->subject, kPdfPeakMb);
    const double drawnS = (*preview)[1];

    std::printf("\nprinted customer list, %lld customers (ratio: measured / target)\n",
                static_cast<long long>((*phases)[0]));
    std::printf("plain loop and report timed in turn, %d times each after an untimed pass; medians below\n",
                kTimedRuns);
    printRuns("runs (s)", "plain loop", "writeCustomerListPdf", *pdf);
    std::printf("pages: %d\n", pages);
    std::printf("plain QPainter loop on QPdfWriter: %.3f s, %.1f pages/s, %.1f MB of PDF\n", plainS,
                plainS > 0 ? pages / plainS : 0.0, median(pdf->anchor, kPdfBytes) / (1024.0 * 1024.0));
    std::printf("writeCustomerListPdf: %.3f s, %.1f pages/s, %.1f MB of PDF\n", pdfS, pdfS > 0 ? pages / pdfS : 0.0,
                median(pdf->subject, kPdfBytes) / (1024.0 * 1024.0));
    std::printf("writeCustomerListPdf time / plain loop time: %.2f (target <= %.2f, %s)\n", ratio,
                Targets::timeToPlainLoop, verdict(ratio <= Targets::timeToPlainLoop));
    std::printf("writeCustomerListPdf peak memory, largest run: %.1f MB (target < %.0f, ratio %.2fx)\n", pdfPeakMb,
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

    const bool met = ratio <= Targets::timeToPlainLoop && pdfPeakMb < Targets::peakMb && drawnS < Targets::previewS;
    std::printf("\ntargets: %s\n", verdict(met));
    return 0;
}
