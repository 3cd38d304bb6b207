// Two workstations on one server at the same time, as two processes: both
// adding the same new CUIT, and one deleting a customer while the other moves
// it to a new CUIT. Whatever the order the server gives them, one insert
// wins, no customer is doubled, and no distribution line is left without its
// customer. Runs only on the test server.

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "core/customerstore.h"
#include "felcora/error.h"
#include "felcora/hostkit/recordbroker.h"
#include "molde/molde.h"
#include "support/serverdatabase.h"
#include "support/tempdatabase.h"

using namespace felcora;
using namespace Qt::StringLiterals;
using felcora::test::TempDatabase;

namespace {

const QString kWorkstation = u"--workstation"_s;
const QString kNewCuit = u"30712345678"_s;
const QString kMoved = u"20111111112"_s;
const QString kMovedTo = u"20999999990"_s;
constexpr int kRounds = 5;
constexpr int kWaitMs = 30000;
constexpr int kPollMs = 1;

// One workstation's work: waits for the start file, then adds, deletes or
// moves the customer, and prints what its save answered.
int workstation(const QStringList &args)
{
    const QString action = args.value(0), database = args.value(1), start = args.value(2);
    hostkit::RecordBroker broker;
    broker.useConfig(test::ServerDatabase::configFor(database));
    hostkit::Molde format;
    try {
        broker.LoadParameters();
        QElapsedTimer waited;
        waited.start();
        while (!QFile::exists(start) && waited.elapsed() < kWaitMs)
            QThread::msleep(kPollMs);
        if (action == u"insert") {
            CustomerRecord typed;
            typed.cuit = kNewCuit;
            typed.nombre = u"Nueva SA"_s;
            const CustomerInsert insert = insertCustomer(broker, &broker, typed, true);
            std::printf("%s\n", insert.cuitTaken ? "taken" : insert.rowsInserted > 0 ? "inserted" : "none");
        } else if (action == u"delete") {
            const CustomerDeletion deletion = deleteCustomer(broker, &broker, kMoved);
            std::printf("deleted %lld\n", static_cast<long long>(deletion.customersDeleted));
        } else {
            const auto loaded = loadCustomer(broker, format, kMoved, true);
            if (!loaded) {
                std::printf("gone\n");
                return 0;
            }
            CustomerRecord typed = *loaded;
            typed.cuit = kMovedTo;
            const CustomerUpdate update = updateCustomer(broker, format, &broker, {typed, *loaded, *loaded, true});
            std::printf("moved %lld\n", static_cast<long long>(update.rowsUpdated));
        }
    } catch (const Error &e) {
        std::printf("error %s\n", qPrintable(e.description()));
    }
    return 0;
}

} // namespace

class TestWorkstations : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        if (!test::onServer())
            QSKIP("two workstations on a server: run with FELCORA_TEST_BACKEND=postgres");
    }

    void sameNewCuitTwiceAtOnce()
    {
        for (int round = 0; round < kRounds; ++round) {
            TempDatabase db;
            const QStringList answers = runTogether(db, {u"insert"_s, u"insert"_s});
            QCOMPARE(answers.count(u"inserted"_s), 1);
            const QString other = answers.at(answers.indexOf(u"inserted"_s) == 0 ? 1 : 0);
            QVERIFY2(other == u"taken"_s || other.startsWith(u"error El servidor de base de datos rechazó la sentencia"_s),
                     qPrintable(other));
            QCOMPARE(count(db, u"select count(*) from clientes where cuit = '%1'"_s.arg(kNewCuit)), 1);
        }
    }

    void deleteWhileAnotherMovesTheCustomer()
    {
        for (int round = 0; round < kRounds; ++round) {
            TempDatabase db;
            TempDatabase::exec(db.personalPath(),
                               u"insert into clientes (cuit, nombre) values ('%1', 'Benítez, Juan');"
                               "insert into DIB (CLICUI, JRDNRO, DIBVALOR, DIBEXENTO) values ('%1', '901', 0.5, 0), "
                               "('%1', '902', 0.5, 0)"_s.arg(kMoved));
            const QStringList answers = runTogether(db, {u"delete"_s, u"move"_s});
            QVERIFY2(!answers.join(u' ').contains(u"error"_s), qPrintable(answers.join(u" | "_s)));
            // One of the two went first: either the customer is gone with its lines, or
            // it lives under its new CUIT with them (and the deletion found nothing).
            const int customers = count(db, u"select count(*) from clientes"_s);
            QVERIFY(customers <= 1);
            QCOMPARE(count(db, u"select count(*) from DIB where CLICUI not in (select cuit from clientes)"_s), 0);
            if (customers == 1) {
                QCOMPARE(count(db, u"select count(*) from clientes where cuit = '%1'"_s.arg(kMovedTo)), 1);
                QCOMPARE(count(db, u"select count(*) from DIB where CLICUI = '%1'"_s.arg(kMovedTo)), 2);
            }
        }
    }

private:
    static int count(const TempDatabase &db, const QString &sql)
    {
        return TempDatabase::scalar(db.personalPath(), sql).toInt();
    }

    // Starts one process per action on the database, lets them go at once, and answers what each printed.
    static QStringList runTogether(const TempDatabase &db, const QStringList &actions)
    {
        QTemporaryDir dir;
        const QString start = dir.filePath(u"go"_s);
        std::vector<std::unique_ptr<QProcess>> processes;
        for (const QString &action : actions) {
            auto p = std::make_unique<QProcess>();
            p->start(QCoreApplication::applicationFilePath(),
                     {kWorkstation, action, db.personalPath().section(u':', 1), start});
            if (!p->waitForStarted(kWaitMs))
                return {u"not started"_s};
            processes.push_back(std::move(p));
        }
        QFile(start).open(QIODevice::WriteOnly);
        QStringList answers;
        for (const auto &p : processes) {
            p->waitForFinished(kWaitMs);
            answers << QString::fromUtf8(p->readAllStandardOutput()).trimmed();
        }
        return answers;
    }
};

int main(int argc, char *argv[])
{
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == kWorkstation) {
        QCoreApplication app(argc, argv);
        return workstation(app.arguments().mid(2));
    }
    QCoreApplication app(argc, argv);
    TestWorkstations test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_workstations.moc"
