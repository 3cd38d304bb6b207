// The customer list with 100,000 and 1,000,000 demo customers (or the count
// given as first argument): opening it against SQLite's own floor, the worst
// search keystroke, a header sort (first and repeated) and peak memory.
// Each count is measured in a child process of its own, so that its peak
// memory is the list's alone.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QTableView>

#include <cstdio>
#include <optional>

#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "felcora/clListado.h"
#include "felcora/error.h"
#include "felcora/hostkit/brokerconfig.h"
#include "felcora/hostkit/demodata.h"
#include "felcora/hostkit/hostkit.h"
#include "felcora/hostkit/recordbroker.h"
#include "benchsupport.h"
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

struct Measures
{
    double limitS = 0;
    double openS = 0;
    double keystrokeMs = 0;
    double jumpMs = 0;
    double iconsMs = 0;
    double firstSortS = 0;
    double repeatSortMs = 0;
    double peakMb = 0;
    long long rows = 0;
};

// Child: opens the list through clListado.MostrarListado and measures it once painted.
int measureList(const QString &folder)
{
    hostkit::registerHostComponents();
    hostkit::RecordBroker broker;
    broker.useConfig(hostkit::BrokerConfig::embedded(folder));
    clListado listado;
    listado.setSeleccionar(true);
    listado.SetDataConnection(QVariant::fromValue<QObject *>(&broker));

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
    listado.MostrarListado();
    if (!measured) {
        std::fprintf(stderr, "the list was never painted\n");
        return 1;
    }
    m.peakMb = peakMegabytes();
    std::printf("%lld %.6f %.6f %.6f %.6f %.3f %.6f %.6f\n", m.rows, m.openS, m.keystrokeMs, m.firstSortS, m.repeatSortMs,
                m.peakMb, m.jumpMs, m.iconsMs);
    return 0;
}

std::optional<Measures> measureSize(qint64 customers)
{
    const QString folder = demoFolder(customers);
    const QByteArray personal = hostkit::BrokerConfig::embedded(folder).entity(QStringLiteral("PERSONAL")).database.toLocal8Bit();

    Measures m;
    m.limitS = 1e9;
    for (int run = 0; run < 3; ++run) {
        char error[256] = {};
        long long rows = 0;
        const double s = felcora_limit_seconds(personal.constData(), &rows, error, sizeof error);
        if (s < 0) {
            std::fprintf(stderr, "limit: %s\n", error);
            return std::nullopt;
        }
        m.limitS = std::min(m.limitS, s);
    }

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--measure"), folder});
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        std::fprintf(stderr, "the list measurement failed\n");
        return std::nullopt;
    }
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 8)
        return std::nullopt;
    m.rows = fields[0].toLongLong();
    m.openS = fields[1].toDouble();
    m.keystrokeMs = fields[2].toDouble();
    m.firstSortS = fields[3].toDouble();
    m.repeatSortMs = fields[4].toDouble();
    m.peakMb = fields[5].toDouble();
    m.jumpMs = fields[6].toDouble();
    m.iconsMs = fields[7].toDouble();
    return m;
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

    QList<Measures> results;
    try {
        for (const qint64 n : sizes) {
            const auto m = measureSize(n);
            if (!m)
                return 1;
            results.append(*m);
        }
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }

    std::printf("\n%-34s", "customers");
    for (const Measures &m : results)
        std::printf("%16lld", m.rows);
    std::printf("%16s\n", "target");
    auto line = [&](const char *what, auto value, const char *format, const char *target) {
        std::printf("%-34s", what);
        for (const Measures &m : results)
            std::printf(format, value(m));
        std::printf("%16s\n", target);
    };
    line("limit: SQLite steps the query (s)", [](const Measures &m) { return m.limitS; }, "%16.3f", "");
    line("MostrarListado to painted (s)", [](const Measures &m) { return m.openS; }, "%16.3f", "");
    line("  ratio to the limit", [](const Measures &m) { return m.openS / m.limitS; }, "%16.2f", "<= 1.30");
    line("worst search keystroke (ms)", [](const Measures &m) { return m.keystrokeMs; }, "%16.2f", "< 10");
    line("keystroke selecting a far row (ms)", [](const Measures &m) { return m.jumpMs; }, "%16.2f", "");
    line("first sort by Direccion (s)", [](const Measures &m) { return m.firstSortS; }, "%16.3f", "< 2");
    line("repeated sort by Direccion (ms)", [](const Measures &m) { return m.repeatSortMs; }, "%16.2f", "< 50");
    line("switch to large icons (ms)", [](const Measures &m) { return m.iconsMs; }, "%16.2f", "");
    line("peak memory (MB)", [](const Measures &m) { return m.peakMb; }, "%16.1f", "< 300");

    const Measures &last = results.last();
    const bool met = last.openS / last.limitS <= Targets::openRatio && last.keystrokeMs < Targets::keystrokeMs
        && last.firstSortS < Targets::firstSortS && last.repeatSortMs < Targets::repeatSortMs
        && last.peakMb < Targets::peakMb;
    std::printf("\ntargets at %lld customers: %s\n", last.rows, met ? "met" : "NOT met");
    return 0;
}
