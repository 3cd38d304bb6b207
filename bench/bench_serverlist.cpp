// The customer list filled from a PostgreSQL server on its Unix socket, with
// 1,000,000 customers (or the count given as first argument): its first
// screen painted against psql fetching the list's first screen, and the
// whole list read and painted against psql fetching every customer by name
// to /dev/null, the server's own pace (the server streaming the rows as COPY
// text is timed too, as the floor). The bench starts a throwaway server
// (tests/support/pgserver.sh) unless FELCORA_PG_ENV names a running one,
// copies the cached demo customers into a database of its own and drops it
// at the end. psql and the list are timed in turn, three times each after
// one untimed pass of each; each list runs in a child process of its own.
// Without a server or psql the bench is skipped.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <optional>

#include "benchsupport.h"
#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "felcora/error.h"
#include "felcora/hostkit/brokerconfig.h"
#include "support/serverdatabase.h"

using namespace felcora;
using namespace felcora::bench;

namespace {

constexpr double kTargetRatio = 1.5;
// The first screen painted, in seconds, as on the embedded database.
constexpr double kTargetFirstRowS = 0.25;
// What pgserver.sh answers when no server can run here.
constexpr int kServerCannotRun = 3;
// Every customer in the list's order, and the first screen the list reads before it shows itself.
const char *const kListQuery = "select * from clientes order by nombre";
const char *const kHeadQuery = "select * from clientes order by nombre offset 0 rows fetch next 64 rows only";
// Rows are written to psql's COPY in pieces of this size.
constexpr qsizetype kCopyChunk = 4 << 20;

// The figures a list measurement prints, the whole fill first.
enum ListFigure { kFilledS, kRows, kFirstRowS, kPeakMb, kListFigures };

// The settings a child gets from its parent's environment.
const char *const kSettingNames[] = {"FELCORA_PG_HOST", "FELCORA_PG_PORT", "FELCORA_PG_USER", "FELCORA_PG_PASSWORD"};

QString psqlProgram()
{
    if (const QString found = QStandardPaths::findExecutable(QStringLiteral("psql")); !found.isEmpty())
        return found;
    QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(),
              [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
    for (const QString &v : versions) {
        const QString candidate = QStringLiteral("/usr/lib/postgresql/%1/bin/psql").arg(v);
        if (QFile::exists(candidate))
            return candidate;
    }
    return {};
}

// Child: the list on the server's database, timed from MostrarListado to its
// first rows painted and to every row read and painted.
int measureList(const QString &database)
{
    DemoList list(test::ServerDatabase::configFor(database));
    double firstRowS = 0;
    std::optional<double> filledS;
    long long rows = 0;
    QElapsedTimer clock;
    clock.start();
    const bool painted = list.showAndMeasure([&](browser::FrmABMClientes *window) {
        firstRowS = secondsSince(clock);
        filledS = secondsToFilled(window, clock);
        rows = window->list()->rowCount();
        window->unload();
    });
    if (!painted || !filledS)
        return 1;
    std::printf("%.6f %lld %.6f %.3f\n", *filledS, rows, firstRowS, peakMegabytes());
    return 0;
}

// The server the bench runs on: the one FELCORA_PG_ENV names, or a throwaway
// one of its own, stopped when this goes.
class Server
{
public:
    // Nothing, with the reason printed, when no server can run here.
    static std::unique_ptr<Server> start()
    {
        auto server = std::unique_ptr<Server>(new Server);
        server->m_envFile = qEnvironmentVariable("FELCORA_PG_ENV");
        const bool reused = !server->m_envFile.isEmpty() && QFile::exists(server->m_envFile);
        if (!reused) {
            server->m_envFile = QDir::temp().filePath(
                QStringLiteral("felcora-bench-pgserver.%1.env").arg(QCoreApplication::applicationPid()));
            QProcess script;
            script.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            script.setStandardOutputFile(QProcess::nullDevice());
            script.start(QStringLiteral(FELCORA_SOURCE_DIR "/tests/support/pgserver.sh"),
                         {QStringLiteral("start"), server->m_envFile});
            script.waitForFinished(-1);
            if (script.exitStatus() != QProcess::NormalExit || script.exitCode() != 0) {
                std::printf("skipped: no PostgreSQL server could be started here (pgserver.sh exit %d)\n",
                            script.exitCode());
                if (script.exitCode() != kServerCannotRun)
                    server->m_started = true; // whatever it left is removed
                return nullptr;
            }
            server->m_started = true;
        }
        // Read by ServerDatabase, by psql and by the children.
        qputenv("FELCORA_PG_ENV", QFile::encodeName(server->m_envFile));
        if (!server->exportSettings()) {
            std::printf("skipped: %s names no server settings\n", qPrintable(server->m_envFile));
            return nullptr;
        }
        return server;
    }
    ~Server()
    {
        if (!m_started)
            return;
        QProcess::execute(QStringLiteral(FELCORA_SOURCE_DIR "/tests/support/pgserver.sh"),
                          {QStringLiteral("stop"), m_envFile});
    }

private:
    Server() = default;
    // The lines `export NAME='value'` of the file, into this process's environment.
    bool exportSettings() const
    {
        QFile file(m_envFile);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray &raw : file.readAll().split('\n')) {
            const QByteArray line = raw.trimmed().mid(raw.trimmed().startsWith("export ") ? 7 : 0);
            const qsizetype equals = line.indexOf('=');
            if (equals > 0)
                qputenv(line.left(equals).constData(), line.mid(equals + 1).replace('\'', QByteArray()));
        }
        qputenv("PGPASSWORD", qgetenv("FELCORA_PG_PASSWORD"));
        return !qgetenv("FELCORA_PG_HOST").isEmpty();
    }

    QString m_envFile;
    bool m_started = false;
};

QStringList psqlArguments(const QString &database)
{
    return {QStringLiteral("-X"), QStringLiteral("-q"),
            QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
            QStringLiteral("-h"), qEnvironmentVariable("FELCORA_PG_HOST"),
            QStringLiteral("-p"), qEnvironmentVariable("FELCORA_PG_PORT"),
            QStringLiteral("-U"), qEnvironmentVariable("FELCORA_PG_USER"),
            QStringLiteral("-d"), database};
}

// One column of a SQLite row in PostgreSQL's COPY text format.
void appendCopyValue(QByteArray &out, sqlite3_stmt *row, int column)
{
    if (sqlite3_column_type(row, column) == SQLITE_NULL) {
        out.append("\\N");
        return;
    }
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(row, column));
    const int length = sqlite3_column_bytes(row, column);
    for (int i = 0; i < length; ++i) {
        switch (text[i]) {
        case '\\': out.append("\\\\"); break;
        case '\t': out.append("\\t"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        default: out.append(text[i]);
        }
    }
}

// The demo customers of the SQLite cache, streamed into the server's
// clientes through psql's COPY; the rows copied, nothing on failure.
std::optional<qint64> copyCustomers(const QString &sqliteFile, const QString &database)
{
    SqliteConnection source(sqliteFile);
    Statement rows(source, QStringLiteral("select * from clientes"));
    if (!rows.handle())
        return std::nullopt;
    QProcess psql;
    psql.setProcessChannelMode(QProcess::ForwardedChannels);
    psql.start(psqlProgram(),
               psqlArguments(database) << QStringLiteral("-c") << QStringLiteral("COPY clientes FROM STDIN"));
    if (!psql.waitForStarted())
        return std::nullopt;
    const int columns = sqlite3_column_count(rows.handle());
    QByteArray chunk;
    chunk.reserve(kCopyChunk + (64 << 10));
    qint64 copied = 0;
    int step = SQLITE_ROW;
    while ((step = rows.step()) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                chunk.append('\t');
            appendCopyValue(chunk, rows.handle(), c);
        }
        chunk.append('\n');
        ++copied;
        if (chunk.size() >= kCopyChunk) {
            psql.write(chunk);
            chunk.clear();
            while (psql.bytesToWrite() > 0 && psql.waitForBytesWritten(-1)) {}
        }
    }
    psql.write(chunk);
    psql.closeWriteChannel();
    psql.waitForFinished(-1);
    if (step != SQLITE_DONE || psql.exitStatus() != QProcess::NormalExit || psql.exitCode() != 0) {
        std::fprintf(stderr, "copying the customers into the server failed\n");
        return std::nullopt;
    }
    return copied;
}

// How long psql takes to run its arguments with its output thrown away; nothing when it failed.
std::optional<double> psqlSeconds(const QStringList &arguments)
{
    QProcess psql;
    psql.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    psql.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    psql.start(psqlProgram(), arguments);
    psql.waitForFinished(-1);
    const double s = secondsSince(clock);
    if (psql.exitStatus() != QProcess::NormalExit || psql.exitCode() != 0) {
        std::fprintf(stderr, "psql failed: %s\n", qPrintable(arguments.join(u' ')));
        return std::nullopt;
    }
    return s;
}

// The anchor's figures: psql fetching the whole result of the list's query
// and printing it to /dev/null (the time), the server streaming the same
// rows as COPY text, which no client of a query can outpace, and psql
// fetching the list's first screen.
enum AnchorFigure { kPsqlS, kStreamS, kPsqlHeadS };

std::optional<Figures> psqlFetch(const QString &database)
{
    const auto fetch = [&](const char *query) {
        return psqlSeconds(psqlArguments(database) << QStringLiteral("-A") << QStringLiteral("-t")
                                                   << QStringLiteral("-c") << QString::fromLatin1(query));
    };
    const auto fetched = fetch(kListQuery);
    const auto streamed = psqlSeconds(psqlArguments(database)
                                      << QStringLiteral("-c") << QStringLiteral("COPY (%1) TO STDOUT").arg(kListQuery));
    const auto head = fetch(kHeadQuery);
    if (!fetched || !streamed || !head)
        return std::nullopt;
    return Figures{*fetched, *streamed, *head};
}

int run(qint64 customers)
{
    if (psqlProgram().isEmpty()) {
        std::printf("skipped: psql was not found (install the postgresql package)\n");
        return 0;
    }
    const std::unique_ptr<Server> server = Server::start();
    if (!server)
        return 0;

    const QString folder = demoFolder(customers);
    const QString personal = hostkit::BrokerConfig::embedded(folder).entity(QStringLiteral("PERSONAL")).database;
    std::optional<Alternation> runs;
    std::optional<qint64> copied;
    {
        const test::ServerDatabase database; // the server's schema and seed rows; dropped at the end
        std::printf("copying %lld customers into the server ...\n", static_cast<long long>(customers));
        std::fflush(stdout);
        QElapsedTimer filling;
        filling.start();
        copied = copyCustomers(personal, database.name());
        if (!copied)
            return 1;
        test::ServerDatabase::exec(database.customerPath(), QStringLiteral("ANALYZE clientes"));
        std::printf("copied and analysed in %.1f s\n", secondsSince(filling));

        runs = alternate([&] { return psqlFetch(database.name()); },
                         [&] { return runChild({database.name()}, kListFigures); });
    }
    if (!runs)
        return 1;
    const auto rows = static_cast<long long>(median(runs->subject, kRows));
    for (const Figures &f : runs->subject) {
        if (f[kRows] != double(*copied)) {
            std::fprintf(stderr, "the list showed %.0f customers, the server holds %lld\n", f[kRows],
                         static_cast<long long>(*copied));
            return 1;
        }
    }

    std::printf("\npsql and list timed in turn, %d times each after an untimed pass\n", kTimedRuns);
    const QByteArray label = QByteArray::number(rows) + " customers, runs (s)";
    printRuns(label.constData(), "psql", "whole fill", *runs);
    printRuns("  the server's COPY stream (s)", "COPY", runs->anchor, kStreamS);
    printRuns("  first screen (s)", "psql", runs->anchor, kPsqlHeadS);
    printRuns("  first screen (s)", "first row", runs->subject, kFirstRowS);
    const double firstRowS = median(runs->subject, kFirstRowS);
    std::printf("\n%-50s%12s%12s\n", "", "median", "target");
    std::printf("%-50s%12.3f\n", "psql fetches the list's first screen (s)", median(runs->anchor, kPsqlHeadS));
    std::printf("%-50s%12.3f\n", "psql fetches the list's query to /dev/null (s)", median(runs->anchor, kPsqlS));
    std::printf("%-50s%12.3f\n", "  the server streams it as COPY text (s)", median(runs->anchor, kStreamS));
    std::printf("%-50s%12.3f%12s\n", "MostrarListado to first row painted (s)", firstRowS, "< 0.25");
    std::printf("%-50s%12.2f\n", "  ratio to psql's first screen", firstRowS / median(runs->anchor, kPsqlHeadS));
    std::printf("%-50s%12.3f\n", "MostrarListado to whole list painted (s)", median(runs->subject, kFilledS));
    std::printf("%-50s%12.2f%12s\n", "  ratio to psql", runs->ratio(), "<= 1.50");
    std::printf("%-50s%12.2f\n", "  ratio to the COPY stream",
                median(runs->subject, kFilledS) / median(runs->anchor, kStreamS));
    std::printf("%-50s%12.1f\n", "peak memory of the list, largest run (MB)", largest(runs->subject, kPeakMb));
    std::printf("\ntargets at %lld customers: whole list %s, first row %s\n", rows,
                verdict(runs->ratio() <= kTargetRatio), verdict(firstRowS < kTargetFirstRowS));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--measure") == 0) {
        qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
        QApplication app(argc, argv);
        for (const char *name : kSettingNames) {
            if (qEnvironmentVariableIsEmpty(name)) {
                std::fprintf(stderr, "%s is not set\n", name);
                return 1;
            }
        }
        try {
            return measureList(QString::fromLocal8Bit(argv[2]));
        } catch (const Error &e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }

    QCoreApplication app(argc, argv);
    const std::optional<qint64> customers = customersArgument(argc, argv, 1000000);
    if (!customers)
        return 2;
    try {
        return run(*customers);
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
