// Two workstations on the same databases at the same time, as two processes:
// two desks sharing the embedded files, or two on one server. Whatever the
// order the database gives them, one insert wins, no desk's change is
// overwritten unseen, and no line is left without its customer.

#include <QProcess>
#include <QtTest>
#include <cstdio>

#include "core/customerstore.h"
#include "core/grossincomestore.h"
#include "core/statements.h"
#include "felcora/error.h"
#include "felcora/hostkit/recordbroker.h"
#include "molde/molde.h"
#include "support/errors.h"
#include "support/tempdatabase.h"

using namespace felcora;
using namespace Qt::StringLiterals;
using felcora::test::errorOf;
using felcora::test::TempDatabase;

namespace {

const QString kWorkstation = u"--workstation"_s;
// A workstation prints this once it has loaded what it works on, then waits
// for a line on its input: so no desk saves before the other has loaded.
const QByteArray kReady = "ready";
const QString kNewCuit = u"30712345678"_s;
const QString kCustomer = u"20111111112"_s;
const QString kMovedTo = u"20999999990"_s;
// What the two desks that save the customer type, each in a box of its own.
const QString kPhone = u"4444-1111"_s;
const QString kContact = u"Pérez, Ana"_s;
const BenefitTie kTie{u"RIM"_s, u"IC04"_s, u"8471.30.00"_s};
constexpr int kWaitMs = 30000;

// One workstation's work: loads the customer as its window does, says it is
// ready and waits for the go (or the end of its input), then saves and
// answers what its save answered.
QString workstation(const QString &action, const QString &location)
{
    hostkit::RecordBroker broker;
    broker.useConfig(TempDatabase::configAt(location));
    hostkit::Molde format;
    const CustomerStore store({&broker, &format, &broker}, nullptr, true);
    broker.LoadParameters();
    const std::optional<CustomerRecord> loaded = store.load(kCustomer);
    std::printf("%s\n", kReady.constData());
    std::fflush(stdout);
    for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {}

    if (action == u"insert") {
        CustomerRecord typed;
        typed.cuit = kNewCuit;
        typed.nombre = u"Nueva SA"_s;
        const CustomerInsert insert = store.insert(typed);
        return insert.cuitTaken ? u"taken"_s : insert.rowsInserted > 0 ? u"inserted"_s : u"none"_s;
    }
    if (action == u"delete")
        return u"deleted %1"_s.arg(store.remove(kCustomer).customersDeleted);
    if (action == u"add") {
        // Added while the customer was there, or refused once it was gone: the line first, then the tie.
        const auto answer = [](const auto &a) {
            return a.customerGone ? u"gone"_s : a.rowsInserted > 0 ? u"inserted"_s : u"none"_s;
        };
        const QString line = answer(GrossIncomeStore(store.context()).addLine(kCustomer, u"903"_s, u"0.25"_s, false));
        const TieAddition tie = store.addBenefitTie(kTie, kCustomer);
        return u"line %1 tie %2"_s.arg(line, tie.duplicate ? u"duplicate"_s : answer(tie));
    }
    if (!loaded)
        return u"gone"_s;
    CustomerRecord typed = *loaded;
    if (action == u"move") {
        typed.cuit = kMovedTo;
        return u"moved %1"_s.arg(store.update({typed, *loaded, *loaded}).rowsUpdated);
    }
    (action == u"phone" ? typed.telefonos : typed.contacto) = action == u"phone" ? kPhone : kContact;
    const CustomerUpdate update = store.update({typed, *loaded, *loaded});
    QStringList changed;
    for (const CustomerField field : update.changedElsewhere)
        changed << captionOf(field) + u'=' + valueOf(update.current, field);
    return changed.isEmpty() ? u"updated %1"_s.arg(update.rowsUpdated) : u"changed "_s + changed.join(u", "_s);
}

} // namespace

class TestWorkstations : public QObject
{
    Q_OBJECT

private slots:
    // Each row lists every outcome the race may have, one for each order the
    // database may give the desks: what each desk answered, and the rows left
    // (see state). The seeded customer has two lines and no tie.
    void racesEndInOneOfTheirOrders_data()
    {
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<int>("rounds");
        QTest::addColumn<QStringList>("outcomes");
        const QString seeded = u"4300-0000 / Gómez, Luis"_s;
        // One desk stores the customer; the other is told the CUIT is taken, also on the
        // server, where its test may run before the first desk commits and the server then
        // refuses its row. The race a desk meets most: more rounds.
        QTest::newRow("same new CUIT twice")
            << QStringList{u"insert"_s, u"insert"_s} << 10
            << QStringList{u"inserted | taken => customers 1 0 1, lines 2 0, ties 0 0, "_s + seeded,
                           u"taken | inserted => customers 1 0 1, lines 2 0, ties 0 0, "_s + seeded};
        // The first save wins; the other is told what changed meanwhile and writes nothing.
        QTest::newRow("two desks save one customer")
            << QStringList{u"phone"_s, u"contact"_s} << 5
            << QStringList{u"updated 1 | changed %1=%2 => customers 1 0 0, lines 2 0, ties 0 0, %2 / Gómez, Luis"_s.arg(
                               captionOf(CustomerField::Telefonos), kPhone),
                           u"changed %1=%2 | updated 1 => customers 1 0 0, lines 2 0, ties 0 0, 4300-0000 / %2"_s.arg(
                               captionOf(CustomerField::Contacto), kContact)};
        // Either the customer is gone with its lines (and the move found nothing), or it
        // lives under its new CUIT with them (and the deletion found nothing).
        QTest::newRow("delete while another moves")
            << QStringList{u"delete"_s, u"move"_s} << 5
            << QStringList{u"deleted 1 | moved 0 => customers 0 0 0, lines 0 0, ties 0 0, "_s,
                           u"deleted 0 | moved 1 => customers 0 1 0, lines 0 2, ties 0 0, "_s};
        // The line and the tie were added before the customer went (and the line went
        // with it, deleted or moved), or were refused: never a line without its customer.
        // Ties outlive a deletion: one is there exactly when its addition said so.
        QTest::newRow("delete while another adds a line and a tie")
            << QStringList{u"delete"_s, u"add"_s} << 5
            << QStringList{u"deleted 1 | line inserted tie inserted => customers 0 0 0, lines 0 0, ties 1 0, "_s,
                           u"deleted 1 | line inserted tie gone => customers 0 0 0, lines 0 0, ties 0 0, "_s,
                           u"deleted 1 | line gone tie gone => customers 0 0 0, lines 0 0, ties 0 0, "_s};
        QTest::newRow("move while another adds a line and a tie")
            << QStringList{u"move"_s, u"add"_s} << 5
            << QStringList{u"moved 1 | line inserted tie inserted => customers 0 1 0, lines 0 3, ties 0 1, "_s,
                           u"moved 1 | line inserted tie gone => customers 0 1 0, lines 0 3, ties 0 0, "_s,
                           u"moved 1 | line gone tie gone => customers 0 1 0, lines 0 2, ties 0 0, "_s};
    }
    void racesEndInOneOfTheirOrders()
    {
        QFETCH(QStringList, actions);
        QFETCH(int, rounds);
        QFETCH(QStringList, outcomes);
        TempDatabase db;
        const auto preparer = db.makeBroker();
        for (int round = 0; round < rounds; ++round) {
            QVERIFY(startWithCustomer(*preparer));
            const QString answers = runTogether(db, actions, round).join(u" | "_s); // before the state it leaves
            const QString outcome = answers + u" => "_s + state(db);
            QVERIFY2(outcomes.contains(outcome), qPrintable(outcome));
        }
    }

private:
    // The rows a race left: the customers with the seeded CUIT, the one it
    // moves to and the new one; the lines and ties of the first two; the
    // seeded customer's phone and contact.
    static QString state(const TempDatabase &db)
    {
        const auto scalar = [&](const QString &sql) { return TempDatabase::scalar(db.personalPath(), sql).toString(); };
        const auto counts = [&](const QString &table, const QString &column, const QStringList &cuits) {
            QStringList found;
            for (const QString &cuit : cuits)
                found << scalar(u"select count(*) from %1 where %2 = '%3'"_s.arg(table, column, cuit));
            return found.join(u' ');
        };
        return u"customers %1, lines %2, ties %3, %4"_s.arg(
            counts(u"clientes"_s, u"cuit"_s, {kCustomer, kMovedTo, kNewCuit}),
            counts(u"DIB"_s, u"CLICUI"_s, {kCustomer, kMovedTo}),
            counts(u"VentajasRel"_s, u"cuit"_s, {kCustomer, kMovedTo}),
            scalar(u"select telefonos || ' / ' || contacto from clientes where cuit = '%1'"_s.arg(kCustomer)));
    }

    // Each round starts from the seeded customer alone, stored as a new
    // customer's save stores it, with two lines, prepared through one
    // connection of the test's own: one database for all rounds, as making a
    // database or a connection takes longer than a round on the server.
    static bool startWithCustomer(hostkit::RecordBroker &preparer)
    {
        for (const QString &table : {u"DIB"_s, u"VentajasRel"_s, u"clientes"_s})
            runStatement(preparer, entity::kPersonal, u"delete from "_s + table);
        CustomerRecord customer;
        customer.cuit = kCustomer;
        customer.nombre = u"Benítez, Juan"_s;
        customer.telefonos = u"4300-0000"_s;
        customer.contacto = u"Gómez, Luis"_s;
        const bool inserted
            = CustomerStore({&preparer, nullptr, &preparer}, nullptr, true).insert(customer).rowsInserted == 1;
        runStatement(preparer, entity::kPersonal,
                     u"insert into DIB (CLICUI, JRDNRO, DIBVALOR, DIBEXENTO) values ('%1', '901', 0.5, 0), "
                     "('%1', '902', 0.5, 0)"_s.arg(kCustomer));
        return inserted;
    }

    // Starts one workstation per action on the databases; once every one has
    // loaded what it needs, lets them go at once, and answers what each
    // printed (in the order of the actions), or why it failed.
    static QStringList runTogether(const TempDatabase &db, const QStringList &actions, int round)
    {
        std::vector<std::unique_ptr<QProcess>> processes;
        QList<QByteArray> firstLines; // a workstation that fails before it is ready printed its failure first
        for (const QString &action : actions)
            processes.emplace_back(std::make_unique<QProcess>())
                ->start(QCoreApplication::applicationFilePath(), {kWorkstation, action, db.location()});
        for (const auto &p : processes) {
            while (!p->canReadLine() && p->waitForReadyRead(kWaitMs)) {}
            const QByteArray line = p->readLine();
            firstLines << (line.trimmed() == kReady ? QByteArray() : line);
        }
        // The one told first usually starts first: that changes with the round.
        // QProcess writes when it next waits on that process: each go is sent at once.
        for (size_t k = 0; k < processes.size(); ++k) {
            QProcess &p = *processes[(k + size_t(round)) % processes.size()];
            p.write("go\n");
            p.waitForBytesWritten(kWaitMs);
        }
        QStringList answers;
        for (size_t k = 0; k < processes.size(); ++k) {
            QProcess &p = *processes[k];
            const bool finished = p.waitForFinished(kWaitMs);
            const QString printed = QString::fromUtf8(firstLines.at(k) + p.readAllStandardOutput()).trimmed();
            if (finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
                answers << printed;
            else
                answers << u"failed (exit %1): %2 %3"_s.arg(p.exitCode())
                               .arg(printed, QString::fromUtf8(p.readAllStandardError()));
        }
        return answers;
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == kWorkstation) {
        QString answer;
        const auto error = errorOf([&] { answer = workstation(app.arguments().value(2), app.arguments().value(3)); });
        std::printf("%s\n", (error ? u"error "_s + error->description() : answer).toUtf8().constData());
        return 0;
    }
    TestWorkstations test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_workstations.moc"
