// The taxpayer register imported against 1,000,000 demo customers (or the
// count given as first argument), the register 15 lines per customer (15
// million), against `unzip -p FILE | wc -l` inflating and counting the same
// zip in the same run: each side once untimed, then the two in turn three
// times each, compared by their medians. Each import runs in a child process
// of its own, so that its peak memory is the import's alone. Then the check
// of every customer, and CUIT lookups in the index of the whole register.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <sqlite3.h>
#include <vector>

#include "benchsupport.h"
#include "core/registerstore.h"
#include "felcora/cuit.h"
#include "felcora/error.h"
#include "felcora/hostkit/brokerconfig.h"
#include "felcora/hostkit/recordbroker.h"
#include "support/registerfiles.h"
#include "taxregister/registercheck.h"
#include "taxregister/registerindex.h"

using namespace felcora;
using namespace felcora::bench;

namespace {

constexpr qint64 kDefaultCustomers = 1'000'000;
constexpr qint64 kLinesPerCustomer = 15;
constexpr double kTargetRatio = 3.0;
constexpr double kTargetPeakMb = 500;
constexpr double kTargetLookupMs = 10;
constexpr int kLookups = 1000;
constexpr double kBytesPerMb = 1e6;
// Of the master's customers, per thousand: missing from the register, and
// with another name or VAT condition there.
constexpr quint32 kMissingPerMille = 30;
constexpr quint32 kRenamedPerMille = 20;
constexpr quint32 kVatChangedPerMille = 20;
constexpr quint32 kPerMille = 1000;
// The filler taxpayers' CUITs spread over the persons' and companies' prefixes.
constexpr quint64 kFirstTen = 2'000'000'000;
constexpr quint64 kLastTen = 3'499'999'999;
constexpr int kCheckWeights = 10;

// The figures an import prints, in this order; the time first, as an alternation wants.
enum ImportFigure {
    kImportSeconds,
    kFound,
    kImportPeakMb,
    kCheckSeconds,
    kCheckRows,
    kPeakMb,
    kCustomersSeconds, // of the import: reading the master's CUITs,
    kRegisterSeconds,  // reading the register,
    kSnapshotSeconds,  // writing the snapshot and finishing the index
    kImportFigures
};

hostkit::EntitySettings personal(const QString &folder)
{
    return hostkit::BrokerConfig::embedded(folder).entity(QStringLiteral("PERSONAL"));
}

struct MasterRow
{
    quint64 cuit;
    QByteArray name;
    char condiva;
};

// The master's customers by CUIT, read with SQLite itself.
std::vector<MasterRow> masterRows(const QString &database)
{
    std::vector<MasterRow> rows;
    sqlite3 *db = nullptr;
    sqlite3_open_v2(database.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db, "select cuit, nombre, condiva from clientes order by cuit", -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const auto text = [&](int column) {
            return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)));
        };
        const QString condiva = text(2).trimmed();
        // As the register writes a name: upper case, Latin-1 (what it cannot hold, plain).
        const QString upper = text(1).toUpper();
        QByteArray name;
        for (const QChar c : upper)
            name.append(c.unicode() < 0x100 ? char(c.unicode()) : ' ');
        rows.push_back({text(0).toULongLong(), name, condiva.isEmpty() ? ' ' : condiva[0].toLatin1()});
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

// The register: the master's customers (but a few) among filler taxpayers, by CUIT.
QString registerZip(qint64 customers, const QString &folder)
{
    const qint64 lines = customers * kLinesPerCustomer;
    const QString zip = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
        + QStringLiteral("/felcora-bench/padron-%1.zip").arg(lines);
    if (QFile::exists(zip))
        return zip;
    std::printf("writing a register of %lld lines into %s ...\n", static_cast<long long>(lines), qPrintable(zip));
    std::fflush(stdout);
    // The master's customers the register knows: all but a few.
    QRandomGenerator random(1);
    std::vector<MasterRow> master = masterRows(personal(folder).database);
    std::erase_if(master, [&random](const MasterRow &) { return random.bounded(kPerMille) < kMissingPerMille; });
    const quint64 step = (kLastTen - kFirstTen) / quint64(lines - qint64(master.size()) + 1);
    quint64 fillerTen = kFirstTen;
    std::size_t nextMaster = 0;
    const auto nextFiller = [&] {
        for (;;) {
            fillerTen += step;
            int digits[kCheckWeights];
            quint64 rest = fillerTen;
            for (int k = kCheckWeights - 1; k >= 0; --k, rest /= 10)
                digits[k] = int(rest % 10);
            const int check = cuitCheckDigitOf(digits);
            if (check >= 0)
                return fillerTen * 10 + quint64(check);
        }
    };
    quint64 filler = nextFiller();
    const auto make = [&](qint64, QByteArray &out) {
        test::RegisterFields fields;
        if (nextMaster < master.size() && master[nextMaster].cuit < filler) {
            const MasterRow &row = master[nextMaster++];
            fields.cuit = QByteArray::number(row.cuit);
            fields.name = random.bounded(kPerMille) < kRenamedPerMille ? QByteArray("OTRO NOMBRE SA") : row.name;
            const bool changed = random.bounded(kPerMille) < kVatChangedPerMille;
            const char condiva = changed ? (row.condiva == 'M' ? 'S' : 'M') : row.condiva;
            fields.vat = condiva == 'N' ? "NI" : "AC";
            fields.simplified = condiva == 'M' ? "B" : "NI";
        } else {
            if (nextMaster < master.size() && master[nextMaster].cuit == filler)
                ++nextMaster; // the same taxpayer: written once
            fields.cuit = QByteArray::number(filler);
            fields.name = "CONTRIBUYENTE " + QByteArray::number(filler % 1'000'000'000);
            filler = nextFiller();
        }
        out += test::registerLine(fields);
        out += "\r\n";
    };
    QDir().mkpath(QFileInfo(zip).absolutePath());
    const QString partial = zip + QStringLiteral(".part");
    if (!test::writeRegisterZip(partial, QStringLiteral("padron.txt"), QDateTime::currentDateTime(), lines, make)
        || !QFile::rename(partial, zip))
        throw Error(1, QStringLiteral("bench_taxregister"), QStringLiteral("no se pudo escribir el padrón"));
    return zip;
}

// The anchor: unzip inflating the register and wc counting its lines.
std::optional<Figures> unzipCount(const QString &zip)
{
    QProcess shell;
    QElapsedTimer clock;
    clock.start();
    shell.start(QStringLiteral("sh"),
                {QStringLiteral("-c"), QStringLiteral("unzip -p \"$1\" | wc -l"), QStringLiteral("sh"), zip});
    if (!shell.waitForFinished(-1) || shell.exitCode() != 0) {
        std::fprintf(stderr, "unzip -p | wc -l failed: %s\n", shell.readAllStandardError().constData());
        return std::nullopt;
    }
    return Figures{secondsSince(clock), shell.readAllStandardOutput().trimmed().toDouble()};
}

// Child: the import as the list's menu or the host runs it, then the check.
int measureImport(const QString &folder, const QString &zip, const QString &index)
{
    hostkit::RecordBroker broker;
    broker.useConfig(hostkit::BrokerConfig::embedded(folder));
    broker.LoadParameters();
    const RegisterStore store(StoreContext{&broker, nullptr, &broker});
    QElapsedTimer clock;
    clock.start();
    // When each phase began, as the progress first tells it.
    double phaseStart[3] = {0, 0, 0};
    bool phaseSeen[3] = {true, false, false};
    const auto progress = [&](taxregister::ImportPhase phase, qint64, qint64) {
        const auto at = std::size_t(phase);
        if (!phaseSeen[at]) {
            phaseSeen[at] = true;
            phaseStart[at] = secondsSince(clock);
        }
        return true;
    };
    const taxregister::ImportResult import = taxregister::importRegister(store, zip, index, progress);
    const double importSeconds = secondsSince(clock);
    const double importPeak = peakMegabytes();
    clock.restart();
    const taxregister::CheckReport report = taxregister::checkCustomers(store);
    std::printf("%.6f %lld %.3f %.6f %lld %.3f %.6f %.6f %.6f\n", importSeconds, static_cast<long long>(import.found),
                importPeak, secondsSince(clock), static_cast<long long>(report.rows.size()), peakMegabytes(),
                phaseStart[1], phaseStart[2] - phaseStart[1], importSeconds - phaseStart[2]);
    return 0;
}

// CUITs of the register looked up in its index, the worst and the mean.
void measureLookups(const QString &index, const std::vector<MasterRow> &master)
{
    const std::unique_ptr<taxregister::RegisterIndex> opened = taxregister::RegisterIndex::open(index);
    double worst = 0, total = 0;
    int found = 0;
    for (int k = 0; k < kLookups; ++k) {
        const quint64 cuit = master[QRandomGenerator::global()->bounded(quint64(master.size()))].cuit;
        QElapsedTimer clock;
        clock.start();
        // As the new-customer window asks: the index opened for each CUIT typed.
        found += taxregister::RegisterIndex::open(index)->find(cuit).has_value();
        const double ms = msSince(clock);
        worst = std::max(worst, ms);
        total += ms;
    }
    std::printf("  index: %.1f MB, %lld taxpayers; %d CUITs looked up (%d found): mean %.2f ms, worst %.2f ms "
                "(target < %.0f ms: %s)\n",
                double(QFileInfo(index).size()) / kBytesPerMb, static_cast<long long>(opened->entryCount()), kLookups,
                found, total / kLookups, worst, kTargetLookupMs, verdict(worst < kTargetLookupMs));
}

int compare(qint64 customers)
{
    const QString demo = demoFolder(customers);
    const QString zip = registerZip(customers, demo);
    // The import writes its snapshot into a copy: the cached demo databases stay as the other benchmarks want them.
    QTemporaryDir work;
    for (const QFileInfo &file : QDir(demo).entryInfoList(QDir::Files))
        QFile::copy(file.filePath(), work.filePath(file.fileName()));
    const QString index = work.filePath(QStringLiteral("padron.indice"));

    std::printf("\nunzip -p | wc -l and the import timed in turn, %d times each after an untimed pass\n", kTimedRuns);
    const auto runs = alternate([&] { return unzipCount(zip); },
                                [&] {
                                    return runChild({work.path(), zip, index}, kImportFigures);
                                });
    if (!runs)
        return 1;
    printRuns("import, runs (s)", "unzip -p | wc -l", "import", *runs);
    const double ratio = runs->ratio();
    const double peak = largest(runs->subject, kPeakMb);
    const double importPeak = largest(runs->subject, kImportPeakMb);
    std::printf("  %.0f register lines, %.0f MB zip: import %.2f s against %.2f s, ratio %.2f (target <= %.1f: %s); "
                "%.0f customers found of %lld\n",
                median(runs->anchor, 1), double(QFileInfo(zip).size()) / kBytesPerMb, median(runs->subject),
                median(runs->anchor), ratio, kTargetRatio, verdict(ratio <= kTargetRatio),
                median(runs->subject, kFound), static_cast<long long>(customers));
    std::printf("  of the import: the master's CUITs %.2f s, the register %.2f s, the snapshot and the index %.2f s\n",
                median(runs->subject, kCustomersSeconds), median(runs->subject, kRegisterSeconds),
                median(runs->subject, kSnapshotSeconds));
    printRuns("check, runs (s)", "check of every customer", runs->subject, kCheckSeconds);
    std::printf("  check: %.2f s, %.0f customers with findings; peak memory: import %.0f MB, with the check %.0f MB "
                "(target < %.0f MB: %s)\n",
                median(runs->subject, kCheckSeconds), median(runs->subject, kCheckRows), importPeak, peak,
                kTargetPeakMb, verdict(peak < kTargetPeakMb));
    measureLookups(index, masterRows(personal(work.path()).database));
    const bool met = ratio <= kTargetRatio && peak < kTargetPeakMb;
    std::printf("\ntargets at %lld customers: %s\n", static_cast<long long>(customers), verdict(met));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bool child = argc == 5 && qstrcmp(argv[1], "--measure") == 0;
    const std::optional<qint64> customers = child ? 0 : customersArgument(argc, argv, kDefaultCustomers);
    if (!customers)
        return 2;
    try {
        return child ? measureImport(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                                     QString::fromLocal8Bit(argv[4]))
                     : compare(*customers);
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
