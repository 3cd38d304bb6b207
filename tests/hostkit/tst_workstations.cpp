// Two workstations as two processes on the same databases, embedded or on a server: whatever order the database
// gives them, one insert wins, no change is overwritten unseen, and no line outlives its customer.

#include <QProcess>
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
// Each round starts from the seeded customer alone with two lines.
const QString kSeed[]
    = {u"delete from DIB"_s, u"delete from VentajasRel"_s, u"delete from clientes"_s,
       u"insert into DIB (CLICUI, JRDNRO, DIBVALOR, DIBEXENTO) values ('%1', '901', 0.5, 0), ('%1', '902', 0.5, 0)"_s};

// One workstation: loads the customer as its window does, waits for the go, saves: the rows it wrote, or why none.
QString workstation(const QString &action, const QString &location)
{
    hostkit::RecordBroker broker;
    broker.useConfig(TempDatabase::configAt(location));
    hostkit::Molde format;
    const CustomerStore store({&broker, &format, &broker}, nullptr, true);
    broker.LoadParameters();
    const CustomerRecord loaded = store.load(kCustomer).value_or(CustomerRecord());
    std::puts("ready"); // then waits for the go, so no desk saves before the other has loaded
    std::fflush(stdout);
    for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {}
    CustomerRecord typed = loaded;

    if (action == u"insert") {
        typed.cuit = kNewCuit; // another customer with the same data
        const CustomerInsert insert = store.insert(typed);
        return insert.cuitTaken ? u"taken"_s : QString::number(insert.rowsInserted);
    }
    if (action == u"delete")
        return QString::number(store.remove(kCustomer).customersDeleted);
    if (action == u"add") { // a line, then a tie
        const auto answer = [](const auto &a) { return a.customerGone ? u"gone"_s : u"%1"_s.arg(a.rowsInserted); };
        const QString line = answer(GrossIncomeStore(store.context()).addLine(kCustomer, u"903"_s, u"0.25"_s, false));
        const BenefitTie tie{u"RIM"_s, u"IC04"_s, u"8471.30.00"_s};
        return u"line %1 tie %2"_s.arg(line, answer(store.addBenefitTie(tie, kCustomer)));
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

// One round of the desks an outcome names, let go together once loaded, the one told first alternating: what each
// printed, the customers, lines and ties of each CUIT (a digit each), the seeded customer's phone and contact.
QString race(const TempDatabase &db, hostkit::RecordBroker &preparer, const QString &outcome, int round)
{
    for (const QString &sql : kSeed)
        runStatement(preparer, entity::kPersonal, QString(sql).replace(u"%1"_s, kCustomer));
    CustomerRecord seeded; // stored as a save stores it, so that no field reads as changed by another desk
    seeded.cuit = kCustomer;
    seeded.telefonos = u"430"_s;
    seeded.contacto = u"Gil"_s;
    CustomerStore({&preparer, nullptr, &preparer}, nullptr, true).insert(seeded);

    std::array<QProcess, 2> desks;
    for (int k : {0, 1})
        desks[k].start(QCoreApplication::applicationFilePath(),
                       {kWorkstation, outcome.split(u" | "_s).value(k).section(u' ', 0, 0), db.location()});
    for (QProcess &p : desks)
        while (!p.canReadLine() && p.waitForReadyRead(kWaitMs)) {}
    for (const int k : {round % 2, 1 - round % 2}) {
        desks[k].write("go\n");
        desks[k].waitForBytesWritten(kWaitMs); // else written only when the test next waits on that process
    }
    QStringList answers;
    for (QProcess &p : desks) {
        const bool ok = p.waitForFinished(kWaitMs) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        answers << QString::fromUtf8(p.readAllStandardOutput()).remove(u"ready\n"_s).trimmed()
                + (ok ? QString() : u" failed: "_s + QString::fromUtf8(p.readAllStandardError()));
    }

    const auto value = [&](const QString &sql) { return TempDatabase::scalar(db.personalPath(), sql).toString(); };
    QString seen = answers.join(u" | "_s) + u" =>"_s;
    for (const QString &rows : {u"clientes where cuit"_s, u"DIB where CLICUI"_s, u"VentajasRel where cuit"_s}) {
        seen += u' ';
        for (const QString &cuit : {kCustomer, kMovedTo, kNewCuit})
            seen += value(u"select count(*) from %1 = '%2'"_s.arg(rows, cuit));
    }
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
            {u"insert 1 | insert taken => 101 200 000 430/Gil"_s, u"insert taken | insert 1 => 101 200 000 430/Gil"_s},
            // The first save wins; the other is told what changed meanwhile and writes nothing.
            {u"phone 1 | contact changed Teléfonos=444 => 100 200 000 444/Gil"_s,
             u"phone changed Contácto=Pérez | contact 1 => 100 200 000 430/Pérez"_s},
            // Gone with its lines (the move found nothing), or moved with them (the deletion found nothing).
            {u"delete 1 | move 0 => 000 000 000"_s, u"delete 0 | move 1 => 010 020 000"_s},
            // Added before the customer went (the line going with it) or refused; ties outlive a deletion.
            {u"delete 1 | add line 1 tie 1 => 000 000 100"_s, u"delete 1 | add line 1 tie gone => 000 000 000"_s,
             u"delete 1 | add line gone tie gone => 000 000 000"_s},
            {u"move 1 | add line 1 tie 1 => 010 030 010"_s, u"move 1 | add line 1 tie gone => 010 030 000"_s,
             u"move 1 | add line gone tie gone => 010 020 000"_s},
        };
        TempDatabase db;
        const auto preparer = db.makeBroker();
        for (const QStringList &outcomes : races) {
            const int rounds = outcomes.first().startsWith(u"insert") ? 10 : 5; // the race desks meet most: more
            for (int round = 0; round < rounds; ++round) {
                const QString outcome = race(db, *preparer, outcomes.first(), round);
                QVERIFY2(outcomes.contains(outcome), qPrintable(outcome));
            }
        }
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == kWorkstation) {
        const QStringList args = app.arguments();
        QString answer;
        const auto error = test::errorOf([&] { answer = workstation(args.value(2), args.value(3)); });
        std::printf("%s %s\n", qUtf8Printable(args.value(2)),
                    qUtf8Printable(error ? u"error "_s + error->description() : answer));
        return 0;
    }
    TestWorkstations test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_workstations.moc"
