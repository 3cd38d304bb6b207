// Faults between a load and a save: a server restarted or closing idle connections (the next save stores, once), on
// a server of the suite's own; an embedded file read-only when opened and writable now, or replaced or deleted.

#include <QtTest>
#include <grp.h>
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
constexpr uid_t kNobody = 65534; // the ordinary account (no other groups) root runs the read-only desk under

// What an action answered, or why it failed.
QString outcome(const std::function<QString()> &action)
{
    try {
        return action();
    } catch (const Error &e) {
        return u"error "_s + e.description();
    }
}

QString insertAnswer(hostkit::RecordBroker &broker)
{
    CustomerRecord record;
    record.cuit = u"30712345678"_s;
    const CustomerStore store({&broker, nullptr, &broker}, nullptr, true);
    return outcome([&] { return u"inserted %1"_s.arg(store.insert(record).rowsInserted); });
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private slots:
    // Each save after the fault begins on a connection the fault closed: a new customer, then the loaded customer
    // moved to another CUIT with its lines. The server is restarted, or closes connections idle for 1 s.
    void serverFaultBetweenLoadAndSave()
    {
        if (!test::onServer())
            QSKIP("a server's faults: run with FELCORA_TEST_BACKEND=postgres");
        QTemporaryDir dir;
        const QString env = dir.filePath(u"pg.env"_s);
        const auto server = [&](const QString &command) {
            return QProcess::execute(QStringLiteral(FELCORA_PGSERVER_SCRIPT), {command, env});
        };
        const int started = server(u"start"_s);
        if (started == 3)
            QSKIP("no PostgreSQL server can be started here");
        QCOMPARE(started, 0);
        const auto stop = qScopeGuard([&] { server(u"stop"_s); });
        qputenv("FELCORA_PG_ENV", QFile::encodeName(env)); // the test databases on this server
        for (const bool restart : {true, false}) {
            TempDatabase db;
            const QString path = db.personalPath();
            if (!restart)
                TempDatabase::exec(path,
                                   u"alter database %1 set idle_session_timeout = '1s'"_s.arg(path.section(u':', 1)));
            const auto fault = [&] {
                if (!restart)
                    QThread::msleep(1600);
                return !restart || server(u"restart"_s) == 0;
            };
            const auto broker = db.makeBroker();
            hostkit::Molde format;
            const CustomerStore store({broker.get(), &format, broker.get()}, nullptr, true);
            TempDatabase::exec(path, u"insert into clientes (cuit) values ('%1')"_s.arg(kCustomer));
            TempDatabase::exec(path, u"insert into DIB (CLICUI, JRDNRO) values ('%1', '901')"_s.arg(kCustomer));
            const auto loaded = store.load(kCustomer); // the window's load
            QVERIFY(loaded);
            QVERIFY(fault());
            QCOMPARE(insertAnswer(*broker), u"inserted 1"_s);
            QVERIFY(fault());
            CustomerRecord typed = *loaded;
            typed.cuit = u"20999999990"_s;
            QCOMPARE(store.update({typed, *loaded, *loaded}).rowsUpdated, 1);
            QCOMPARE(TempDatabase::scalar(path, u"select count(*) from clientes"_s).toInt(), 2);
            QCOMPARE(TempDatabase::scalar(path, u"select CLICUI from DIB"_s).toString(), typed.cuit);
        }
    }

    void embeddedFileFaults()
    {
        if (test::onServer())
            QSKIP("an embedded database's faults");
        // A desk whose file could not be written when it was opened: its change is refused, and once the file may
        // be written the next one is stored. Root writes any file: the desk runs under an ordinary account.
        QProcess desk;
        desk.setChildProcessModifier([] {
            if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
                ::_exit(3);
        });
        desk.start(QCoreApplication::applicationFilePath(), {kReadOnlyDesk});
        QVERIFY2(desk.waitForFinished(60000) && desk.exitCode() == 0, desk.readAllStandardError().constData());
        const QStringList answers = QString::fromUtf8(desk.readAllStandardOutput()).trimmed().split(u'\n');
        QVERIFY2(answers[0].startsWith(u"error La base de datos \""_s) && answers[0].contains(u"es de solo lectura"_s),
                 qPrintable(answers[0]));
        QCOMPARE(answers.value(1), u"inserted 1"_s);

        // A file replaced or deleted while open is told once; then the file in its place is used, and a deleted one
        // is missing until it is back (never made anew).
        for (const bool replaced : {true, false}) {
            TempDatabase db;
            const auto broker = db.makeBroker();
            hostkit::Molde format;
            const CustomerStore store({broker.get(), &format, broker.get()}, nullptr, true);
            const QString file = db.personalPath(), other = db.folder() + u"/other.db"_s, kept = other + u".kept"_s;
            QVERIFY(QFile::copy(file, other));
            TempDatabase::exec(other, u"insert into clientes (cuit, nombre) values ('%1', 'Otra SA')"_s.arg(kCustomer));
            const auto load
                = [&] { return outcome([&] { return store.load(kCustomer).value_or(CustomerRecord()).nombre; }); };
            QCOMPARE(load(), QString());
            QVERIFY(replaced ? QFile::remove(file) && QFile::rename(other, file) : QFile::rename(file, kept));
            QCOMPARE(load(),
                     u"error La base de datos \"%1\" fue reemplazada o eliminada mientras estaba abierta: no "
                     "se hizo nada; al volver a intentarlo se usa la que esté en su lugar"_s.arg(file));
            if (!replaced) {
                QCOMPARE(load(), u"error No existe la base de datos \"%1\""_s.arg(file));
                QVERIFY(QFile::rename(kept, file));
            }
            QCOMPARE(insertAnswer(*broker), u"inserted 1"_s);
            QCOMPARE(TempDatabase::scalar(file, u"select count(*) from clientes"_s).toInt(), replaced ? 2 : 1);
        }
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == kReadOnlyDesk) {
        TempDatabase db;
        QFile::setPermissions(db.personalPath(), QFile::ReadOwner);
        const auto broker = db.makeBroker();
        std::printf("%s\n", qUtf8Printable(insertAnswer(*broker)));
        QFile::setPermissions(db.personalPath(), QFile::ReadOwner | QFile::WriteOwner);
        std::printf("%s\n", qUtf8Printable(insertAnswer(*broker)));
        return 0;
    }
    TestRecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recovery.moc"
