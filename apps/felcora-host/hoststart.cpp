#include "hoststart.h"

#include <QMessageBox>
#include <QTextStream>
#include <algorithm>

#include "felcora/error.h"
#include "felcora/hostkit/brokerconfig.h"
#include "felcora/hostkit/demodata.h"
#include "felcora/hostkit/recordbroker.h"
#include "felcora/hostkit/serverschema.h"

namespace felcora::host {

namespace {

const QString kPersonal = QStringLiteral("PERSONAL");
// The customers a new embedded database starts with, and the least accounting agents written.
constexpr qint64 kFirstUseCustomers = 300;
constexpr qint64 kLeastAgents = 60;
constexpr qint64 kCustomersPerAgent = 5;
// The host's own failures (the component's come with their own numbers).
constexpr qint32 kHostError = 1;

void writeLine(FILE *stream, const QString &line)
{
    QTextStream text(stream);
    text << line << '\n';
    text.flush();
}

} // namespace

void say(const QString &line)
{
    writeLine(stdout, line);
}

void complain(const QString &line)
{
    writeLine(stderr, line);
}

void reportFailure(const Error &error, Desk desk)
{
    complain(QStringLiteral("Error %1: %2 [%3]").arg(error.number()).arg(error.description(), error.source()));
    if (desk == Desk::Windows)
        QMessageBox::critical(nullptr, QStringLiteral("FELCORA"), error.description());
}

qint64 writeDemoData(hostkit::RecordBroker &broker, qint64 customers)
{
    const hostkit::EntitySettings personal = broker.entitySettings(kPersonal);
    hostkit::DemoOptions options;
    options.customers = customers;
    options.agents = std::max(kLeastAgents, customers / kCustomersPerAgent);
    if (!personal.isSqlite())
        return hostkit::writeServerDemoData(personal, options);
    if (personal.accounting.isEmpty())
        throw Error(kHostError, QStringLiteral("felcora-host"),
                    QStringLiteral("Los datos de demostración se escriben en una base SQLite solo con la base "
                                   "contable adjunta (claves Database y Accounting del grupo [PERSONAL])"));
    return hostkit::generateDemoData(personal.database, personal.accounting, options).customers;
}

bool openDataAccess(hostkit::RecordBroker &broker, Desk desk)
{
    try {
        broker.LoadParameters();
        if (broker.createdDatabase(kPersonal))
            say(QStringLiteral("%1 clientes de demostración agregados (primer uso)")
                    .arg(writeDemoData(broker, kFirstUseCustomers)));
        return true;
    } catch (const Error &e) {
        reportFailure(e, desk);
        return false;
    }
}

} // namespace felcora::host
