// Two workstations on the same databases at the same time, as two processes:
// two desks sharing the embedded files, or two on one server. Both add the
// same new CUIT; both save the same customer, each with a change of its own;
// one deletes a customer while the other moves it; one deletes or moves it
// while the other adds a distribution line and a benefit tie to it. Whatever
// the order the database gives them, one insert wins, no desk's change is
// overwritten unseen, and no line is left without its customer.

#include <QProcess>
#include <QtTest>
#include <algorithm>
#include <cstdio>

#include "core/customerstore.h"
#include "core/grossincomestore.h"
#include "core/statements.h"
#include "felcora/error.h"
#include "felcora/hostkit/recordbroker.h"
#include "molde/molde.h"
#include "support/tempdatabase.h"

using namespace felcora;
using namespace Qt::StringLiterals;
using felcora::test::DatabaseSnapshot;
using felcora::test::TempDatabase;

namespace {

const QString kWorkstation = u"--workstation"_s;
// A workstation prints this once it has loaded what it works on, then waits
// for a line on its input: so no desk saves before the other has loaded.
const QByteArray kReady = "ready";
const QByteArray kGo = "go\n";
const QString kNewCuit = u"30712345678"_s;
const QString kCustomer = u"20111111112"_s;
const QString kMovedTo = u"20999999990"_s;
// The customer's lines as the tests start, and the one the adding desk adds.
const QStringList kJurisdictions = {u"901"_s, u"902"_s};
const int kSeededLines = int(kJurisdictions.size());
const QString kSeededShare = u"0.5"_s;
const QString kNewJurisdiction = u"903"_s;
const QString kNewShare = u"0.25"_s;
const BenefitTie kTie{u"RIM"_s, u"IC04"_s, u"8471.30.00"_s};
constexpr int kRounds = 5;
// The insert race is the one a desk meets most: more rounds.
constexpr int kInsertRounds = 10;
constexpr int kWaitMs = 30000;

// The two desks' edits of one customer, each of a box of its own.
struct DeskEdit
{
    QString action;
    CustomerField field;
    QString CustomerRecord::*member;
    QString column;
    QString value;
};
const DeskEdit kEdits[] = {
    {u"phone"_s, CustomerField::Telefonos, &CustomerRecord::telefonos, u"telefonos"_s, u"4444-1111"_s},
    {u"contact"_s, CustomerField::Contacto, &CustomerRecord::contacto, u"contacto"_s, u"Pérez, Ana"_s},
};

const DeskEdit *editFor(const QString &action)
{
    const auto found = std::ranges::find(kEdits, action, &DeskEdit::action);
    return found == std::end(kEdits) ? nullptr : &*found;
}

// The customer the tests start from, as the new-customer window stores it.
CustomerRecord seededCustomer()
{
    CustomerRecord customer;
    customer.cuit = kCustomer;
    customer.nombre = u"Benítez, Juan"_s;
    customer.domicilio = u"Av. de Mayo 1370"_s;
    customer.telefonos = u"4300-0000"_s;
    customer.contacto = u"Gómez, Luis"_s;
    return customer;
}

// What the adding desk may answer: the line and then the tie added while the
// customer was there, or refused once it was gone (it does not come back).
const QStringList kAdditions = {u"line inserted tie inserted"_s, u"line inserted tie gone"_s, u"line gone tie gone"_s};

const char *additionAnswer(qint64 rowsInserted, bool customerGone)
{
    return customerGone ? "gone" : rowsInserted > 0 ? "inserted" : "none";
}

void answer(const QString &text)
{
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

// Tells the test this workstation is ready, then waits for its go (or the end of its input).
void readyThenWait()
{
    answer(QString::fromLatin1(kReady));
    for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {}
}

// One workstation's work: loads what it needs, waits for the go, then saves
// and prints what its save answered.
int workstation(const QString &action, const QString &location)
{
    hostkit::RecordBroker broker;
    broker.useConfig(TempDatabase::configAt(location));
    hostkit::Molde format;
    const CustomerStore store({&broker, &format, &broker}, nullptr, true);
    try {
        broker.LoadParameters();
        const DeskEdit *edit = editFor(action);
        // The customer as the desk's window loaded it, before either desk saves.
        std::optional<CustomerRecord> loaded;
        if (edit || action == u"move")
            loaded = store.load(kCustomer);
        readyThenWait();
        if (action == u"insert") {
            CustomerRecord typed;
            typed.cuit = kNewCuit;
            typed.nombre = u"Nueva SA"_s;
            const CustomerInsert insert = store.insert(typed);
            answer(insert.cuitTaken ? u"taken"_s : insert.rowsInserted > 0 ? u"inserted"_s : u"none"_s);
        } else if (action == u"delete") {
            answer(u"deleted %1"_s.arg(store.remove(kCustomer).customersDeleted));
        } else if (action == u"add") {
            const LineAddition line
                = addDistributionLine(broker, &broker, kCustomer, kNewJurisdiction, kNewShare, false);
            const TieAddition tie = store.addBenefitTie(kTie, kCustomer);
            answer(u"line %1 tie %2"_s.arg(
                QLatin1String(additionAnswer(line.rowsInserted, line.customerGone)),
                tie.duplicate ? "duplicate"_L1 : QLatin1String(additionAnswer(tie.rowsInserted, tie.customerGone))));
        } else if (!loaded) {
            answer(u"gone"_s);
        } else if (action == u"move") {
            CustomerRecord typed = *loaded;
            typed.cuit = kMovedTo;
            answer(u"moved %1"_s.arg(store.update({typed, *loaded, *loaded}).rowsUpdated));
        } else if (edit) {
            CustomerRecord typed = *loaded;
            typed.*(edit->member) = edit->value;
            const CustomerUpdate update = store.update({typed, *loaded, *loaded});
            QStringList changed;
            for (const CustomerField field : update.changedElsewhere)
                changed << captionOf(field) + u'=' + valueOf(update.current, field);
            answer(changed.isEmpty() ? u"updated %1"_s.arg(update.rowsUpdated) : u"changed "_s + changed.join(u", "_s));
        } else {
            answer(u"unknown action "_s + action);
        }
    } catch (const Error &e) {
        answer(u"error "_s + e.description());
    }
    return 0;
}

} // namespace

class TestWorkstations : public QObject
{
    Q_OBJECT

private slots:
    // One desk stores the customer; the other is told the CUIT is taken,
    // also on the server, where its test may run before the first desk
    // commits and the server then refuses its row.
    void sameNewCuitTwiceAtOnce()
    {
        TempDatabase db;
        const auto preparer = db.makeBroker();
        for (int round = 0; round < kInsertRounds; ++round) {
            empty(*preparer);
            const QStringList answers = runTogether(db, {u"insert"_s, u"insert"_s}, round);
            QCOMPARE(answers.count(u"inserted"_s), 1);
            QCOMPARE(answers.count(u"taken"_s), 1);
            QCOMPARE(count(db, u"select count(*) from clientes where cuit = '%1'"_s.arg(kNewCuit)), 1);
        }
    }

    // Both desks loaded the customer, then save at once: the first save wins,
    // the other is told what changed meanwhile and writes nothing.
    void twoDesksSaveOneCustomerAtOnce()
    {
        const CustomerRecord seeded = seededCustomer();
        TempDatabase db;
        const auto preparer = db.makeBroker();
        for (int round = 0; round < kRounds; ++round) {
            QVERIFY(startWithCustomer(*preparer));
            const DatabaseSnapshot before = DatabaseSnapshot::take(db.personalPath());
            const QStringList answers = runTogether(db, {kEdits[0].action, kEdits[1].action}, round);
            QVERIFY2(answers.count(u"updated 1"_s) == 1, qPrintable(answers.join(u" | "_s)));
            const qsizetype winner = answers.indexOf(u"updated 1"_s);
            const DeskEdit &won = kEdits[winner];
            QCOMPARE(answers.at(1 - winner), u"changed %1=%2"_s.arg(captionOf(won.field), won.value));
            QCOMPARE(before.differences(DatabaseSnapshot::take(db.personalPath())),
                     QStringList{u"clientes[%1].%2: '%3' -> '%4'"_s.arg(kCustomer, won.column, seeded.*(won.member),
                                                                        won.value)});
        }
    }

    void deleteWhileAnotherMovesTheCustomer()
    {
        TempDatabase db;
        const auto preparer = db.makeBroker();
        for (int round = 0; round < kRounds; ++round) {
            QVERIFY(startWithCustomer(*preparer));
            const QStringList answers = runTogether(db, {u"delete"_s, u"move"_s}, round);
            // One of the two went first: either the customer is gone with its lines (and the
            // move found nothing), or it lives under its new CUIT with them (and the deletion
            // found nothing).
            const bool moved = answers == QStringList({u"deleted 0"_s, u"moved 1"_s});
            QVERIFY2(moved || answers == QStringList({u"deleted 1"_s, u"moved 0"_s}),
                     qPrintable(answers.join(u" | "_s)));
            QCOMPARE(count(db, u"select count(*) from clientes"_s), moved ? 1 : 0);
            QCOMPARE(orphanLines(db), 0);
            if (moved) {
                QCOMPARE(count(db, u"select count(*) from clientes where cuit = '%1'"_s.arg(kMovedTo)), 1);
                QCOMPARE(count(db, u"select count(*) from DIB where CLICUI = '%1'"_s.arg(kMovedTo)), kSeededLines);
            }
        }
    }

    void removeWhileAnotherAddsLineAndTie_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("keptAs"); // the customer's CUIT afterwards; empty: deleted
        QTest::newRow("delete") << u"delete"_s << u"deleted 1"_s << QString();
        QTest::newRow("move") << u"move"_s << u"moved 1"_s << kMovedTo;
    }

    // The line and the tie were added before the customer went (and the line
    // went with it, deleted or moved), or were refused: never a line without
    // its customer. Ties outlive a deletion: one is there exactly when its
    // addition said so.
    void removeWhileAnotherAddsLineAndTie()
    {
        QFETCH(QString, action);
        QFETCH(QString, expected);
        QFETCH(QString, keptAs);
        TempDatabase db;
        const auto preparer = db.makeBroker();
        for (int round = 0; round < kRounds; ++round) {
            QVERIFY(startWithCustomer(*preparer));
            const QStringList answers = runTogether(db, {action, u"add"_s}, round);
            QCOMPARE(answers.at(0), expected);
            const QString added = answers.at(1);
            QVERIFY2(kAdditions.contains(added), qPrintable(added));
            const bool lineAdded = added.startsWith(u"line inserted"_s);
            const int tiesAdded = added.endsWith(u"tie inserted"_s) ? 1 : 0;

            QCOMPARE(count(db, u"select count(*) from clientes where cuit = '%1'"_s.arg(kCustomer)), 0);
            QCOMPARE(orphanLines(db), 0);
            QCOMPARE(count(db, u"select count(*) from VentajasRel"_s), tiesAdded);
            const QString tiedTo = keptAs.isEmpty() ? kCustomer : keptAs;
            QCOMPARE(count(db,
                           u"select count(*) from VentajasRel where cuit = '%1' and IdVentaja = '%2' and "
                           "IdSubRegimen = '%3' and NCM = '%4'"_s.arg(tiedTo, kTie.ventaja, kTie.subRegimen, kTie.ncm)),
                     tiesAdded);
            if (!keptAs.isEmpty()) {
                QCOMPARE(count(db, u"select count(*) from clientes where cuit = '%1'"_s.arg(keptAs)), 1);
                QCOMPARE(count(db, u"select count(*) from DIB where CLICUI = '%1'"_s.arg(keptAs)),
                         kSeededLines + (lineAdded ? 1 : 0));
            }
        }
    }

private:
    static int count(const TempDatabase &db, const QString &sql)
    {
        return TempDatabase::scalar(db.personalPath(), sql).toInt();
    }

    static int orphanLines(const TempDatabase &db)
    {
        return count(db, u"select count(*) from DIB where CLICUI not in (select cuit from clientes)"_s);
    }

    // Each round starts from empty customer tables, prepared through one
    // connection of the test's own: one database for all rounds, as making a
    // database or a connection takes longer than a round on the server.
    static void empty(hostkit::RecordBroker &preparer)
    {
        for (const QString &table : {u"DIB"_s, u"VentajasRel"_s, u"clientes"_s})
            runStatement(preparer, entity::kPersonal, u"delete from "_s + table);
    }

    // Only the customer, stored as a new customer's save stores it, with its lines.
    static bool startWithCustomer(hostkit::RecordBroker &preparer)
    {
        empty(preparer);
        if (CustomerStore({&preparer, nullptr, &preparer}, nullptr, true).insert(seededCustomer()).rowsInserted != 1)
            return false;
        for (const QString &jurisdiction : kJurisdictions)
            runStatement(preparer, entity::kPersonal,
                         u"insert into DIB (CLICUI, JRDNRO, DIBVALOR, DIBEXENTO) values ('%1', '%2', %3, 0)"_s.arg(
                             kCustomer, jurisdiction, kSeededShare));
        return true;
    }

    // Starts one workstation per action on the databases; once every one has
    // loaded what it needs, lets them go at once, and answers what each
    // printed (in the order of the actions), or why it failed.
    static QStringList runTogether(const TempDatabase &db, const QStringList &actions, int round)
    {
        std::vector<std::unique_ptr<QProcess>> processes;
        for (const QString &action : actions) {
            processes.push_back(std::make_unique<QProcess>());
            processes.back()->start(QCoreApplication::applicationFilePath(), {kWorkstation, action, db.location()});
        }
        // A workstation that fails before it is ready printed its failure first.
        QList<QByteArray> firstLines;
        for (const auto &p : processes) {
            while (!p->canReadLine() && p->waitForReadyRead(kWaitMs)) {}
            const QByteArray line = p->readLine();
            firstLines << (line.trimmed() == kReady ? QByteArray() : line);
        }
        // The one told first usually starts first: that changes with the round.
        // QProcess writes when it next waits on that process: each go is sent at once.
        for (size_t k = 0; k < processes.size(); ++k) {
            QProcess &p = *processes[(k + size_t(round)) % processes.size()];
            p.write(kGo);
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
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == kWorkstation)
        return workstation(app.arguments().value(2), app.arguments().value(3));
    TestWorkstations test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_workstations.moc"
