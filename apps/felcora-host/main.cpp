// A small host application: registers the default host components, opens the
// customer list through clListado for the user to pick a customer, and prints the pick.

#include <QCommandLineParser>
#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <memory>

#include "felcora/clListado.h"
#include "felcora/customerlistpdf.h"
#include "felcora/error.h"
#include "felcora/hostkit/demodata.h"
#include "felcora/hostkit/hostkit.h"
#include "felcora/hostkit/recordbroker.h"

using namespace felcora;

namespace {

constexpr qint64 kFirstUseCustomers = 300;
// The host's own failures (the component's come with their own numbers).
constexpr qint32 kHostError = 1;

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

qint64 customerCount(IDataAccess &broker)
{
    IDataConnection *connection = broker.getDataConnectionByEntity(QStringLiteral("PERSONAL"));
    connection->setSql(QStringLiteral("select count(*) as total from clientes"));
    std::unique_ptr<IRecordset> rs;
    connection->CrearRs(rs);
    return rs->Fields(QStringLiteral("total")).toLongLong();
}

// Demo customers go into the customer database when it is SQLite (the embedded default).
qint64 writeDemoData(qint64 customers)
{
    const hostkit::EntitySettings personal = hostkit::BrokerConfig::load().entity(QStringLiteral("PERSONAL"));
    if (!personal.isSqlite() || personal.accounting.isEmpty())
        throw Error(kHostError, QStringLiteral("felcora-host"),
                    QStringLiteral("Los datos de demostración se escriben solo en una base SQLite con la base contable adjunta"));
    hostkit::DemoOptions options;
    options.customers = customers;
    options.agents = std::max<qint64>(60, customers / 5);
    return hostkit::generateDemoData(personal.database, personal.accounting, options).customers;
}

void printPick(const clListado &listado)
{
    if (listado.Cliente_Cuit().isEmpty() && listado.Cliente_Nombre().isEmpty()) {
        out() << "No se eligió ningún cliente\n";
    } else {
        out() << "Cliente elegido: " << listado.Cliente_Nombre() << "\n"
              << "  CUIT: " << listado.Cliente_Cuit() << "\n"
              << "  Domicilio: " << listado.Cliente_Domicilio() << "\n"
              << "  E-mail: " << listado.Cliente_EMail() << "\n"
              << "  Regalías: " << listado.Cliente_Regalias() << "\n"
              << "  Ajuste Res 41/02: " << listado.Cliente_AjustexVinculacion() << "\n";
    }
    out().flush();
}

// Without a display Qt would stop with a platform-plugin failure; say what to do instead.
bool displayMissing()
{
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool wantsOption(int argc, char *argv[], const char *prefix)
{
    for (int k = 1; k < argc; ++k) {
        if (qstrncmp(argv[k], prefix, qstrlen(prefix)) == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    // Writing demo data and asking for help need no window.
    const bool windowless = wantsOption(argc, argv, "--demo-data") || wantsOption(argc, argv, "--help")
        || wantsOption(argc, argv, "-h") || wantsOption(argc, argv, "--version");
    // The PDF of the list needs fonts but no screen.
    const bool printPdfOnly = wantsOption(argc, argv, "--print-pdf");
    if (printPdfOnly && displayMissing())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!windowless && displayMissing()) {
        err() << "felcora-host: no hay pantalla (DISPLAY está vacío); ejecútelo con una pantalla virtual: "
                 "xvfb-run -a ./dev run\n";
        return 3;
    }
    std::unique_ptr<QCoreApplication> app;
    if (windowless)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("felcora-host"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Host de prueba del componente de clientes FELCORA"));
    parser.addHelpOption();
    const QCommandLineOption demoData(QStringLiteral("demo-data"),
                                      QStringLiteral("Agrega N clientes de demostración a la base y termina."),
                                      QStringLiteral("N"));
    const QCommandLineOption config(QStringLiteral("config"),
                                    QStringLiteral("Archivo de configuración del acceso a datos."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption pick(QStringLiteral("pick"),
                                  QStringLiteral("Abre la lista para elegir un cliente (opción por omisión)."));
    const QCommandLineOption browse(QStringLiteral("browse"),
                                    QStringLiteral("Abre la lista sin elegir: Enter no elige ni cierra."));
    const QCommandLineOption origenTarvis(QStringLiteral("origen-tarvis"),
                                          QStringLiteral("Se presenta como el host TARVIS (OrigenTarvis)."));
    const QCommandLineOption extended(QStringLiteral("ex"),
                                      QStringLiteral("Usa MostrarListadoEx después de SetDataConnection."));
    const QCommandLineOption printPdf(QStringLiteral("print-pdf"),
                                      QStringLiteral("Escribe el listado de clientes en un PDF y termina."),
                                      QStringLiteral("FILE"));
    parser.addOptions({demoData, config, pick, browse, origenTarvis, extended, printPdf});
    parser.process(*app);

    if (parser.isSet(config))
        qputenv("RECORDBROKER_CONFIG", parser.value(config).toLocal8Bit());

    try {
        hostkit::registerHostComponents();

        hostkit::RecordBroker broker;
        broker.LoadParameters(); // creates the embedded databases on first use

        if (parser.isSet(demoData)) {
            bool ok = false;
            const qint64 count = parser.value(demoData).toLongLong(&ok);
            if (!ok || count < 0) {
                err() << "--demo-data espera un número de clientes, no \"" << parser.value(demoData) << "\"\n";
                return 2;
            }
            out() << writeDemoData(count) << " clientes de demostración agregados\n";
            return 0;
        }
        if (customerCount(broker) == 0)
            out() << writeDemoData(kFirstUseCustomers) << " clientes de demostración agregados (primer uso)\n";

        if (parser.isSet(printPdf)) {
            const int pages = writeCustomerListPdf(broker, parser.value(printPdf));
            out() << pages << (pages == 1 ? " página" : " páginas") << " escritas en " << parser.value(printPdf) << "\n";
            return 0;
        }

        clListado listado;
        listado.setOrigenTarvis(parser.isSet(origenTarvis));
        listado.setSeleccionar(!parser.isSet(browse));
        listado.setBaseDatos(QString());
        listado.SetDataConnection(QVariant::fromValue<QObject *>(&broker));
        if (parser.isSet(extended))
            listado.MostrarListadoEx();
        else
            listado.MostrarListado();

        printPick(listado);
        return 0;
    } catch (const Error &e) {
        err() << "Error " << e.number() << ": " << e.description() << " [" << e.source() << "]\n";
        return 1;
    }
}
