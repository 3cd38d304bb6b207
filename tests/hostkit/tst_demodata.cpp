// The demo data generator: rows the windows accept, repeatable by seed, added beside what is there.

#include "felcora/cuit.h"
#include "felcora/error.h"
#include "felcora/hostkit/demodata.h"
#include "support/errors.h"
#include "support/tempdatabase.h"

#include <QFile>
#include <QTest>
#include <sqlite3.h>

using namespace felcora;
using namespace Qt::StringLiterals;
using namespace felcora::hostkit;
using namespace felcora::test;

class TestDemoData : public QObject
{
    Q_OBJECT

    TempDatabase m_db;
    std::unique_ptr<IDataAccess> m_broker;

    // The first column of each row, read through the data access as the windows read it.
    QStringList column(const QString &sql, const QString &entity = u"PERSONAL"_s)
    {
        IDataConnection *c = m_broker->getDataConnectionByEntity(entity);
        c->setSql(sql);
        std::unique_ptr<IRecordset> rs;
        QStringList out;
        for (c->CrearRs(rs); !rs->Eof(); rs->MoveNext())
            out << rs->value(0).toString();
        return out;
    }
    qint64 count(const QString &rows) { return column(u"select count(*) from "_s + rows).value(0).toLongLong(); }

private slots:
    // Same seed, same rows; run again it skips the CUITs it drew and continues; every row fits the windows.
    void rowsFitWhatTheWindowsAccept()
    {
        DemoOptions options{.customers = 300, .agents = 10};
        TempDatabase same, other;
        const auto generate
            = [&](const TempDatabase &d) { return generateDemoData(d.personalPath(), d.accountingPath(), options); };
        const auto differences = [](const TempDatabase &a, const TempDatabase &b) {
            return DatabaseSnapshot::take(a.personalPath()).differences(DatabaseSnapshot::take(b.personalPath()))
                + DatabaseSnapshot::take(a.accountingPath()).differences(DatabaseSnapshot::take(b.accountingPath()));
        };
        const DemoSummary once = generate(m_db);
        generate(same);
        QCOMPARE(differences(m_db, same), QStringList());
        const DemoSummary again = generate(m_db);
        QCOMPARE(std::pair(again.customers, again.agents), std::pair(qint64(300), qint64(10)));
        ++options.seed;
        generate(other);
        QVERIFY(!differences(same, other).isEmpty());
        m_broker = m_db.makeBroker();
        const QStringList cuits
            = column(u"select cuit from clientes union all select Documento_Numero from QUENMARCONTABLE..AGENTES"_s);
        QCOMPARE(cuits.size(), 620);
        for (const QString &cuit : cuits)
            QVERIFY2(isValidCuit(cuit), qPrintable(cuit));
        QCOMPARE(column(u"select count(*) || ' ' || max(ID_AGENTE) from QUENMARCONTABLE..AGENTES"_s),
                 QStringList(u"20 20"_s));
        QCOMPARE(count(u"QUENMARCONTABLE..ROLES_AUTORIZADOS"_s), 2);
        // Agents awaiting registration, found as the new-customer window finds them.
        QVERIFY(once.pendingAgents > 0 && again.pendingAgents > 0);
        QCOMPARE(count(u"QUENMARCONTABLE..AGENTES where GENERADORID in (select ID_AGENTE from"
                       " QUENMARCONTABLE..ROLES_AUTORIZADOS where ID_ROL=2)"
                       " and Documento_Numero not in (select cuit from clientes)"_s),
                 once.pendingAgents + again.pendingAgents);
        // Every gross-income condition, and the Convenio Multilateral for the registered only.
        QCOMPARE(column(u"select distinct CML || CIB from clientes order by 1"_s),
                 QStringList({"00", "01", "02", "10"}));
        const QStringList known = column(u"select JRDNRO from JRD"_s, u"SYSTABLAS"_s);
        for (const QString &jurisdiction : column(u"select distinct JRDNRO from DIB"_s))
            QVERIFY2(known.contains(jurisdiction), qPrintable(jurisdiction));
        // Most shares add up to 1 at four decimals; a few miss it, by little.
        const QString uneven = u"(select CLICUI from DIB group by CLICUI having abs(sum(DIBVALOR) - 1) > %1)"_s;
        const qint64 missing = count(uneven.arg(0.00005));
        QVERIFY(missing > 0 && missing < count(u"clientes where CML = '1'"_s) / 10);
        // Texts fit, dates are dates, a Convenio has its number and lines, rates and shares are well formed.
        QCOMPARE(count(u"clientes where length(domicilio) > 40 or length(LUGARDEPMERC) > 22 or length(NIN) > 12"
                       " or date(finitactiv) is not finitactiv or ingbru is not (case CIB when '2' then 0 else 2.5 end)"
                       " or (CML = '1' and (ifnull(trim(NIN), '') = '' or cuit not in (select CLICUI from DIB)))"_s),
                 0);
        QCOMPARE(count(u"DIB where CLICUI not in (select cuit from clientes where CML = '1') or DIBVALOR <= 0"
                       " or abs(DIBVALOR * 10000 - round(DIBVALOR * 10000)) > 1e-6"_s),
                 0);
        QCOMPARE(count(uneven.arg(0.05)), 0);
    }

    // A missing file is not created; missing tables are named, and the customers keep nothing of the run.
    void failuresRaiseErrors()
    {
        TempDatabase db;
        const QString missing = db.folder() + u"/missing.db"_s;
        QVERIFY_THROWS_EXCEPTION(Error, generateDemoData(missing, db.accountingPath()));
        QVERIFY(!QFile::exists(missing));
        const auto error = errorOf([&] { generateDemoData(db.personalPath(), db.systemPath()); });
        QVERIFY(error && error->number() == SQLITE_ERROR);
        QVERIFY2(error->description().startsWith(
                     u"No existe la tabla AGENTES en la base de datos \"%1\""_s.arg(db.systemPath())),
                 qPrintable(error->description()));
        QCOMPARE(TempDatabase::scalar(db.personalPath(), u"select count(*) from clientes"_s).toInt(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDemoData)
#include "tst_demodata.moc"
