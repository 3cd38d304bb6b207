// The customer list with 100,000 and 1,000,000 demo customers (or the count
// given as first argument): opening it against SQLite's own floor, the worst
// search keystroke, a header sort (first and repeated) and peak memory.
// The floor and the list are timed in turn, three times each after one
// untimed pass of each, and compared by their medians: the ratio holds on
// any machine, however loaded. Each list measurement runs in a child process
// of its own, so that its peak memory is the list's alone.

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include <cstdio>
#include <optional>

#include "benchsupport.h"
#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "felcora/error.h"
#include "felcora/hostkit/brokerconfig.h"
#include "sqlite_limit.h"

using namespace felcora;
using namespace felcora::bench;

namespace {

struct Targets
{
    static constexpr double openRatio = 1.3;
    static constexpr double keystrokeMs = 10;
    static constexpr double firstSortS = 2;
    static constexpr double repeatSortMs = 50;
    static constexpr double peakMb = 300;
};

// The figures a list measurement prints, in this order; the time comes first,
// as an alternation wants.
enum ListFigure { kOpenS, kRows, kKeystrokeMs, kFirstSortS, kRepeatSortMs, kPeakMb, kJumpMs, kIconsMs, kListFigures };

struct Measures
{
    double openS = 0;
    double keystrokeMs = 0;
    double jumpMs = 0;
    double iconsMs = 0;
    double firstSortS = 0;
    double repeatSortMs = 0;
    long long rows = 0;
};

// Child: opens the list through clListado.MostrarListado and measures it once painted.
int measureList(const QString &folder)
{
    DemoList list(folder);

    Measures m;
    QElapsedTimer clock;
    bool measured = false;

    auto measureOpenWindow = [&](browser::FrmABMClientes *window) {
        m.openS = msSince(clock) / 1000.0;
        QTableView *report = window->list()->reportView();
        m.rows = window->list()->rowCount();

        // A prefix that matches nothing scans every name on each keystroke;
        // "z" selects a row near the end of the list.
        auto *search = window->findChild<QLineEdit *>(QStringLiteral("txtBuscar"));
        search->setFocus();
        QTest::keyClick(search, Qt::Key_End); // Qt sets up its keyboard handling on the first key
        QCoreApplication::processEvents();
        auto keystroke = [&](char c) {
            QElapsedTimer t;
            t.start();
            QTest::keyClick(search, c);
            QCoreApplication::processEvents();
            return msSince(t);
        };
        for (const char c : QByteArrayLiteral("~~~~"))
            m.keystrokeMs = std::max(m.keystrokeMs, keystroke(c));
        search->clear();
        QCoreApplication::processEvents();
        m.jumpMs = keystroke('z');

        QHeaderView *header = report->horizontalHeader();
        const QPoint direccion(header->sectionViewportPosition(2) + header->sectionSize(2) / 2, header->height() / 2);
        for (int click = 0; click < 2; ++click) {
            QElapsedTimer t;
            t.start();
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, direccion);
            QCoreApplication::processEvents();
            report->viewport()->repaint();
            (click == 0 ? m.firstSortS : m.repeatSortMs) = click == 0 ? msSince(t) / 1000.0 : msSince(t);
        }
        // The large-icon view lays out every item when it is shown.
        if (auto *icons = window->findChild<QAction *>(QStringLiteral("mniconos"))) {
            QElapsedTimer t;
            t.start();
            icons->trigger();
            QCoreApplication::processEvents();
            window->list()->currentView()->viewport()->repaint();
            m.iconsMs = msSince(t);
        }
        measured = true;
        window->unload();
    };

    const bench::OnListPainted firstPaint(measureOpenWindow);

    clock.start();
    list.show();
    if (!measured) {
        std::fprintf(stderr, "the list was never painted\n");
        return 1;
    }
    std::printf("%.6f %lld %.6f %.6f %.6f %.3f %.6f %.6f\n", m.openS, m.rows, m.keystrokeMs, m.firstSortS,
                m.repeatSortMs, peakMegabytes(), m.jumpMs, m.iconsMs);
    return 0;
}

// The floor (figures: seconds, rows) against the list (ListFigure), in turn.
std::optional<Alternation> measureSize(qint64 customers)
{
    const QString folder = demoFolder(customers);
    const QByteArray personal
        = hostkit::BrokerConfig::embedded(folder).entity(QStringLiteral("PERSONAL")).database.toLocal8Bit();

    const auto floor = [&]() -> std::optional<Figures> {
        char error[256] = {};
        long long rows = 0;
        const double s = felcora_limit_seconds(personal.constData(), &rows, error, sizeof error);
        if (s < 0) {
            std::fprintf(stderr, "floor: %s\n", error);
            return std::nullopt;
        }
        return Figures{s, double(rows)};
    };
    const auto list = [&] { return runChild({folder}, kListFigures); };
    return alternate(floor, list);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--measure") == 0) {
        qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
        QApplication app(argc, argv);
        try {
            return measureList(QString::fromLocal8Bit(argv[2]));
        } catch (const Error &e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }

    QCoreApplication app(argc, argv);
    QList<qint64> sizes{100000, 1000000};
    if (argc > 1) {
        bool ok = false;
        const qint64 n = QString::fromLocal8Bit(argv[1]).toLongLong(&ok);
        if (!ok || n <= 0) {
            std::fprintf(stderr, "usage: %s [customers]\n", argv[0]);
            return 2;
        }
        sizes = {n};
    }

    QList<Alternation> results;
    try {
        for (const qint64 n : sizes) {
            const auto runs = measureSize(n);
            if (!runs)
                return 1;
            results.append(*runs);
        }
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }

    std::printf("\nfloor and list timed in turn, %d times each after an untimed pass; the table shows medians\n",
                kTimedRuns);
    for (const Alternation &a : results) {
        const QByteArray label = QByteArray::number(qint64(median(a.subject, kRows))) + " customers, runs (s)";
        printRuns(label.constData(), "floor", "list", a);
    }

    std::printf("\n%-34s", "customers");
    for (const Alternation &a : results)
        std::printf("%16lld", static_cast<long long>(median(a.subject, kRows)));
    std::printf("%16s\n", "target");
    auto line = [&](const char *what, auto value, const char *format, const char *target) {
        std::printf("%-34s", what);
        for (const Alternation &a : results)
            std::printf(format, value(a));
        std::printf("%16s\n", target);
    };
    const auto figure = [](ListFigure f) { return [f](const Alternation &a) { return median(a.subject, f); }; };
    line(
        "floor: SQLite steps the query (s)", [](const Alternation &a) { return median(a.anchor); }, "%16.3f", "");
    line("MostrarListado to painted (s)", figure(kOpenS), "%16.3f", "");
    line(
        "  ratio to the floor", [](const Alternation &a) { return a.ratio(); }, "%16.2f", "<= 1.30");
    line("worst search keystroke (ms)", figure(kKeystrokeMs), "%16.2f", "< 10");
    line("keystroke selecting a far row (ms)", figure(kJumpMs), "%16.2f", "");
    line("first sort by Direccion (s)", figure(kFirstSortS), "%16.3f", "< 2");
    line("repeated sort by Direccion (ms)", figure(kRepeatSortMs), "%16.2f", "< 50");
    line("switch to large icons (ms)", figure(kIconsMs), "%16.2f", "");
    line(
        "peak memory, largest run (MB)", [](const Alternation &a) { return largest(a.subject, kPeakMb); }, "%16.1f",
        "< 300");

    const Alternation &last = results.last();
    const bool met = last.ratio() <= Targets::openRatio && median(last.subject, kKeystrokeMs) < Targets::keystrokeMs
        && median(last.subject, kFirstSortS) < Targets::firstSortS
        && median(last.subject, kRepeatSortMs) < Targets::repeatSortMs
        && largest(last.subject, kPeakMb) < Targets::peakMb;
    std::printf("\ntargets at %lld customers: %s\n", static_cast<long long>(median(last.subject, kRows)), verdict(met));
    return 0;
}
