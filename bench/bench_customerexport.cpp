// The customer list exported to XLSX and to CSV with 1,000,000 demo customers
// (or the count given as first argument) against the sqlite3 shell writing
// the list's query as CSV from the same database file, in the same run: each
// side once untimed, then the two in turn three times each, compared by
// their medians. Each export runs in a child process of its own, so that its
// peak memory is the export's alone.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>

#include "benchsupport.h"
#include "felcora/customerlistexport.h"
#include "felcora/error.h"
#include "felcora/hostkit/brokerconfig.h"
#include "felcora/hostkit/recordbroker.h"

using namespace felcora;
using namespace felcora::bench;

namespace {

constexpr qint64 kDefaultCustomers = 1'000'000;
constexpr double kTargetRatio = 2.0;
constexpr double kBytesPerMb = 1e6;

// The figures an export prints, in this order; the time first, as an alternation wants.
enum ExportFigure { kSeconds, kRows, kPeakMb, kExportFigures };

QString personalDatabase(const QString &folder)
{
    return hostkit::BrokerConfig::embedded(folder).entity(QStringLiteral("PERSONAL")).database;
}

// Child: the export as a host calls it, on a broker of the demo databases.
int measureExport(const QString &folder, const QString &file)
{
    hostkit::RecordBroker broker;
    broker.useConfig(hostkit::BrokerConfig::embedded(folder));
    broker.LoadParameters();
    QElapsedTimer clock;
    clock.start();
    const int rows = exportCustomerList(broker, file);
    std::printf("%.6f %d %.3f\n", secondsSince(clock), rows, peakMegabytes());
    return 0;
}

// The four columns the export writes.
const QString kOrderedList = QStringLiteral("select nombre, cuit, domicilio, email from clientes order by nombre");

// The anchor: the sqlite3 shell writes every customer by name as CSV to a file.
// The shell knows no Spanish collation: it orders by its own, through the name
// index, which is the nearest it comes to the list the export writes.
std::optional<Figures> sqliteCsv(const QString &database, const QString &file)
{
    QProcess shell;
    shell.setStandardOutputFile(file);
    QElapsedTimer clock;
    clock.start();
    shell.start(QStringLiteral("sqlite3"),
                {QStringLiteral("-csv"), QStringLiteral("-readonly"), database, kOrderedList});
    if (!shell.waitForFinished(-1) || shell.exitStatus() != QProcess::NormalExit || shell.exitCode() != 0) {
        std::fprintf(stderr, "sqlite3 -csv failed: %s\n", shell.readAllStandardError().constData());
        return std::nullopt;
    }
    return Figures{secondsSince(clock)};
}

// Parent: the two formats, each alternated with the anchor.
int compare(qint64 customers)
{
    const QString folder = demoFolder(customers);
    QTemporaryDir out;
    const QString database = personalDatabase(folder);
    const auto anchor = [&] { return sqliteCsv(database, out.filePath(QStringLiteral("sqlite3.csv"))); };
    QProcess counter;
    counter.start(QStringLiteral("sqlite3"),
                  {QStringLiteral("-readonly"), database, QStringLiteral("select count(*) from clientes")});
    counter.waitForFinished(-1);
    const qint64 stored = counter.readAllStandardOutput().trimmed().toLongLong();

    std::printf("\nsqlite3 -csv and the export timed in turn, %d times each after an untimed pass\n", kTimedRuns);
    bool met = true;
    for (const char *suffix : {"xlsx", "csv"}) {
        const QString file = out.filePath(QStringLiteral("clientes.") + QLatin1String(suffix));
        const auto runs = alternate(anchor, [&] { return runChild({folder, file}, kExportFigures); });
        if (!runs)
            return 1;
        const QByteArray label = QByteArray(suffix) + ", runs (s)";
        printRuns(label.constData(), "sqlite3 -csv", "export", *runs);
        const double ratio = runs->ratio();
        const auto exported = static_cast<qint64>(median(runs->subject, kRows));
        if (exported != stored) { // an export that left rows out would look quick
            std::fprintf(stderr, "the export wrote %lld rows of %lld\n", static_cast<long long>(exported),
                         static_cast<long long>(stored));
            return 1;
        }
        met = met && ratio <= kTargetRatio;
        std::printf("  %lld rows to %s: %.3f s against %.3f s, ratio %.2f (target <= %.2f: %s), %.0f rows/s; "
                    "peak memory %.1f MB; file %.1f MB\n",
                    static_cast<long long>(median(runs->subject, kRows)), suffix, median(runs->subject),
                    median(runs->anchor), ratio, kTargetRatio, verdict(ratio <= kTargetRatio),
                    median(runs->subject, kRows) / median(runs->subject), largest(runs->subject, kPeakMb),
                    double(QFileInfo(file).size()) / kBytesPerMb);
    }
    std::printf("\ntargets at %lld customers: %s\n", static_cast<long long>(customers), verdict(met));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bool child = argc == 4 && qstrcmp(argv[1], "--measure") == 0;
    const std::optional<qint64> customers = child ? 0 : customersArgument(argc, argv, kDefaultCustomers);
    if (!customers)
        return 2;
    try {
        return child ? measureExport(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]))
                     : compare(*customers);
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
