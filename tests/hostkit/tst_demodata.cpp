// The demo data generator: rows the windows accept, the same rows for the
// same seed, more customers added beside those a database holds, and nothing
// kept of a failed run.

#include "felcora/cuit.h"
#include "felcora/error.h"
#include "felcora/hostkit/demodata.h"
#include "support/errors.h"
#include "support/tempdatabase.h"

#include <QFile>
#include <QSet>
#include <QTest>

#include <sqlite3.h>

using namespace felcora;
using namespace Qt::StringLiterals;
using felcora::hostkit::DemoOptions;
using felcora::hostkit::DemoSummary;
using felcora::hostkit::generateDemoData;
using felcora::test::DatabaseSnapshot;
using felcora::test::TempDatabase;

namespace {

// The first column of every row of a query, read through the data access as the component reads it.
QStringList column(IDataAccess &broker, const QString &sql, const QString &entity = u"PERSONAL"_s)
{
    IDataConnection *c = broker.getDataConnectionByEntity(entity);
    c->setSql(sql);
    std::unique_ptr<IRecordset> rs;
    QStringList out;
    for (c->CrearRs(rs); !rs->Eof(); rs->MoveNext())
        out << rs->value(0).toString();
    return out;
}

qint64 count(IDataAccess &broker, const QString &sql)
{
    return column(broker, u"select count(*) from "_s + sql).value(0).toLongLong();
}

// The agents awaiting registration, as the new-customer window finds them.
const QString kPendingAgents = u"QUENMARCONTABLE..AGENTES where GENERADORID in"
                               " (select ID_AGENTE from QUENMARCONTABLE..ROLES_AUTORIZADOS where ID_ROL=2)"
                               " and Documento_Numero not in (select cuit from clientes)"_s;
// The Convenio Multilateral customers whose shares do not add up to 1 within %1.
const QString kUneven = u"(select CLICUI from DIB group by CLICUI having abs(sum(DIBVALOR) - 1) > %1)"_s;

DemoSummary generate(const TempDatabase &db, const DemoOptions &options)
{
    return generateDemoData(db.personalPath(), db.accountingPath(), options);
}

} // namespace

class TestDemoData : public QObject
{
    Q_OBJECT

    TempDatabase m_db;
    std::unique_ptr<IDataAccess> m_broker;
    DemoSummary m_summary;
    static constexpr qint64 kCustomers = 2000;
    static constexpr qint64 kAgents = 60;

private slots:
    void initTestCase()
    {
        m_summary = generate(m_db, {.customers = kCustomers, .agents = kAgents});
        m_broker = m_db.makeBroker();
    }

    void rowsFitWhatTheWindowsAccept()
    {
        QCOMPARE(m_summary.customers, kCustomers);
        QCOMPARE(m_summary.agents, kAgents);
        const QStringList cuits = column(
            *m_broker, u"select cuit from clientes union all select Documento_Numero from QUENMARCONTABLE..AGENTES"_s);
        QCOMPARE(cuits.size(), kCustomers + kAgents);
        for (const QString &cuit : cuits)
            QVERIFY2(isValidCuit(cuit), qPrintable(cuit));
        QVERIFY(m_summary.pendingAgents > 0);
        QCOMPARE(count(*m_broker, kPendingAgents), m_summary.pendingAgents);
        // Every gross-income condition, and the Convenio Multilateral for the registered only.
        QCOMPARE(column(*m_broker, u"select distinct CML || CIB from clientes order by 1"_s),
                 QStringList({"00", "01", "02", "10"}));
        const QStringList used = column(*m_broker, u"select distinct JRDNRO from DIB"_s);
        const QStringList known = column(*m_broker, u"select JRDNRO from JRD"_s, u"SYSTABLAS"_s);
        QVERIFY(QSet<QString>(known.begin(), known.end()).contains(QSet<QString>(used.begin(), used.end())));
        // Most shares add up to 1 at four decimals; a few miss it (by little: see the rules).
        const qint64 missing = count(*m_broker, kUneven.arg(0.00005));
        QVERIFY2(missing > 0 && missing < count(*m_broker, u"clientes where CML = '1'"_s) / 10,
                 qPrintable(QString::number(missing)));
    }

    // Each query counts the rows that break a rule of the windows.
    void noRowBreaksTheRules_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::newRow("a text longer than its box, a date that is none")
            << u"clientes where length(domicilio) > 40 or length(LUGARDEPMERC) > 22 or length(NIN) > 12"
               " or date(finitactiv) is not finitactiv"_s;
        QTest::newRow("Convenio without its number, a rate other than the condition's")
            << u"clientes where (CML = '1' and ifnull(trim(NIN), '') = '')"
               " or ingbru is not (case CIB when '2' then 0 else 2.5 end)"_s;
        QTest::newRow("Convenio without lines")
            << u"clientes where CML = '1' and cuit not in (select CLICUI from DIB)"_s;
        QTest::newRow("a line outside the Convenio, a share not positive or of more than four decimals")
            << u"DIB where CLICUI not in (select cuit from clientes where CML = '1') or DIBVALOR <= 0"
               " or abs(DIBVALOR * 10000 - round(DIBVALOR * 10000)) > 1e-6"_s;
        QTest::newRow("shares that miss 1 by much") << kUneven.arg(0.05);
    }
    void noRowBreaksTheRules()
    {
        QFETCH(QString, rows);
        QCOMPARE(count(*m_broker, rows), 0);
    }

    // The same seed draws the same rows; run again on a database, it draws the
    // same CUITs, skips them and writes new ones, continuing the agents' numbering.
    void sameSeedSameDataAndAppending()
    {
        DemoOptions options{.customers = 300, .agents = 10};
        TempDatabase first, second, third;
        const DemoSummary once = generate(first, options);
        generate(second, options);
        options.seed += 1;
        generate(third, options);
        const auto differences = [](const TempDatabase &a, const TempDatabase &b) {
            return DatabaseSnapshot::take(a.personalPath()).differences(DatabaseSnapshot::take(b.personalPath()))
                + DatabaseSnapshot::take(a.accountingPath()).differences(DatabaseSnapshot::take(b.accountingPath()));
        };
        QCOMPARE(differences(first, second), QStringList());
        QVERIFY(!differences(first, third).isEmpty());

        options.seed -= 1;
        const DemoSummary again = generate(first, options);
        QCOMPARE(again.customers, options.customers);
        const auto broker = first.makeBroker();
        QCOMPARE(count(*broker, u"clientes"_s), 2 * options.customers);
        QCOMPARE(count(*broker, u"(select distinct CLICUI from DIB)"_s), count(*broker, u"clientes where CML = '1'"_s));
        QCOMPARE(column(*broker, u"select count(*) || ' ' || max(ID_AGENTE) from QUENMARCONTABLE..AGENTES"_s),
                 QStringList(u"20 20"_s));
        QCOMPARE(count(*broker, u"QUENMARCONTABLE..ROLES_AUTORIZADOS"_s), 2);
        QCOMPARE(count(*broker, kPendingAgents), once.pendingAgents + again.pendingAgents);
    }

    void failuresRaiseErrors()
    {
        TempDatabase db;
        const QString missing = db.folder() + u"/missing.db"_s; // an error, not a new empty database
        QVERIFY_THROWS_EXCEPTION(Error, generateDemoData(missing, db.accountingPath()));
        QVERIFY(!QFile::exists(missing));
        QVERIFY_THROWS_EXCEPTION(Error, generateDemoData(db.systemPath(), db.accountingPath()));
        // A database without the tables: what is missing where, SQLite's code, and
        // the customer database keeps nothing of the failed run.
        const auto error = test::errorOf([&] { generateDemoData(db.personalPath(), db.systemPath()); });
        QVERIFY(error);
        QCOMPARE(error->number(), SQLITE_ERROR);
        QVERIFY2(error->description().startsWith(
                     u"No existe la tabla AGENTES en la base de datos \"%1\""_s.arg(db.systemPath())),
                 qPrintable(error->description()));
        QCOMPARE(TempDatabase::scalar(db.personalPath(), u"select count(*) from clientes"_s).toInt(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDemoData)
#include "tst_demodata.moc"
