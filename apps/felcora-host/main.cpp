// A small host application: registers the default host components, opens the
// customer list through clListado for the user to pick a customer, and prints the pick.

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

#include "felcora/clListado.h"
#include "felcora/componentversion.h"
#include "felcora/customerlistexport.h"
#include "felcora/customerlistpdf.h"
#include "felcora/error.h"
#include "felcora/hostcomponents.h"
#include "felcora/hostkit/hostkit.h"
#include "felcora/hostkit/recordbroker.h"
#include "felcora/hostkit/serverschema.h"
#include "felcora/taxregistercheck.h"
#include "hoststart.h"

using namespace felcora;
using host::complain;
using host::say;

namespace {

// Exit codes besides 0 (done) and 1 (a failure, reported).
constexpr int kUsageError = 2;
constexpr int kNoDisplay = 3;
// More demo customers than any office has: a number above it is a typing mistake.
constexpr qint64 kMostDemoCustomers = 10'000'000;

// The host's command line. Help and version are its own options, so that
// they are described in Spanish with or without Qt's translation.
struct HostOptions
{
    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Muestra esta ayuda y termina.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Muestra la versión del componente y termina.")};
    QCommandLineOption demoData{QStringLiteral("demo-data"),
                                QStringLiteral("Agrega N clientes de demostración a la base y termina."),
                                QStringLiteral("N")};
    QCommandLineOption initServer{
        QStringLiteral("init-server"),
        QStringLiteral("Crea las tablas en la base PostgreSQL configurada (vacía) y termina.")};
    QCommandLineOption config{QStringLiteral("config"), QStringLiteral("Archivo de configuración del acceso a datos."),
                              QStringLiteral("ARCHIVO")};
    QCommandLineOption pick{QStringLiteral("pick"),
                            QStringLiteral("Abre la lista para elegir un cliente (opción por omisión).")};
    QCommandLineOption browse{QStringLiteral("browse"),
                              QStringLiteral("Abre la lista sin elegir: Enter no elige ni cierra.")};
    QCommandLineOption origenTarvis{QStringLiteral("origen-tarvis"),
                                    QStringLiteral("Se presenta como el host TARVIS (OrigenTarvis).")};
    QCommandLineOption extended{QStringLiteral("ex"),
                                QStringLiteral("Usa MostrarListadoEx después de SetDataConnection.")};
    QCommandLineOption printPdf{QStringLiteral("print-pdf"),
                                QStringLiteral("Escribe el listado de clientes en un PDF y termina."),
                                QStringLiteral("ARCHIVO")};
    QCommandLineOption exportList{
        QStringLiteral("export"),
        QStringLiteral("Exporta la lista de clientes a un archivo .xlsx o .csv (por la extensión) y termina."),
        QStringLiteral("ARCHIVO")};
    QCommandLineOption padron{
        QStringLiteral("padron"),
        QStringLiteral("Importa el padrón de contribuyentes (un .zip), controla los clientes contra él y termina."),
        QStringLiteral("ZIP")};
    QCommandLineOption report{
        QStringLiteral("report"),
        QStringLiteral("Con --padron: escribe los clientes con observaciones en un archivo .xlsx o .csv."),
        QStringLiteral("ARCHIVO")};

    HostOptions()
    {
        parser.setApplicationDescription(QStringLiteral("Host de prueba del componente de clientes FELCORA"));
        parser.addOptions({help, version, demoData, initServer, config, pick, browse, origenTarvis, extended, printPdf,
                           exportList, padron, report});
    }
};

// Without a display Qt would stop with a platform-plugin failure; say what to do instead.
bool displayMissing()
{
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

QString versionText()
{
    const ComponentVersion v = componentVersion();
    return QStringLiteral("%1.%2.%3").arg(v.major).arg(v.minor).arg(v.revision);
}

// Qt's own texts (the file and print dialogs, the option parser) in Spanish,
// when Qt's translation is installed; in English otherwise.
void loadQtTranslation(QTranslator &translator)
{
    if (translator.load(QStringLiteral("qtbase_es"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&translator);
}

void printPick(const clListado &listado)
{
    if (listado.Cliente_Cuit().isEmpty() && listado.Cliente_Nombre().isEmpty()) {
        say(QStringLiteral("No se eligió ningún cliente"));
        return;
    }
    say(QStringLiteral("Cliente elegido: %1\n  CUIT: %2\n  Domicilio: %3\n  E-mail: %4\n  Regalías: %5\n"
                       "  Ajuste Res 41/02: %6")
            .arg(listado.Cliente_Nombre(), listado.Cliente_Cuit(), listado.Cliente_Domicilio(), listado.Cliente_EMail(),
                 QString::number(listado.Cliente_Regalias()), QString::number(listado.Cliente_AjustexVinculacion())));
}

// The number of demo customers asked for, or -1 (and the reason said) when it is none.
qint64 demoCustomers(const QString &text)
{
    bool ok = false;
    const qint64 count = text.toLongLong(&ok);
    if (!ok || count < 0) {
        complain(QStringLiteral("--demo-data espera un número de clientes, no \"%1\"").arg(text));
        return -1;
    }
    if (count > kMostDemoCustomers) {
        complain(QStringLiteral("--demo-data admite a lo sumo %1 clientes, no %2").arg(kMostDemoCustomers).arg(text));
        return -1;
    }
    return count;
}

} // namespace

int main(int argc, char *argv[])
{
    HostOptions options;
    QCommandLineParser &parser = options.parser;

    // Which application object the run needs: writing demo data, exporting the
    // list, help and the version need none with windows. A command line not understood is reported
    // later, against the application's own arguments (Qt's, such as -platform, taken out).
    QStringList arguments;
    for (int k = 0; k < argc; ++k)
        arguments << QString::fromLocal8Bit(argv[k]);
    const bool understood = parser.parse(arguments);
    const bool guiless = understood
        && (parser.isSet(options.help) || parser.isSet(options.version) || parser.isSet(options.demoData)
            || parser.isSet(options.initServer) || parser.isSet(options.exportList) || parser.isSet(options.padron)
            || parser.isSet(options.report));
    // The PDF of the list needs fonts but no screen, and no one answers a message box.
    const bool printOnly = understood && parser.isSet(options.printPdf);
    if (printOnly && displayMissing())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool noDisplay = !guiless && displayMissing();
    const host::Desk desk = guiless || printOnly ? host::Desk::Windowless : host::Desk::Windows;

    std::unique_ptr<QCoreApplication> app;
    if (guiless || noDisplay)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("felcora-host"));
    QCoreApplication::setApplicationVersion(versionText());
    QTranslator qtTranslation;
    loadQtTranslation(qtTranslation);

    if (!parser.parse(QCoreApplication::arguments())) {
        complain(QStringLiteral("felcora-host: ") + parser.errorText());
        return kUsageError;
    }
    if (parser.isSet(options.help))
        parser.showHelp(0);
    if (parser.isSet(options.version))
        parser.showVersion();
    if (noDisplay) {
        complain(QStringLiteral("felcora-host: no hay pantalla (DISPLAY está vacío); ejecútelo con una pantalla "
                                "virtual: xvfb-run -a ./dev run"));
        return kNoDisplay;
    }

    if (parser.isSet(options.config)) {
        if (parser.value(options.config).isEmpty()) {
            complain(QStringLiteral("--config espera el nombre de un archivo"));
            return kUsageError;
        }
        qputenv("RECORDBROKER_CONFIG", QFile::encodeName(parser.value(options.config)));
    }
    if (parser.isSet(options.report) && !parser.isSet(options.padron)) {
        complain(QStringLiteral("--report va con --padron"));
        return kUsageError;
    }
    const qint64 demoData = parser.isSet(options.demoData) ? demoCustomers(parser.value(options.demoData)) : 0;
    if (demoData < 0)
        return kUsageError;

    try {
        hostkit::registerHostComponents();

        hostkit::RecordBroker broker;
        if (parser.isSet(options.initServer)) {
            const hostkit::EntitySettings personal = broker.entitySettings(QStringLiteral("PERSONAL"));
            hostkit::initServerDatabase(personal);
            say(QStringLiteral("Tablas creadas en la base \"%1\" del servidor \"%2\"")
                    .arg(personal.database, personal.host));
            if (demoData > 0)
                say(QStringLiteral("%1 clientes de demostración agregados").arg(host::writeDemoData(broker, demoData)));
            return 0;
        }
        if (parser.isSet(options.demoData)) {
            broker.LoadParameters(); // creates the embedded databases when missing
            say(QStringLiteral("%1 clientes de demostración agregados").arg(host::writeDemoData(broker, demoData)));
            return 0;
        }
        if (!host::openDataAccess(broker, desk))
            return 1;

        if (parser.isSet(options.printPdf)) {
            const QString file = parser.value(options.printPdf);
            const int pages = writeCustomerListPdf(broker, file);
            say(QStringLiteral("%1 %2 en %3")
                    .arg(pages)
                    .arg(pages == 1 ? QStringLiteral("página escrita") : QStringLiteral("páginas escritas"), file));
            return 0;
        }

        if (parser.isSet(options.exportList)) {
            const QString file = parser.value(options.exportList);
            say(exportedCustomersText(exportCustomerList(broker, file), file));
            return 0;
        }

        if (parser.isSet(options.padron)) {
            const TaxRegisterCheck check
                = checkTaxRegister(broker, qobject_cast<ITransactions *>(&broker), parser.value(options.padron),
                                   parser.value(options.report), [](const QString &line) { complain(line); });
            say(taxRegisterCheckText(check));
            return 0;
        }

        clListado listado;
        listado.setOrigenTarvis(parser.isSet(options.origenTarvis));
        listado.setSeleccionar(!parser.isSet(options.browse));
        listado.setBaseDatos(QString());
        listado.SetDataConnection(QVariant::fromValue<QObject *>(&broker));
        if (parser.isSet(options.extended))
            listado.MostrarListadoEx();
        else
            listado.MostrarListado();

        printPick(listado);
        return 0;
    } catch (const Error &e) {
        host::reportFailure(e, desk);
        return 1;
    }
}
