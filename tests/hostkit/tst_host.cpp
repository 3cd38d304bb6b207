// The host program run on the databases it finds, and how a failure to open them reaches a desk user.

#include <QMessageBox>
#include <QtTest>

#include "felcora-host/hoststart.h"
#include "felcora/hostkit/recordbroker.h"
#include "support/modal.h"
#include "support/registerfiles.h"
#include "support/tempdatabase.h"

using namespace felcora;
using namespace Qt::StringLiterals;
using felcora::test::TempDatabase;

namespace {

// Before the run: nothing, the embedded default made, or a configured database without its accounting database.
enum class Before { Nothing, Embedded, Office };
constexpr int kStaysOpen = -1; // the list window opens on a display and waits for the user
constexpr int kNoDatabase = -1;

} // namespace

class TestHost : public QObject
{
    Q_OBJECT

private slots:
    void startsOnWhatItFinds_data()
    {
        QTest::addColumn<Before>("before");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");  // on the standard output or error
        QTest::addColumn<int>("customers"); // in the customer database afterwards
        const auto row = [](const char *name, Before before, const QStringList &arguments, int exitCode,
                            const QString &says, int customers = kNoDatabase) {
            QTest::newRow(name) << before << arguments << exitCode << says << customers;
        };
        const QStringList printPdf = {u"--print-pdf"_s, u"list.pdf"_s};
        row("new embedded: demo customers, said while the window is open", Before::Nothing, {}, kStaysOpen,
            u"300 clientes de demostración agregados"_s, 300);
        row("embedded already made: none", Before::Embedded, printPdf, 0, u"1 página escrita en list.pdf"_s, 0);
        row("office, no accounting: starts", Before::Office, printPdf, 0, u"1 página escrita en list.pdf"_s, 0);
        row("list exported without a window", Before::Embedded, {u"--export"_s, u"lista.CSV"_s}, 0,
            u"0 clientes exportados a lista.CSV"_s, 0);
        row("tables on an embedded database: refused, none claimed", Before::Office, {u"--init-server"_s}, 1,
            u"Las tablas se crean solo en un servidor PostgreSQL"_s, 0);
        row("missing configuration: named", Before::Nothing, QStringList{u"--config"_s, u"oficina.ini"_s} + printPdf, 1,
            u"No existe el archivo de configuración \"oficina.ini\""_s);
        // A register knowing one of two customers, as a Monotributo whom the master has as Responsable Inscripto,
        // and a line cut short.
        const QStringList padron = {u"--padron"_s, u"padron.zip"_s};
        row("register checked without a window", Before::Embedded, padron + QStringList{u"--report"_s, u"x.csv"_s}, 0,
            u"Líneas dañadas: 2 (corta)\nClientes: 2; en el padrón: 1\nNo figuran en el padrón: 1\nIVA distinto: 1\n"
            "Nombre distinto: 0\nCUIT inválido: 1"_s,
            2);
        row("a register that is no zip: refused", Before::Embedded,
            {u"--padron"_s, u"TARVIS/RecordBroker/personal.db"_s}, 1,
            u"\"TARVIS/RecordBroker/personal.db\" no es un archivo zip o está incompleto"_s, 0);
        row("a report without a register: refused", Before::Nothing, {u"--report"_s, u"x.csv"_s}, 2,
            u"--report va con --padron"_s);
        row("more demo customers than sane: refused", Before::Nothing, {u"--demo-data"_s, u"10000001"_s}, 2,
            u"--demo-data admite a lo sumo 10000000 clientes"_s);
    }

    void startsOnWhatItFinds()
    {
        QFETCH(Before, before);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        // The program's user: a home, data and settings of its own, never the real user's.
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString &name : {u"RECORDBROKER_CONFIG"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            environment.remove(name);
        for (const QString &name : {u"HOME"_s, u"XDG_DATA_HOME"_s, u"XDG_CONFIG_HOME"_s, u"XDG_RUNTIME_DIR"_s})
            environment.insert(name, home.path());
        if (exitCode == kStaysOpen)
            environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);

        const QString folder = home.filePath(before == Before::Office ? u"oficina"_s : u"TARVIS/RecordBroker"_s);
        const QString customerDatabase = QDir(folder).filePath(u"personal.db"_s);
        if (before != Before::Nothing) {
            hostkit::RecordBroker broker; // creates the databases with their schema, as on first use
            broker.useConfig(hostkit::BrokerConfig::embedded(folder));
            broker.LoadParameters();
        }
        if (arguments.contains(u"padron.zip"_s)) {
            for (const char *cuit : {"20111111112", "20111111113"})
                TempDatabase::exec(customerDatabase,
                                   u"insert into clientes (cuit, nombre, condiva) values ('%1', 'Ana', 'S')"_s.arg(
                                       QLatin1String(cuit)));
            const QByteArray line
                = test::registerLine({"20111111112", "ANA", "AC", "NI", "B", 'N', 'N', "", test::ActivityAt::Column51});
            QVERIFY(test::writeZip(home.filePath(u"padron.zip"_s),
                                   {{u"padron.txt"_s, line + "\r\n20111111112 CORTA\r\n"}}));
        }
        if (before == Before::Office) {
            QSettings ini(home.filePath(u"RecordBroker.ini"_s), QSettings::IniFormat); // written when it goes
            ini.setValue(u"PERSONAL/Database"_s, customerDatabase);
            ini.setValue(u"SYSTABLAS/Database"_s, folder + u"/systablas.db"_s);
            environment.insert(u"RECORDBROKER_CONFIG"_s, ini.fileName());
        }
        QProcess program; // in its home: the files the rows name are there
        program.setWorkingDirectory(home.path());
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(FELCORA_HOST_PROGRAM), arguments);
        QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
        // Said through the pipe as it happens: while the window is still open, or before the program ends.
        QByteArray output;
        const auto said = [&] {
            output += program.readAllStandardOutput() + program.readAllStandardError();
            return QString::fromUtf8(output).contains(says);
        };
        QTRY_VERIFY2_WITH_TIMEOUT(said(), qPrintable(output), 60000);
        if (exitCode == kStaysOpen) {
            QCOMPARE(program.state(), QProcess::Running);
            program.kill();
            program.waitForFinished();
        } else {
            QVERIFY(program.state() == QProcess::NotRunning || program.waitForFinished(60000));
            said(); // what it wrote before it ended
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(program.exitCode(), exitCode);
            QVERIFY2(exitCode == 0 || !output.contains("Tablas creadas"), output.constData());
        }
        const QString count = u"select count(*) from clientes"_s;
        QTEST(QFile::exists(customerDatabase) ? TempDatabase::scalar(customerDatabase, count).toInt() : kNoDatabase,
              "customers");
    }

    void failureToOpenIsShownInAMessageBox()
    {
        QTemporaryDir dir;
        QFile notes(dir.filePath(u"personal.db"_s));
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("Esto no es una base de datos.\n") > 0
                && notes.flush());
        hostkit::RecordBroker broker;
        broker.useConfig(hostkit::BrokerConfig::embedded(dir.path()));
        QString shown;
        test::onNextModal<QMessageBox>([&](QMessageBox *b) {
            shown = u"%1 %2: %3"_s.arg(b->windowTitle()).arg(int(b->icon())).arg(b->text());
            b->accept();
        });
        QVERIFY(!host::openDataAccess(broker, host::Desk::Windows));
        QVERIFY2(shown.startsWith(u"FELCORA %1: "_s.arg(int(QMessageBox::Critical)))
                     && shown.contains(u"\"%1\" no es una base de datos"_s.arg(notes.fileName())),
                 qPrintable(shown));
    }
};

QTEST_MAIN(TestHost)
#include "tst_host.moc"
