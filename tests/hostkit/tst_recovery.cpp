// Faults a desk meets between loading a customer and saving it, and what
// follows: the office server restarted, or a connection closed by its idle
// timeout (the first save afterwards stores, once); an embedded database file
// that was read-only when opened and is writable now, or was replaced or
// deleted while open (told once, then the file in its place is used).
// The server cases start a server of their own, as a restart ends every
// connection to it; they run with FELCORA_TEST_BACKEND=postgres.

#include <QProcess>
#include <QThread>
#include <QtTest>
#include <unistd.h>

#include "core/customerstore.h"
#include "core/grossincomestore.h"
#include "core/statements.h"
#include "felcora/error.h"
#include "felcora/hostkit/recordbroker.h"
#include "molde/molde.h"
#include "support/errors.h"
#include "support/serverdatabase.h"
#include "support/tempdatabase.h"

using namespace felcora;
using namespace Qt::StringLiterals;
using felcora::test::errorDescription;
using felcora::test::TempDatabase;

namespace {

const QString kReadOnlyDesk = u"--read-only-desk"_s;
const QString kCustomer = u"20111111112"_s;
const QString kNewCuit = u"30712345678"_s;
const QString kMovedTo = u"20999999990"_s;
const QStringList kJurisdictions = {u"901"_s, u"902"_s};
// Longer than the idle timeout the server cases set, in seconds.
constexpr int kIdleTimeoutSeconds = 1;
constexpr unsigned long kIdleWaitMs = 1600;
// The account a desk runs under when the tests run as root, for whom no file is read-only.
const QString kUnprivileged = u"nobody"_s;

CustomerRecord customerNamed(const QString &cuit, const QString &name)
{
    CustomerRecord customer;
    customer.cuit = cuit;
    customer.nombre = name;
    return customer;
}

QString insertAnswer(hostkit::RecordBroker &broker, const CustomerRecord &customer)
{
    try {
        const CustomerInsert insert = insertCustomer(broker, &broker, customer, true);
        return insert.cuitTaken ? u"taken"_s : u"inserted %1"_s.arg(insert.rowsInserted);
    } catch (const Error &e) {
        return u"error "_s + e.description();
    }
}

// A desk on a database file it cannot write when it opens it: its change is
// refused; once the file may be written, the next change is stored.
QStringList readOnlyDeskAnswers()
{
    QTemporaryDir dir;
    const hostkit::BrokerConfig config = hostkit::BrokerConfig::embedded(dir.path());
    {
        hostkit::RecordBroker creator;
        creator.useConfig(config);
        creator.LoadParameters();
    }
    const QString file = dir.filePath(u"personal.db"_s);
    QFile::setPermissions(file, QFile::ReadOwner);
    hostkit::RecordBroker broker;
    broker.useConfig(config);
    broker.LoadParameters();
    QStringList answers{insertAnswer(broker, customerNamed(kNewCuit, u"Nueva SA"_s))};
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    answers << insertAnswer(broker, customerNamed(kNewCuit, u"Nueva SA"_s));
    return answers;
}

// What the server cases do after the fault, each answering what it stored.
enum class Operation { NewCustomer, Deletion, CuitChange, GrossIncome, JurisdictionLine };

} // namespace

Q_DECLARE_METATYPE(Operation)

class TestRecovery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!test::onServer())
            return;
        QVERIFY(m_serverDir.isValid());
        m_serverEnv = m_serverDir.filePath(u"pg.env"_s);
        QProcess start;
        start.start(QStringLiteral(FELCORA_PGSERVER_SCRIPT), {u"start"_s, m_serverEnv});
        QVERIFY(start.waitForFinished(120000));
        if (start.exitCode() == 3)
            QSKIP("no PostgreSQL server can be started here");
        QVERIFY2(start.exitCode() == 0, start.readAllStandardError().constData());
        // Every test database of this suite lives on its own server.
        qputenv("FELCORA_PG_ENV", QFile::encodeName(m_serverEnv));
    }
    void cleanupTestCase()
    {
        if (!m_serverEnv.isEmpty())
            QProcess::execute(QStringLiteral(FELCORA_PGSERVER_SCRIPT), {u"stop"_s, m_serverEnv});
    }

    void serverFaultBetweenLoadAndSave_data()
    {
        QTest::addColumn<bool>("restart"); // else the server closes the idle connections
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("check"); // a count that proves the change was stored once
        QTest::addColumn<int>("count");
        const struct
        {
            const char *name;
            Operation operation;
            QString answer;
            QString check;
            int count;
        } operations[] = {
            {"new customer", Operation::NewCustomer, u"inserted 1"_s, u"select count(*) from clientes"_s, 2},
            {"deletion", Operation::Deletion, u"deleted 1"_s, u"select count(*) from DIB"_s, 0},
            {"CUIT change", Operation::CuitChange, u"updated 1"_s,
             u"select count(*) from DIB where CLICUI = '%1'"_s.arg(kMovedTo), 2},
            {"gross income", Operation::GrossIncome, u"saved"_s,
             u"select count(*) from clientes where NIN = '901-123456-7'"_s, 1},
            {"jurisdiction line", Operation::JurisdictionLine, u"inserted 1"_s, u"select count(*) from DIB"_s, 3},
        };
        for (const bool restart : {true, false}) {
            for (const auto &op : operations)
                QTest::addRow("%s, %s", restart ? "restart" : "idle timeout", op.name)
                    << restart << op.operation << op.answer << op.check << op.count;
        }
    }
    void serverFaultBetweenLoadAndSave()
    {
        if (!test::onServer())
            QSKIP("a server's faults: run with FELCORA_TEST_BACKEND=postgres");
        QFETCH(bool, restart);
        QFETCH(Operation, operation);
        QFETCH(QString, answer);
        QFETCH(QString, check);
        QFETCH(int, count);

        TempDatabase db;
        if (!restart)
            TempDatabase::exec(db.personalPath(), u"alter database %1 set idle_session_timeout = '%2s'"_s.arg(
                                                      db.personalPath().section(u':', 1))
                                                      .arg(kIdleTimeoutSeconds));
        const auto broker = db.makeBroker();
        hostkit::Molde format;
        QCOMPARE(insertCustomer(*broker, broker.get(), customerNamed(kCustomer, u"Benítez, Juan"_s), true).rowsInserted,
                 1);
        for (const QString &jurisdiction : kJurisdictions)
            QCOMPARE(addDistributionLine(*broker, broker.get(), kCustomer, jurisdiction, u"0.5"_s, false).rowsInserted,
                     1);
        // The window's load, on the connections the save will find.
        const auto loaded = loadCustomer(*broker, format, kCustomer, true);
        QVERIFY(loaded);

        if (restart) {
            QCOMPARE(QProcess::execute(QStringLiteral(FELCORA_PGSERVER_SCRIPT), {u"restart"_s, m_serverEnv}), 0);
        } else {
            QThread::msleep(kIdleWaitMs);
        }
        QString done;
        try {
            done = save(*broker, format, operation, *loaded);
        } catch (const Error &e) {
            done = u"error "_s + e.description();
        }
        QCOMPARE(done, answer);
        QCOMPARE(TempDatabase::scalar(db.personalPath(), check).toInt(), count);
    }

    // Opened read-only, the file is opened again for a change once it may be written.
    void readOnlyDatabaseIsReopenedForAChange()
    {
        if (test::onServer())
            QSKIP("an embedded database's fault");
        QStringList answers;
        if (::geteuid() != 0) {
            answers = readOnlyDeskAnswers();
        } else {
            // Root writes any file: the desk runs as an ordinary account, as a desk user does.
            QProcess desk;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"ASAN_OPTIONS"_s, u"detect_leaks=0"_s); // no leak check across accounts
            environment.insert(u"TMPDIR"_s, u"/tmp"_s);
            desk.setProcessEnvironment(environment);
            desk.start(u"runuser"_s, {u"-u"_s, kUnprivileged, u"--"_s, QCoreApplication::applicationFilePath(),
                                      kReadOnlyDesk});
            if (!desk.waitForStarted())
                QSKIP("runuser is not available to run a desk as an ordinary account");
            QVERIFY(desk.waitForFinished(60000));
            QVERIFY2(desk.exitCode() == 0, desk.readAllStandardError().constData());
            answers = QString::fromUtf8(desk.readAllStandardOutput()).trimmed().split(u'\n');
        }
        QCOMPARE(answers.size(), 2);
        QVERIFY2(answers.at(0).startsWith(u"error La base de datos \""_s) && answers.at(0).contains(u"es de solo lectura"_s),
                 qPrintable(answers.at(0)));
        QCOMPARE(answers.at(1), u"inserted 1"_s);
    }

    // A file replaced while open is told once; the next statement works on
    // the new file. A file deleted is told once, then missing, until it is back.
    void replacedOrDeletedDatabaseIsToldThenReopened_data()
    {
        QTest::addColumn<bool>("replaced");
        QTest::newRow("replaced") << true;
        QTest::newRow("deleted, then restored") << false;
    }
    void replacedOrDeletedDatabaseIsToldThenReopened()
    {
        if (test::onServer())
            QSKIP("an embedded database's fault");
        QFETCH(bool, replaced);
        TempDatabase db;
        const auto broker = db.makeBroker();
        hostkit::Molde format;
        const QString file = db.personalPath();
        const QString other = db.folder() + u"/other.db"_s;
        QVERIFY(QFile::copy(file, other));
        TempDatabase::exec(other, u"insert into clientes (cuit, nombre) values ('%1', 'Otra SA')"_s.arg(kCustomer));
        QVERIFY(!loadCustomer(*broker, format, kCustomer, true)); // the file as opened: not there

        if (replaced) {
            QVERIFY(QFile::remove(file) && QFile::rename(other, file));
        } else {
            QVERIFY(QFile::rename(file, other + u".kept"_s));
        }
        const QString load = errorDescription([&] { loadCustomer(*broker, format, kCustomer, true); });
        QCOMPARE(load, u"La base de datos \"%1\" fue reemplazada o eliminada mientras estaba abierta: no se hizo nada; "
                       "al volver a intentarlo se usa la que esté en su lugar"_s.arg(file));
        if (!replaced) {
            QCOMPARE(errorDescription([&] { loadCustomer(*broker, format, kCustomer, true); }),
                     u"No existe la base de datos \"%1\""_s.arg(file));
            QVERIFY(QFile::rename(other + u".kept"_s, file));
            QVERIFY(!loadCustomer(*broker, format, kCustomer, true));
            QCOMPARE(insertAnswer(*broker, customerNamed(kNewCuit, u"Nueva SA"_s)), u"inserted 1"_s);
            return;
        }
        const auto now = loadCustomer(*broker, format, kCustomer, true);
        QVERIFY(now);
        QCOMPARE(now->nombre, u"Otra SA"_s);
        QCOMPARE(insertAnswer(*broker, customerNamed(kNewCuit, u"Nueva SA"_s)), u"inserted 1"_s);
        QCOMPARE(TempDatabase::scalar(file, u"select count(*) from clientes"_s).toInt(), 2);
    }

private:
    static QString save(hostkit::RecordBroker &broker, hostkit::Molde &format, Operation operation,
                        const CustomerRecord &loaded)
    {
        switch (operation) {
        case Operation::NewCustomer:
            return insertAnswer(broker, customerNamed(kNewCuit, u"Nueva SA"_s));
        case Operation::Deletion: {
            const CustomerDeletion deletion = deleteCustomer(broker, &broker, kCustomer);
            if (deletion.failure)
                throw *deletion.failure;
            return u"deleted %1"_s.arg(deletion.customersDeleted);
        }
        case Operation::CuitChange: {
            CustomerRecord typed = loaded;
            typed.cuit = kMovedTo;
            return u"updated %1"_s.arg(updateCustomer(broker, format, &broker, {typed, loaded, loaded, true}).rowsUpdated);
        }
        case Operation::GrossIncome: {
            GrossIncomeData data;
            data.inscription = u"901-123456-7"_s;
            return saveGrossIncome(broker, format, &broker, data, std::nullopt, kCustomer).saved ? u"saved"_s
                                                                                                  : u"not saved"_s;
        }
        case Operation::JurisdictionLine:
            return u"inserted %1"_s.arg(
                addDistributionLine(broker, &broker, kCustomer, u"903"_s, u"0.25"_s, false).rowsInserted);
        }
        return {};
    }

    QTemporaryDir m_serverDir;
    QString m_serverEnv;
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
