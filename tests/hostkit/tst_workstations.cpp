// Two workstations as two processes on the same databases, embedded or on a server: whatever order the database
// gives them, one insert wins, no change is overwritten unseen, and no line outlives its customer.

#include <QtTest>
#include <cstdio>

#include "core/customerstore.h"
#include "core/grossincomestore.h"
#include "core/statements.h"
#include "felcora/hostkit/recordbroker.h"
#include "molde/molde.h"
#include "support/errors.h"
#include "support/tempdatabase.h"

using namespace felcora;
using namespace Qt::StringLiterals;
using felcora::test::TempDatabase;

namespace {

const QString kWorkstation = u"--workstation"_s;
const QString kCustomer = u"20111111112"_s;
const QString kMovedTo = u"20999999990"_s;
const QString kNewCuit = u"30712345678"_s;
constexpr int kWaitMs = 30000;
constexpr int kRounds = 8; // of each race, the desk told first alternating

// One workstation: loads the customer as its window does, waits for the go, saves: the rows it wrote, or why none.
QString workstation(const QString &action, const QString &location)
{
    hostkit::RecordBroker broker;
    broker.useConfig(TempDatabase::configAt(location));
    hostkit::Molde format;
    const CustomerStore store({&broker, &format, &broker}, nullptr, true);
    broker.LoadParameters();
    const CustomerRecord loaded = store.load(kCustomer).value_or(CustomerRecord());
    QTextStream(stdout) << "ready" << Qt::endl; // then waits for the go: no desk saves before the other has loaded
    std::getchar();                             // the go: the test closes this input
    CustomerRecord typed = loaded;
    if (action == u"insert") {
        typed.cuit = kNewCuit; // another customer with the same data
        const CustomerInsert insert = store.insert(typed);
        return insert.cuitTaken ? u"taken"_s : QString::number(insert.rowsInserted);
    }
    if (action == u"delete")
        return QString::number(store.remove(kCustomer).customersDeleted);
    if (action == u"add") { // a distribution line
        const auto added = GrossIncomeStore(store.context()).addLine(kCustomer, u"903"_s, u"0.25"_s, false);
        return added.customerGone ? u"gone"_s : QString::number(added.rowsInserted);
    }
    if (action == u"move")
        typed.cuit = kMovedTo;
    else
        (action == u"phone" ? typed.telefonos : typed.contacto) = action == u"phone" ? u"444"_s : u"Pérez"_s;
    const CustomerUpdate update = store.update({typed, loaded, loaded});
    QStringList changed;
    for (const CustomerField field : update.changedElsewhere)
        changed << captionOf(field) + u'=' + valueOf(update.current, field);
    return changed.isEmpty() ? QString::number(update.rowsUpdated) : u"changed "_s + changed.join(u", "_s);
}

// One round of the desks an outcome names, from the seeded customer with two lines, let go together once loaded:
// what each printed, the customers and lines of each CUIT, the seeded customer's phone and contact.
QString race(const TempDatabase &db, hostkit::RecordBroker &preparer, const QString &outcome, int round)
{
    for (const QString &sql : {u"delete from DIB"_s, u"delete from clientes"_s,
                               u"insert into DIB (CLICUI, JRDNRO) values ('%1', '901'), ('%1', '902')"_s})
        runStatement(preparer, entity::kPersonal, QString(sql).replace(u"%1"_s, kCustomer));
    CustomerRecord seeded; // stored as a save stores it, so that no field reads as changed by another desk
    seeded.cuit = kCustomer;
    CustomerStore({&preparer, nullptr, &preparer}, nullptr, true).insert(seeded);
    std::array<QProcess, 2> desks;
    for (int k : {0, 1})
        desks[k].start(QCoreApplication::applicationFilePath(),
                       {kWorkstation, outcome.split(u" | "_s).value(k).section(u' ', 0, 0), db.location()});
    for (QProcess &p : desks)
        while (!p.canReadLine() && p.waitForReadyRead(kWaitMs)) {}
    for (const int k : {round % 2, 1 - round % 2})
        desks[k].closeWriteChannel();
    QStringList answers;
    for (QProcess &p : desks) { // a desk that failed shows what it said on its error output
        p.waitForFinished(kWaitMs);
        answers << QString::fromUtf8(p.readAll() + p.readAllStandardError()).remove(u"ready\n"_s).trimmed();
    }
    const auto value = [&](const QString &sql) { return TempDatabase::scalar(db.personalPath(), sql).toString(); };
    QString seen = answers.join(u" | "_s) + u" =>"_s;
    for (const QString &rows : {u"clientes where cuit"_s, u"DIB where CLICUI"_s})
        for (const QString &cuit : {kCustomer, kMovedTo, kNewCuit})
            seen += value(u"select ' ' || count(*) from %1 = '%2'"_s.arg(rows, cuit));
    return seen + value(u"select ' ' || telefonos || '/' || contacto from clientes where cuit = '%1'"_s.arg(kCustomer));
}

} // namespace

class TestWorkstations : public QObject
{
    Q_OBJECT

private slots:
    // Every outcome of a race, one per order the database may give the desks: what each answered, the rows left.
    void racesEndInOneOfTheirOrders()
    {
        const QList<QStringList> races = {
            // One stores it, the other is told the CUIT is taken (also when the server refuses its row).
            {u"insert 1 | insert taken => 1 0 1 2 0 0 /"_s, u"insert taken | insert 1 => 1 0 1 2 0 0 /"_s},
            // The first save wins; the other is told what changed meanwhile and writes nothing.
            {u"phone 1 | contact changed Teléfonos=444 => 1 0 0 2 0 0 444/"_s,
             u"phone changed Contácto=Pérez | contact 1 => 1 0 0 2 0 0 /Pérez"_s},
            // Gone with its lines (the move found nothing), or moved with them (the deletion found nothing).
            {u"delete 1 | move 0 => 0 0 0 0 0 0"_s, u"delete 0 | move 1 => 0 1 0 0 2 0"_s},
            // A line added before the deletion goes with the customer, one added after is refused.
            {u"delete 1 | add 1 => 0 0 0 0 0 0"_s, u"delete 1 | add gone => 0 0 0 0 0 0"_s},
        };
        TempDatabase db;
        const auto preparer = db.makeBroker();
        for (int round = 0; round < kRounds * races.size(); ++round) {
            const QString outcome = race(db, *preparer, races[round / kRounds].first(), round);
            QVERIFY2(races[round / kRounds].contains(outcome), qPrintable(outcome));
        }
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) != kWorkstation) {
        TestWorkstations test;
        return QTest::qExec(&test, argc, argv);
    }
    QString answer;
    const auto error = test::errorOf([&] { answer = workstation(args.value(2), args.value(3)); });
    std::printf("%s %s\n", qUtf8Printable(args.value(2)),
                qUtf8Printable(error ? u"error "_s + error->description() : answer));
    return 0;
}

#include "tst_workstations.moc"
