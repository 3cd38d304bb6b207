// The demo data generator: rows the windows accept, repeatable by seed, added beside what is there.

#include "felcora/cuit.h"
#include "felcora/error.h"
#include "felcora/hostkit/demodata.h"
#include "support/errors.h"
#include "support/tempdatabase.h"

#include <QFile>
#include <QTest>
#include <algorithm>

using namespace felcora;
using namespace Qt::StringLiterals;
using namespace felcora::hostkit;
using namespace felcora::test;

class TestDemoData : public QObject
{
    Q_OBJECT

    // The first column of each row, read through the data access as the windows read it.
    static QStringList column(IDataAccess &broker, const QString &sql, const QString &entity = u"PERSONAL"_s)
    {
        IDataConnection *c = broker.getDataConnectionByEntity(entity);
        c->setSql(sql);
        std::unique_ptr<IRecordset> rs;
        QStringList out;
        for (c->CrearRs(rs); !rs->Eof(); rs->MoveNext())
            out << rs->value(0).toString();
        return out;
    }
    static qint64 count(IDataAccess &broker, const QString &rows)
    {
        return column(broker, u"select count(*) from "_s + rows).value(0).toLongLong();
    }

private slots:
    // Same seed, same rows; run again it skips the CUITs it drew and continues; every row fits the windows. A missing
    // file is not created; missing tables are named, and the customers keep nothing of that run.
    void rowsFitWhatTheWindowsAccept()
    {
        const DemoOptions options{.customers = 300, .agents = 10};
        TempDatabase db, same;
        const auto generate
            = [&](const TempDatabase &d) { return generateDemoData(d.personalPath(), d.accountingPath(), options); };
        const QString missing = same.folder() + u"/missing.db"_s;
        QVERIFY_THROWS_EXCEPTION(Error, generateDemoData(missing, same.accountingPath()));
        QVERIFY(!QFile::exists(missing));
        const QString noAgents = u"No existe la tabla AGENTES en la base de datos \"%1\" (no such table: AGENTES)"_s;
        QCOMPARE(errorDescription([&] { generateDemoData(same.personalPath(), same.systemPath()); }),
                 noAgents.arg(same.systemPath()));
        QCOMPARE(TempDatabase::scalar(same.personalPath(), u"select count(*) from clientes"_s).toInt(), 0);
        const DemoSummary once = generate(db);
        generate(same);
        for (const auto p : {&TempDatabase::personalPath, &TempDatabase::accountingPath})
            QCOMPARE(DatabaseSnapshot::take((db.*p)()).differences(DatabaseSnapshot::take((same.*p)())), QStringList());
        const DemoSummary again = generate(db);
        const auto broker = db.makeBroker(); // closes its connections before the files go
        const QStringList cuits = column(
            *broker, u"select cuit from clientes union all select Documento_Numero from QUENMARCONTABLE..AGENTES"_s);
        QCOMPARE(cuits.size(), 2 * (options.customers + options.agents));
        QVERIFY(std::ranges::all_of(cuits, isValidCuit));
        // Agents awaiting registration, found as the new-customer window finds them.
        QVERIFY(once.pendingAgents > 0 && again.pendingAgents > 0);
        QCOMPARE(count(*broker,
                       u"QUENMARCONTABLE..AGENTES where GENERADORID in (select ID_AGENTE from QUENMARCONTABLE.."
                       "ROLES_AUTORIZADOS where ID_ROL=2) and Documento_Numero not in (select cuit from clientes)"_s),
                 once.pendingAgents + again.pendingAgents);
        // Every gross-income condition, and the Convenio Multilateral for the registered only.
        QCOMPARE(column(*broker, u"select distinct CML || CIB from clientes order by 1"_s).join(u' '),
                 u"00 01 02 10"_s);
        const QStringList known = column(*broker, u"select JRDNRO from JRD"_s, u"SYSTABLAS"_s);
        for (const QString &jurisdiction : column(*broker, u"select distinct JRDNRO from DIB"_s))
            QVERIFY2(known.contains(jurisdiction), qPrintable(jurisdiction));
        // Texts fit, dates are dates, a Convenio has its number and lines, rates and shares are well formed.
        QCOMPARE(count(*broker,
                       u"clientes where length(domicilio) > 40 or length(LUGARDEPMERC) > 22 or length(NIN) > 12"
                       " or date(finitactiv) is not finitactiv or ingbru is not (case CIB when '2' then 0 else 2.5 end)"
                       " or (CML = '1' and (ifnull(trim(NIN), '') = '' or cuit not in (select CLICUI from DIB)))"_s),
                 0);
        QCOMPARE(count(*broker,
                       u"DIB where CLICUI not in (select cuit from clientes where CML = '1') or DIBVALOR <= 0"
                       " or abs(DIBVALOR * 10000 - round(DIBVALOR * 10000)) > 1e-6"_s),
                 0);
    }
};

QTEST_GUILESS_MAIN(TestDemoData)
#include "tst_demodata.moc"
