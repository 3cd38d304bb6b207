// Writes N demo customers (first argument, default 1000000) into fresh databases
// in a temporary folder and prints how long it took.

#include "felcora/error.h"
#include "felcora/hostkit/demodata.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>

namespace {

bool createWithSchema(const QString &path, const QString &resource)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "schema resource %s is not embedded\n", qPrintable(resource));
        return false;
    }
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK
        && sqlite3_exec(db, file.readAll().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok)
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), sqlite3_errmsg(db));
    sqlite3_close(db);
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

    felcora::hostkit::DemoOptions options;
    options.customers = 1000000;
    if (argc > 1) {
        bool ok = false;
        options.customers = QString::fromLocal8Bit(argv[1]).toLongLong(&ok);
        if (!ok || options.customers < 0) {
            std::fprintf(stderr, "usage: %s [customers]\n", argv[0]);
            return 2;
        }
    }

    QTemporaryDir dir;
    const QString personal = dir.filePath(QStringLiteral("personal.db"));
    const QString accounting = dir.filePath(QStringLiteral("contable.db"));
    if (!dir.isValid() || !createWithSchema(personal, QStringLiteral(":/felcora/sql/personal.sql"))
        || !createWithSchema(accounting, QStringLiteral(":/felcora/sql/contable.sql")))
        return 1;

    try {
        QElapsedTimer timer;
        timer.start();
        const felcora::hostkit::DemoSummary summary = felcora::hostkit::generateDemoData(personal, accounting, options);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        std::printf("%lld customers, %lld agents (%lld pending) in %.2f s: %.0f rows/s, %.1f MB\n",
                    static_cast<long long>(summary.customers), static_cast<long long>(summary.agents),
                    static_cast<long long>(summary.pendingAgents), seconds,
                    seconds > 0 ? double(summary.customers) / seconds : 0.0, double(QFile(personal).size()) / 1e6);
    } catch (const felcora::Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
