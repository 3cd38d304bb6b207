// Faults between a load and a save: the office server restarted or closing
// idle connections (the first save afterwards stores, once); an embedded file
// read-only when opened and writable now, or replaced or deleted while open.
// The server cases restart a server of their own (FELCORA_TEST_BACKEND=postgres).

#include <QProcess>
#include <QThread>
#include <QtTest>
#include <unistd.h>

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

const QString kReadOnlyDesk = u"--read-only-desk"_s;
const QString kCustomer = u"20111111112"_s;
const QString kMovedTo = u"20999999990"_s;
constexpr unsigned long kPastIdleTimeoutMs = 1600; // the server cases' timeout is 1 s

// What a save did, or why it failed.
QString outcome(const std::function<QString()> &save)
{
    try {
        return save();
    } catch (const Error &e) {
        return u"error "_s + e.description();
    }
}

CustomerStore storeOn(hostkit::RecordBroker &broker, IFormat *format = nullptr)
{
    return CustomerStore({&broker, format, &broker}, nullptr, true);
}

QString insertAnswer(hostkit::RecordBroker &broker)
{
    CustomerRecord record;
    record.cuit = u"30712345678"_s;
    record.nombre = u"Nueva SA"_s;
    return outcome([&] { return u"inserted %1"_s.arg(storeOn(broker).insert(record).rowsInserted); });
}

// A desk whose database file could not be written when it was opened: its
// change is refused; once the file may be written, the next one is stored.
QStringList readOnlyDeskAnswers()
{
    QTemporaryDir dir;
    const auto open = [config = hostkit::BrokerConfig::embedded(dir.path())] {
        auto broker = std::make_unique<hostkit::RecordBroker>();
        broker->useConfig(config);
        broker->LoadParameters();
        return broker;
    };
    open(); // creates the files
    const QString file = dir.filePath(u"personal.db"_s);
    QFile::setPermissions(file, QFile::ReadOwner);
    const auto broker = open();
    QStringList answers{insertAnswer(*broker)};
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    return answers << insertAnswer(*broker);
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

    QTemporaryDir m_serverDir;
    QString m_serverEnv;

    int server(const QString &command)
    {
        return QProcess::execute(QStringLiteral(FELCORA_PGSERVER_SCRIPT), {command, m_serverEnv});
    }

private slots:
    void initTestCase()
    {
        if (!test::onServer())
            return;
        m_serverEnv = m_serverDir.filePath(u"pg.env"_s);
        const int started = server(u"start"_s);
        if (started == 3)
            QSKIP("no PostgreSQL server can be started here");
        QCOMPARE(started, 0);
        qputenv("FELCORA_PG_ENV", QFile::encodeName(m_serverEnv)); // every test database on this server
    }
    void cleanupTestCase()
    {
        if (!m_serverEnv.isEmpty())
            server(u"stop"_s);
    }

    // Every save begins on a connection the fault closed: a new customer, and
    // the loaded customer moved to another CUIT with its lines.
    void serverFaultBetweenLoadAndSave_data()
    {
        QTest::addColumn<bool>("restart"); // else the server closes the idle connections
        QTest::addColumn<bool>("move");    // else a new customer
        for (const bool restart : {true, false})
            for (const bool move : {false, true})
                QTest::addRow("%s, %s", restart ? "restart" : "idle timeout", move ? "CUIT change" : "new customer")
                    << restart << move;
    }
    void serverFaultBetweenLoadAndSave()
    {
        if (!test::onServer())
            QSKIP("a server's faults: run with FELCORA_TEST_BACKEND=postgres");
        QFETCH(bool, restart);
        QFETCH(bool, move);
        TempDatabase db;
        const auto count = [&](const QString &sql) {
            return TempDatabase::scalar(db.personalPath(), u"select count(*) from "_s + sql).toInt();
        };
        if (!restart)
            TempDatabase::exec(
                db.personalPath(),
                u"alter database %1 set idle_session_timeout = '1s'"_s.arg(db.personalPath().section(u':', 1)));
        const auto broker = db.makeBroker();
        hostkit::Molde format;
        const CustomerStore store = storeOn(*broker, &format);
        TempDatabase::exec(
            db.personalPath(),
            u"insert into clientes (cuit, nombre) values ('%1', 'Benítez'); insert into DIB (CLICUI, "
            "JRDNRO, DIBVALOR, DIBEXENTO) values ('%1', '901', 0.5, 0), ('%1', '902', 0.5, 0)"_s.arg(kCustomer));
        const auto loaded = store.load(kCustomer); // the window's load
        QVERIFY(loaded);
        if (restart)
            QCOMPARE(server(u"restart"_s), 0);
        else
            QThread::msleep(kPastIdleTimeoutMs);
        if (!move) {
            QCOMPARE(insertAnswer(*broker), u"inserted 1"_s);
            QCOMPARE(count(u"clientes"_s), 2);
            return;
        }
        CustomerRecord typed = *loaded;
        typed.cuit = kMovedTo;
        QCOMPARE(outcome([&] {
                     return u"updated %1"_s.arg(store.update({typed, *loaded, *loaded}).rowsUpdated);
                 }),
                 u"updated 1"_s);
        QCOMPARE(count(u"DIB where CLICUI = '%1'"_s.arg(kMovedTo)), 2);
    }

    void readOnlyDatabaseIsReopenedForAChange()
    {
        if (test::onServer())
            QSKIP("an embedded database's fault");
        QStringList answers;
        if (::geteuid() != 0) {
            answers = readOnlyDeskAnswers();
        } else {
            // Root writes any file: the desk runs under an ordinary account, as a desk user's does.
            QProcess desk;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"ASAN_OPTIONS"_s, u"detect_leaks=0"_s); // no leak check across accounts
            desk.setProcessEnvironment(environment);
            desk.start(u"runuser"_s,
                       {u"-u"_s, u"nobody"_s, u"--"_s, QCoreApplication::applicationFilePath(), kReadOnlyDesk});
            if (!desk.waitForStarted())
                QSKIP("runuser is not available to run a desk under an ordinary account");
            QVERIFY(desk.waitForFinished(60000));
            QVERIFY2(desk.exitCode() == 0, desk.readAllStandardError().constData());
            answers = QString::fromUtf8(desk.readAllStandardOutput()).trimmed().split(u'\n');
        }
        QCOMPARE(answers.size(), 2);
        QVERIFY2(answers[0].startsWith(u"error La base de datos \""_s) && answers[0].contains(u"es de solo lectura"_s),
                 qPrintable(answers[0]));
        QCOMPARE(answers[1], u"inserted 1"_s);
    }

    // Told once; then the file in its place is used, and a deleted one is
    // missing until it is back (never made anew).
    void replacedOrDeletedDatabaseIsToldThenReopened()
    {
        if (test::onServer())
            QSKIP("an embedded database's fault");
        for (const bool replaced : {true, false}) {
            TempDatabase db;
            const auto broker = db.makeBroker();
            hostkit::Molde format;
            const CustomerStore store = storeOn(*broker, &format);
            const QString file = db.personalPath(), other = db.folder() + u"/other.db"_s, kept = other + u".kept"_s;
            QVERIFY(QFile::copy(file, other));
            TempDatabase::exec(other, u"insert into clientes (cuit, nombre) values ('%1', 'Otra SA')"_s.arg(kCustomer));
            const auto load = [&] {
                return outcome([&] {
                    const auto found = store.load(kCustomer);
                    return found ? found->nombre : u"none"_s;
                });
            };
            QCOMPARE(load(), u"none"_s);
            QVERIFY(replaced ? QFile::remove(file) && QFile::rename(other, file) : QFile::rename(file, kept));
            QCOMPARE(load(),
                     u"error La base de datos \"%1\" fue reemplazada o eliminada mientras estaba abierta: no "
                     "se hizo nada; al volver a intentarlo se usa la que esté en su lugar"_s.arg(file));
            if (!replaced) {
                QCOMPARE(load(), u"error No existe la base de datos \"%1\""_s.arg(file));
                QVERIFY(QFile::rename(kept, file));
            }
            QCOMPARE(load(), replaced ? u"Otra SA"_s : u"none"_s);
            QCOMPARE(insertAnswer(*broker), u"inserted 1"_s);
            QCOMPARE(TempDatabase::scalar(file, u"select count(*) from clientes"_s).toInt(), replaced ? 2 : 1);
        }
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == kReadOnlyDesk) {
        std::printf("%s\n", readOnlyDeskAnswers().join(u'\n').toUtf8().constData());
        return 0;
    }
    TestRecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recovery.moc"
