// Faults between a load and a save: a server restarted (the next save stores, once), on a server of the suite's own;
// an embedded file read-only when opened and writable now, or replaced or deleted.

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

// A new customer stored through the broker: the rows inserted, or why none.
QString insertAnswer(hostkit::RecordBroker &broker)
{
    CustomerRecord record;
    record.cuit = u"30712345678"_s;
    try {
        return u"inserted %1"_s.arg(
            CustomerStore({&broker, nullptr, &broker}, nullptr, true).insert(record).rowsInserted);
    } catch (const Error &e) {
        return u"error "_s + e.description();
    }
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private slots:
    // Each save after a restart is on a new connection: a new customer, then the loaded one moved with its lines.
    void serverRestartBetweenLoadAndSave()
    {
        if (!test::onServer())
            QSKIP("a server's faults: run with FELCORA_TEST_BACKEND=postgres");
        QTemporaryDir dir;
        const QString env = dir.filePath(u"pg.env"_s);
        const auto server = [&](const QString &c) { return QProcess::execute(FELCORA_PGSERVER_SCRIPT, {c, env}); };
        const int started = server(u"start"_s);
        if (started == 3)
            QSKIP("no PostgreSQL server can be started here");
        QCOMPARE(started, 0);
        const auto stop = qScopeGuard([&] { server(u"stop"_s); });
        qputenv("FELCORA_PG_ENV", QFile::encodeName(env)); // the test databases on this server
        TempDatabase db;
        const auto broker = db.makeBroker();
        hostkit::Molde format;
        const CustomerStore store({broker.get(), &format, broker.get()}, nullptr, true);
        TempDatabase::exec(db.personalPath(),
                           u"insert into clientes (cuit) values ('%1'); insert into DIB (CLICUI, "
                           "JRDNRO) values ('%1', '901')"_s.arg(kCustomer));
        const std::optional<CustomerRecord> loaded = store.load(kCustomer); // the window's load
        QVERIFY(loaded);
        QCOMPARE(server(u"restart"_s), 0);
        QCOMPARE(insertAnswer(*broker), u"inserted 1"_s);
        QCOMPARE(server(u"restart"_s), 0);
        CustomerRecord typed = *loaded;
        typed.cuit = u"20999999990"_s;
        QCOMPARE(store.update({typed, *loaded, *loaded}).rowsUpdated, 1);
        QCOMPARE(TempDatabase::scalar(db.personalPath(), u"select count(*) from clientes"_s).toInt(), 2);
        QCOMPARE(TempDatabase::scalar(db.personalPath(), u"select CLICUI from DIB"_s).toString(), typed.cuit);
    }

    void embeddedFileFaults()
    {
        if (test::onServer())
            QSKIP("an embedded database's faults");
        // A file read-only when opened: a change is refused, and stored once writable (root's desk runs as nobody).
        QProcess desk;
        desk.setChildProcessModifier([] {
            if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
                ::_exit(3);
        });
        desk.start(QCoreApplication::applicationFilePath(), {kReadOnlyDesk});
        QVERIFY(desk.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(desk.readAll() + desk.readAllStandardError()),
                 u"error La base de datos \"FILE\" es de solo lectura: no se pueden guardar cambios (attempt to "
                 "write a readonly database)\ninserted 1\n"_s);
        // A file replaced or deleted while open is told once; then the one in its place is used, a deleted one never
        // made anew: the insert goes into the empty copy in its place, or finds its row in the file back.
        for (const bool replaced : {true, false}) {
            TempDatabase db;
            const auto broker = db.makeBroker();
            const QString file = db.personalPath(), other = db.folder() + u"/other.db"_s, kept = other + u".kept"_s;
            QVERIFY(QFile::copy(file, other));
            QCOMPARE(insertAnswer(*broker), u"inserted 1"_s);
            QVERIFY(replaced ? QFile::remove(file) && QFile::rename(other, file) : QFile::rename(file, kept));
            QCOMPARE(insertAnswer(*broker),
                     u"error La base de datos \"%1\" fue reemplazada o eliminada mientras estaba abierta: no "
                     "se hizo nada; al volver a intentarlo se usa la que esté en su lugar"_s.arg(file));
            if (!replaced) {
                QCOMPARE(insertAnswer(*broker), u"error No existe la base de datos \"%1\""_s.arg(file));
                QVERIFY(QFile::rename(kept, file));
            }
            QCOMPARE(insertAnswer(*broker), replaced ? u"inserted 1"_s : u"inserted 0"_s);
            QCOMPARE(TempDatabase::scalar(file, u"select count(*) from clientes"_s).toInt(), 1);
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
        std::printf("%s\n", qUtf8Printable(insertAnswer(*broker).replace(db.personalPath(), u"FILE"_s)));
        QFile::setPermissions(db.personalPath(), QFile::ReadOwner | QFile::WriteOwner);
        std::printf("%s\n", qUtf8Printable(insertAnswer(*broker)));
        return 0;
    }
    TestRecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recovery.moc"
