// A small host application: registers the default host components, opens the
// customer list through clListado and prints what it finds.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "felcora/clListado.h"
#include "felcora/error.h"
#include "felcora/hostkit/demodata.h"
#include "felcora/hostkit/hostkit.h"
#include "felcora/hostkit/recordbroker.h"

using namespace felcora;

namespace {

constexpr qint64 kFirstUseCustomers = 300;
constexpr qint64 kPrintedAtMost = 1000;

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
        throw Error(1, QStringLiteral("felcora-host"),
                    QStringLiteral("Los datos de demostración se escriben solo en una base SQLite con la base contable adjunta"));
    hostkit::DemoOptions options;
    options.customers = customers;
    options.agents = std::max<qint64>(60, customers / 5);
    return hostkit::generateDemoData(personal.database, personal.accounting, options).customers;
}

void printCustomers(IDataAccess &broker)
{
    IDataConnection *connection = broker.getDataConnectionByEntity(QStringLiteral("PERSONAL"));
    connection->setSql(QStringLiteral("select cuit, nombre, localidad from clientes order by nombre"));
    std::unique_ptr<IRecordset> rs;
    connection->CrearRs(rs);
    qint64 printed = 0;
    qint64 total = 0;
    for (; !rs->Eof(); rs->MoveNext(), ++total) {
        if (printed < kPrintedAtMost) {
            out() << rs->Fields(QStringLiteral("cuit")).toString() << "  " << rs->Fields(QStringLiteral("nombre")).toString()
                  << "  (" << rs->Fields(QStringLiteral("localidad")).toString() << ")\n";
            ++printed;
        }
    }
    if (total > printed)
        out() << "... y " << (total - printed) << " clientes más\n";
    out() << total << " clientes\n";
    out().flush();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
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
    parser.addOption(demoData);
    parser.addOption(config);
    parser.process(app);

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

        clListado listado;
        listado.setSeleccionar(true);
        listado.setBaseDatos(QString());
        listado.SetDataConnection(QVariant::fromValue<QObject *>(&broker));
        listado.MostrarListado();

        printCustomers(broker);
        return 0;
    } catch (const Error &e) {
        err() << "Error " << e.number() << ": " << e.description() << " [" << e.source() << "]\n";
        return 1;
    }
}
