// The host application: how it starts on the databases it finds, run as the
// built program, and how a failure to open them reaches a desk user.

#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include "felcora-host/hoststart.h"
#include "felcora/componentversion.h"
#include "felcora/hostkit/recordbroker.h"
#include "support/modal.h"
#include "support/tempdatabase.h"

using namespace felcora;
using namespace Qt::StringLiterals;
using felcora::test::TempDatabase;

namespace {

// What stands in the folders of a start before the program runs.
enum class Before {
    Nothing,
    EmptiedEmbedded, // the embedded default, its customers deleted
    Office,          // a configured database without customers, and without its accounting database
};

constexpr int kStaysOpen = -1; // the list window opens and waits for the user
constexpr int kNoCount = -1;
constexpr int kProgramMs = 60000;
constexpr int kPollMs = 100;

// Creates the databases of a folder with their schema, as a broker does on first use.
void createDatabases(const QString &folder)
{
    hostkit::RecordBroker broker;
    broker.useConfig(hostkit::BrokerConfig::embedded(folder));
    broker.LoadParameters();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// The message QCommandLineParser gives for an unknown option, in the language the host speaks.
QString unknownOptionMessage(const QString &option)
{
    QTranslator qtTranslation;
    const bool translated = qtTranslation.load(u"qtbase_es"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(&qtTranslation);
    QCommandLineParser parser;
    parser.parse({u"felcora-host"_s, option});
    const QString message = parser.errorText();
    if (translated)
        QCoreApplication::removeTranslator(&qtTranslation);
    return message;
}

} // namespace

class TestHost : public QObject
{
    Q_OBJECT

private slots:
    void startsOnWhatItFinds_data()
    {
        QTest::addColumn<Before>("before");
        QTest::addColumn<QStringList>("arguments"); // "%1" stands for the run's folder
        QTest::addColumn<bool>("display");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");  // on the standard output or error; "%1" the folder
        QTest::addColumn<int>("customers"); // in the customer database afterwards

        const QStringList printPdf = {u"--print-pdf"_s, u"%1/list.pdf"_s};
        const ComponentVersion v = componentVersion();
        QTest::newRow("new embedded: demo customers, said while the window is open")
            << Before::Nothing << QStringList() << true << kStaysOpen << u"300 clientes de demostración agregados"_s
            << 300;
        QTest::newRow("emptied embedded: none")
            << Before::EmptiedEmbedded << printPdf << true << 0 << u"1 página escrita en %1/list.pdf"_s << 0;
        QTest::newRow("empty office database without accounting: starts, none")
            << Before::Office << printPdf << true << 0 << u"escrita"_s << 0;
        QTest::newRow("tables on an embedded database: refused, none claimed")
            << Before::Office << QStringList{u"--init-server"_s} << false << 1
            << u"Las tablas se crean solo en un servidor PostgreSQL"_s << 0;
        QTest::newRow("missing configuration file: refused, named")
            << Before::Nothing << QStringList{u"--config"_s, u"%1/oficina.ini"_s} + printPdf << true << 1
            << u"No existe el archivo de configuración \"%1/oficina.ini\""_s << kNoCount;
        QTest::newRow("more demo customers than sane: refused")
            << Before::Nothing << QStringList{u"--demo-data"_s, u"10000001"_s} << true << 2
            << u"--demo-data admite a lo sumo 10000000 clientes"_s << kNoCount;
        QTest::newRow("unknown option without display: reported")
            << Before::Nothing << QStringList{u"--nada"_s} << false << 2 << unknownOptionMessage(u"--nada"_s)
            << kNoCount;
        QTest::newRow("version") << Before::Nothing << QStringList{u"--version"_s} << false << 0
                                 << u"felcora-host %1.%2.%3"_s.arg(v.major).arg(v.minor).arg(v.revision) << kNoCount;
    }

    void startsOnWhatItFinds()
    {
        QFETCH(Before, before);
        QFETCH(QStringList, arguments);
        QFETCH(bool, display);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QFETCH(int, customers);

        // The program's user: a home, data and settings of its own, never the real user's.
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString embedded = home.filePath(u"data/TARVIS/RecordBroker"_s);
        const QString office = home.filePath(u"oficina"_s);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString &name : {u"RECORDBROKER_CONFIG"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            environment.remove(name);
        for (const auto &[name, path] : {std::pair{u"HOME"_s, u""_s},
                                         {u"XDG_DATA_HOME"_s, u"data"_s},
                                         {u"XDG_CONFIG_HOME"_s, u"config"_s},
                                         {u"XDG_RUNTIME_DIR"_s, u""_s}})
            environment.insert(name, path.isEmpty() ? home.path() : home.filePath(path));
        if (display)
            environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);

        QString customerDatabase = QDir(embedded).filePath(u"personal.db"_s);
        if (before == Before::EmptiedEmbedded) {
            createDatabases(embedded);
            TempDatabase::exec(customerDatabase, u"insert into clientes (cuit) values ('1'); delete from clientes"_s);
        } else if (before == Before::Office) {
            createDatabases(office);
            customerDatabase = QDir(office).filePath(u"personal.db"_s);
            const QByteArray ini = "[PERSONAL]\nDatabase=" + QFile::encodeName(customerDatabase)
                + "\n[SYSTABLAS]\nDatabase=" + QFile::encodeName(QDir(office).filePath(u"systablas.db"_s)) + "\n";
            const QString iniPath = home.filePath(u"RecordBroker.ini"_s);
            QVERIFY(writeFile(iniPath, ini));
            environment.insert(u"RECORDBROKER_CONFIG"_s, iniPath);
        }
        for (QString &argument : arguments)
            argument.replace(u"%1"_s, home.path());
        says.replace(u"%1"_s, home.path());

        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(FELCORA_HOST_PROGRAM), arguments);
        QVERIFY(program.waitForStarted());
        const auto stop = qScopeGuard([&] {
            program.kill();
            program.waitForFinished();
        });
        QByteArray output;
        const auto said = [&] {
            output += program.readAllStandardOutput() + program.readAllStandardError();
            return QString::fromUtf8(output).contains(says);
        };
        if (exitCode == kStaysOpen) {
            // Said through the pipe while the window is still open, not when it closes.
            const QDeadlineTimer deadline(kProgramMs);
            while (!said() && program.state() == QProcess::Running && !deadline.hasExpired())
                program.waitForReadyRead(kPollMs);
            QVERIFY2(said(), qPrintable(output));
            QCOMPARE(program.state(), QProcess::Running);
        } else {
            QVERIFY(program.waitForFinished(kProgramMs));
            QVERIFY2(said(), qPrintable(output));
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(program.exitCode(), exitCode);
            if (exitCode != 0)
                QVERIFY2(!output.contains("Tablas creadas"), output.constData());
        }
        if (customers != kNoCount)
            QCOMPARE(TempDatabase::scalar(customerDatabase, u"select count(*) from clientes"_s).toInt(), customers);
    }

    void failureToOpenIsShownInAMessageBox()
    {
        QTemporaryDir dir;
        const QString notes = dir.filePath(u"notas.db"_s);
        const QString ini = dir.filePath(u"RecordBroker.ini"_s);
        QVERIFY(writeFile(notes, "Esto no es una base de datos.\n")
                && writeFile(ini, "[PERSONAL]\nDatabase=" + QFile::encodeName(notes) + "\n"));
        const QByteArray saved = qgetenv("RECORDBROKER_CONFIG");
        const auto restore = qScopeGuard([&] { qputenv("RECORDBROKER_CONFIG", saved); });
        qputenv("RECORDBROKER_CONFIG", QFile::encodeName(ini));

        QString shown;
        const auto box = test::onNextModal<QMessageBox>([&](QMessageBox *b) {
            shown = u"%1 %2: %3"_s.arg(b->windowTitle()).arg(int(b->icon())).arg(b->text());
            b->accept();
        });
        hostkit::RecordBroker broker;
        QVERIFY(!host::openDataAccess(broker, host::Desk::Windows));
        QVERIFY(box->done());
        QVERIFY2(shown.startsWith(u"FELCORA %1: "_s.arg(int(QMessageBox::Critical)))
                     && shown.contains(u"\"%1\" no es una base de datos"_s.arg(notes)),
                 qPrintable(shown));
    }
};

QTEST_MAIN(TestHost)
#include "tst_host.moc"
