// The customer list with 100,000 and 1,000,000 demo customers (or the count
// given as first argument): its opening in two steps, the first screen
// painted against SQLite producing that screen and the whole list read and
// painted against SQLite producing every row in the list's order; then, with
// the list whole, the worst search keystroke, a header sort ascending and
// descending, the large icons and peak memory.
// The floors and the list are timed in turn, three times each after one
// untimed pass of each, and compared by their medians: the ratios hold on
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
#include <string>

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
    static constexpr double fillRatio = 1.3;
    static constexpr double firstRowS = 0.25;
    static constexpr double keystrokeMs = 10;
    static constexpr double ascendingSortS = 2;
    static constexpr double descendingSortMs = 50;
    static constexpr double peakMb = 300;
};

// The column whose header the sorts click.
constexpr int kDireccionColumn = 2;

// The figures of the floors, in this order; the ordered list's time first,
// as the alternation compares it with the whole fill.
enum FloorFigure { kOrderedS, kOrderedRows, kHeadS, kHeadRows, kUnorderedS, kFloorFigures };

// The figures a list measurement prints, in this order; the whole fill first.
enum ListFigure {
    kFilledS,
    kRows,
    kFirstRowS,
    kKeystrokeMs,
    kAscendingSortS,
    kDescendingSortMs,
    kPeakMb,
    kJumpMs,
    kIconsMs,
    kListFigures
};

struct Measures
{
    double firstRowS = 0;
    double filledS = 0;
    double keystrokeMs = 0;
    double jumpMs = 0;
    double iconsMs = 0;
    double ascendingSortS = 0;
    double descendingSortMs = 0;
    long long rows = 0;
};

// A click on the header of Direccion, timed to the rows repainted; nothing,
// with the reason printed, when the header does not then show that order.
std::optional<double> sortClickMs(browser::FrmABMClientes *window, Qt::SortOrder expected)
{
    QTableView *report = window->list()->reportView();
    QHeaderView *header = report->horizontalHeader();
    QElapsedTimer t;
    t.start();
    sortByHeader(*window, kDireccionColumn);
    report->viewport()->repaint();
    const double ms = msSince(t);
    if (header->sortIndicatorSection() != kDireccionColumn || header->sortIndicatorOrder() != expected) {
        std::fprintf(stderr, "the click on Direccion did not sort it %s\n",
                     expected == Qt::AscendingOrder ? "ascending" : "descending");
        return std::nullopt;
    }
    return ms;
}

// Child: opens the list through clListado.MostrarListado, times its first
// painted rows and its whole fill, then measures it whole.
int measureList(const QString &folder)
{
    DemoList list(folder);

    Measures m;
    QElapsedTimer clock;
    bool measured = false;

    auto measureOpenWindow = [&](browser::FrmABMClientes *window) {
        m.firstRowS = secondsSince(clock);
        const std::optional<double> filled = secondsToFilled(window, clock);
        if (!filled) {
            window->unload();
            return;
        }
        m.filledS = *filled;
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

        // The first click sorts the column ascending, the second the same column descending.
        const std::optional<double> ascending = sortClickMs(window, Qt::AscendingOrder);
        const std::optional<double> descending = ascending ? sortClickMs(window, Qt::DescendingOrder) : std::nullopt;
        if (!descending) {
            window->unload();
            return;
        }
        m.ascendingSortS = *ascending / 1000.0;
        m.descendingSortMs = *descending;
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
        std::fprintf(stderr, "the list was never painted whole\n");
        return 1;
    }
    std::printf("%.6f %lld %.6f %.6f %.6f %.6f %.3f %.6f %.6f\n", m.filledS, m.rows, m.firstRowS, m.keystrokeMs,
                m.ascendingSortS, m.descendingSortMs, peakMegabytes(), m.jumpMs, m.iconsMs);
    return 0;
}

// The floors (FloorFigure) against the list (ListFigure), in turn. Nothing
// when a run failed or the list did not hold every customer SQLite found.
std::optional<Alternation> measureSize(qint64 customers)
{
    const QString folder = demoFolder(customers);
    const QByteArray personal
        = hostkit::BrokerConfig::embedded(folder).entity(QStringLiteral("PERSONAL")).database.toLocal8Bit();

    const auto floor = [&]() -> std::optional<Figures> {
        Figures figures;
        for (const FloorQuery query : {FloorQuery::Ordered, FloorQuery::Head, FloorQuery::Unordered}) {
            std::string error;
            const std::optional<FloorRun> run = sqliteFloor(personal.constData(), query, error);
            if (!run) {
                std::fprintf(stderr, "floor: %s\n", error.c_str());
                return std::nullopt;
            }
            figures << run->seconds;
            if (query != FloorQuery::Unordered)
                figures << double(run->rows);
        }
        return figures;
    };
    const auto list = [&] { return runChild({folder}, kListFigures); };
    std::optional<Alternation> runs = alternate(floor, list);
    if (!runs)
        return std::nullopt;
    for (const Figures &f : runs->subject) {
        if (f[kRows] != runs->anchor.first()[kOrderedRows]) {
            std::fprintf(stderr, "the list showed %.0f customers, SQLite reads %.0f\n", f[kRows],
                         runs->anchor.first()[kOrderedRows]);
            return std::nullopt;
        }
    }
    return runs;
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

    std::printf("\nfloors and list timed in turn, %d times each after an untimed pass; the table shows medians\n",
                kTimedRuns);
    for (const Alternation &a : results) {
        const QByteArray label = QByteArray::number(qint64(median(a.subject, kRows))) + " customers, runs (s)";
        printRuns(label.constData(), "ordered floor", "whole fill", a);
        printRuns("  first screen", "head floor", a.anchor, kHeadS);
        printRuns("  first screen", "first row", a.subject, kFirstRowS);
    }

    std::printf("\n%-40s", "customers");
    for (const Alternation &a : results)
        std::printf("%16lld", static_cast<long long>(median(a.subject, kRows)));
    std::printf("%16s\n", "target");
    auto line = [&](const char *what, auto value, const char *format, const char *target) {
        std::printf("%-40s", what);
        for (const Alternation &a : results)
            std::printf(format, value(a));
        std::printf("%16s\n", target);
    };
    const auto figure = [](ListFigure f) { return [f](const Alternation &a) { return median(a.subject, f); }; };
    const auto floorFigure = [](FloorFigure f) { return [f](const Alternation &a) { return median(a.anchor, f); }; };
    const auto headRatio = [](const Alternation &a) {
        const double head = median(a.anchor, kHeadS);
        return head > 0 ? median(a.subject, kFirstRowS) / head : 0;
    };
    line("floor: SQLite, first screen (s)", floorFigure(kHeadS), "%16.3f", "");
    line("floor: SQLite, every row ordered (s)", floorFigure(kOrderedS), "%16.3f", "");
    line("  SQLite, every row unordered (s)", floorFigure(kUnorderedS), "%16.3f", "");
    line("MostrarListado to first row painted (s)", figure(kFirstRowS), "%16.3f", "< 0.25");
    line("  ratio to the first-screen floor", headRatio, "%16.2f", "");
    line("MostrarListado to whole list painted (s)", figure(kFilledS), "%16.3f", "");
    line(
        "  ratio to the ordered floor", [](const Alternation &a) { return a.ratio(); }, "%16.2f", "<= 1.30");
    line("worst search keystroke (ms)", figure(kKeystrokeMs), "%16.2f", "< 10");
    line("keystroke selecting a far row (ms)", figure(kJumpMs), "%16.2f", "");
    line("sort by Direccion ascending (s)", figure(kAscendingSortS), "%16.3f", "< 2");
    line("  then descending (ms)", figure(kDescendingSortMs), "%16.2f", "< 50");
    line("switch to large icons (ms)", figure(kIconsMs), "%16.2f", "");
    line(
        "peak memory, largest run (MB)", [](const Alternation &a) { return largest(a.subject, kPeakMb); }, "%16.1f",
        "< 300");

    const Alternation &last = results.last();
    const bool met = last.ratio() <= Targets::fillRatio && median(last.subject, kFirstRowS) < Targets::firstRowS
        && median(last.subject, kKeystrokeMs) < Targets::keystrokeMs
        && median(last.subject, kAscendingSortS) < Targets::ascendingSortS
        && median(last.subject, kDescendingSortMs) < Targets::descendingSortMs
        && largest(last.subject, kPeakMb) < Targets::peakMb;
    std::printf("\ntargets at %lld customers: %s\n", static_cast<long long>(median(last.subject, kRows)), verdict(met));
    return 0;
}
