#include "felcora/error.h"
#include "felcora/hostkit/demodata.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using felcora::hostkit::DemoOptions;
using felcora::hostkit::DemoSummary;
using felcora::hostkit::cuitCheckDigit;
using felcora::hostkit::generateDemoData;
using felcora::hostkit::isValidCuit;

namespace {

// A connection for inspecting the generated files.
class Db
{
public:
    explicit Db(const QString &path)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
            != SQLITE_OK)
            qFatal("cannot open %s", qPrintable(path));
    }
    ~Db() { sqlite3_close(m_db); }
    Db(const Db &) = delete;
    Db &operator=(const Db &) = delete;

    bool exec(const QString &sql)
    {
        char *message = nullptr;
        if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK)
            return true;
        qWarning("%s: %s", qPrintable(sql.left(60)), message);
        sqlite3_free(message);
        return false;
    }

    // Every row of a query, each column as text ("<null>" for NULL).
    QList<QStringList> rows(const QString &sql)
    {
        QList<QStringList> out;
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK) {
            qWarning("%s: %s", qPrintable(sql), sqlite3_errmsg(m_db));
            return out;
        }
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            QStringList row;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, i));
                row << (text ? QString::fromUtf8(text) : QStringLiteral("<null>"));
            }
            out << row;
        }
        sqlite3_finalize(stmt);
        return out;
    }

    QStringList column(const QString &sql)
    {
        QStringList out;
        for (const QStringList &row : rows(sql))
            out << row.value(0);
        return out;
    }

    qint64 count(const QString &sql)
    {
        const QStringList values = column(sql);
        return values.size() == 1 ? values.first().toLongLong() : -1;
    }

private:
    sqlite3 *m_db = nullptr;
};

bool createWithSchema(const QString &path, const QString &resource)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("schema resource %s is not embedded", qPrintable(resource));
        return false;
    }
    return Db(path).exec(QString::fromUtf8(file.readAll()));
}

// A customer database, an accounting database and a system database, all with the schema.
struct Files {
    QTemporaryDir dir;
    QString personal = dir.filePath(QStringLiteral("personal.db"));
    QString accounting = dir.filePath(QStringLiteral("contable.db"));
    QString system = dir.filePath(QStringLiteral("systablas.db"));

    bool create()
    {
        return dir.isValid() && createWithSchema(personal, QStringLiteral(":/felcora/sql/personal.sql"))
            && createWithSchema(accounting, QStringLiteral(":/felcora/sql/contable.sql"))
            && createWithSchema(system, QStringLiteral(":/felcora/sql/systablas.sql"));
    }
};

// All generated content in a fixed order, hashed.
QByteArray digest(const Files &files)
{
    Db db(files.personal);
    db.exec(QStringLiteral("ATTACH '%1' AS acc").arg(files.accounting));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const char *sql : {"select * from clientes order by cuit", "select * from DIB order by CLICUI, JRDNRO",
                            "select * from VentajasRel order by rowid", "select * from acc.AGENTES order by ID_AGENTE",
                            "select * from acc.ROLES_AUTORIZADOS order by 1, 2"}) {
        for (const QStringList &row : db.rows(QString::fromLatin1(sql)))
            hash.addData(row.join(QChar(0x1f)).toUtf8() + '\n');
    }
    return hash.result();
}

} // namespace

class TestDemoData : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void checkDigit_data();
    void checkDigit();
    void validCuit_data();
    void validCuit();

    void writesTheRequestedRows();
    void cuitsAreValidUniqueAndMatchTheKindOfName();
    void namesLookArgentine();
    void textFitsTheColumns();
    void dibLinesAddUpToOne();
    void agentsAndPendingAgents();

    void sameSeedSameData();
    void appendingSkipsExistingCustomers();
    void failuresRaiseErrors();

private:
    Files m_files;
    DemoSummary m_summary;
    static constexpr qint64 kCustomers = 2000;
    static constexpr qint64 kAgents = 60;
};

void TestDemoData::initTestCase()
{
    QVERIFY(m_files.create());
    DemoOptions options;
    options.customers = kCustomers;
    options.agents = kAgents;
    m_summary = generateDemoData(m_files.personal, m_files.accounting, options);
}

void TestDemoData::checkDigit_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<int>("expected");
    // Weights 5,4,3,2,7,6,5,4,3,2; digit = 11 - sum % 11.
    // 2*5+0*4+1*3+2*2+3*7+4*6+5*5+6*4+7*3+8*2 = 148, 148 % 11 = 5
    QTest::newRow("20-12345678") << "2012345678" << 6;
    // 15+0+21+2+14+18+20+20+18+14 = 142, 142 % 11 = 10
    QTest::newRow("30-71234567") << "3071234567" << 1;
    // 15+12+18+18+21+24+25+0+6+6 = 145, 145 % 11 = 2
    QTest::newRow("33-69345023") << "3369345023" << 9;
    // 10+28+3*2 = 44, 44 % 11 = 0: 11 stands for 0
    QTest::newRow("eleven gives 0") << "2700000003" << 0;
    // 10+2 = 12, 12 % 11 = 1: 10 is never issued
    QTest::newRow("ten is not issued") << "2000000001" << -1;
    QTest::newRow("nine digits") << "201234567" << -1;
    QTest::newRow("eleven digits") << "20123456786" << -1;
    QTest::newRow("letter") << "20123a5678" << -1;
    QTest::newRow("dashes") << "20-1234567" << -1;
    QTest::newRow("non-ASCII digits") << QString::fromUtf8("２０１２３４５６７８") << -1;
    QTest::newRow("empty") << QString() << -1;
}

void TestDemoData::checkDigit()
{
    QFETCH(QString, digits);
    QFETCH(int, expected);
    QCOMPARE(cuitCheckDigit(digits), expected);
}

void TestDemoData::validCuit_data()
{
    QTest::addColumn<QString>("cuit");
    QTest::addColumn<bool>("valid");
    QTest::newRow("person") << "20123456786" << true;
    QTest::newRow("company") << "30712345671" << true;
    QTest::newRow("check digit 0") << "27000000030" << true;
    QTest::newRow("wrong check digit") << "20123456787" << false;
    QTest::newRow("unissued body") << "20000000010" << false;
    QTest::newRow("ten digits") << "2012345678" << false;
    QTest::newRow("twelve digits") << "201234567860" << false;
    QTest::newRow("with dashes") << "20-12345678-6" << false;
    QTest::newRow("letter as check") << "2012345678X" << false;
    QTest::newRow("letter inside") << "20123A56786" << false;
    QTest::newRow("non-ASCII digits") << QString::fromUtf8("２０１２３４５６７８６") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestDemoData::validCuit()
{
    QFETCH(QString, cuit);
    QFETCH(bool, valid);
    QCOMPARE(isValidCuit(cuit), valid);
}

void TestDemoData::writesTheRequestedRows()
{
    Db db(m_files.personal);
    QCOMPARE(m_summary.customers, kCustomers);
    QCOMPARE(db.count(QStringLiteral("select count(*) from clientes")), kCustomers);
    // Only e-mail and telephones may be missing, and some are.
    QCOMPARE(db.count(QStringLiteral("select count(*) from clientes where nombre is null or domicilio is null"
                                     " or localidad is null or codpost is null or finitactiv is null or NIN is null"
                                     " or contacto is null or LUGARDEPMERC is null or condiva is null")),
             0);
    QVERIFY(db.count(QStringLiteral("select count(*) from clientes where email is null")) > 0);
    QVERIFY(db.count(QStringLiteral("select count(*) from clientes where telefonos is null")) > 0);
    QVERIFY(db.count(QStringLiteral("select count(*) from clientes where email is not null")) > kCustomers / 2);
}

void TestDemoData::cuitsAreValidUniqueAndMatchTheKindOfName()
{
    Db db(m_files.personal);
    const QList<QStringList> rows = db.rows(QStringLiteral("select cuit, nombre from clientes"));
    QCOMPARE(rows.size(), kCustomers);
    QSet<QString> seen;
    int people = 0;
    for (const QStringList &row : rows) {
        const QString &cuit = row[0];
        QVERIFY2(isValidCuit(cuit), qPrintable(cuit));
        QVERIFY2(!seen.contains(cuit), qPrintable(cuit));
        seen.insert(cuit);
        // "SURNAME, NAMES" for people (20, 23, 27), a legal form for companies (30, 33, 34).
        const bool person = row[1].contains(QStringLiteral(", "));
        people += person;
        const QString prefix = cuit.left(2);
        if (person) {
            QVERIFY2(prefix == u"20" || prefix == u"23" || prefix == u"27", qPrintable(cuit));
        } else {
            QVERIFY2(prefix == u"30" || prefix == u"33" || prefix == u"34", qPrintable(cuit));
            static const QRegularExpression legalForm(QStringLiteral(" (S\\.A\\.|S\\.R\\.L\\.|S\\.A\\.S\\.|S\\.C\\.A\\.)$"));
            QVERIFY2(legalForm.match(row[1]).hasMatch(), qPrintable(row[1]));
        }
    }
    QVERIFY(people > kCustomers / 4 && people < kCustomers * 3 / 4);
}

void TestDemoData::namesLookArgentine()
{
    Db db(m_files.personal);
    const QStringList names = db.column(QStringLiteral("select nombre from clientes"));
    int accented = 0;
    int withEnye = 0;
    int withApostrophe = 0;
    for (const QString &name : names) {
        accented += name.contains(QRegularExpression(QStringLiteral("[ÁÉÍÓÚáéíóú]")));
        withEnye += name.contains(u'ñ') || name.contains(u'Ñ');
        withApostrophe += name.contains(u'\'');
        // One style for every person: all capitals.
        if (name.contains(QStringLiteral(", ")))
            QCOMPARE(name, name.toUpper());
    }
    QVERIFY(accented > kCustomers / 10);
    QVERIFY(withEnye > 0);
    QVERIFY(withApostrophe > 0);
}

void TestDemoData::textFitsTheColumns()
{
    Db db(m_files.personal);
    QVERIFY(db.count(QStringLiteral("select max(length(domicilio)) from clientes")) <= 40);
    QVERIFY(db.count(QStringLiteral("select max(length(LUGARDEPMERC)) from clientes")) <= 22);
    QVERIFY(db.count(QStringLiteral("select max(length(NIN)) from clientes")) <= 12);

    static const QRegularExpression mail(QStringLiteral("^[a-z0-9._]+@[a-z0-9]+(\\.[a-z]+)+$"));
    for (const QString &email : db.column(QStringLiteral("select email from clientes where email is not null")))
        QVERIFY2(mail.match(email).hasMatch(), qPrintable(email));

    static const QRegularExpression phone(QStringLiteral("^\\(0\\d{2,4}\\) [\\d-]+( / 15-[\\d-]+)?$"));
    for (const QString &phones : db.column(QStringLiteral("select telefonos from clientes where telefonos is not null")))
        QVERIFY2(phone.match(phones).hasMatch(), qPrintable(phones));

    // Real calendar dates from 1950 to 2025, or the "missing" date.
    QCOMPARE(db.count(QStringLiteral("select count(*) from clientes where finitactiv <> '1900-01-01'"
                                     " and (date(finitactiv) is not finitactiv"
                                     " or finitactiv < '1950-01-01' or finitactiv > '2025-12-31')")),
             0);
    QVERIFY(db.count(QStringLiteral("select count(*) from clientes where finitactiv = '1900-01-01'")) > 0);
    QCOMPARE(db.count(QStringLiteral("select count(*) from clientes where codpost not glob '[1-9][0-9][0-9][0-9]'")), 0);
}

void TestDemoData::dibLinesAddUpToOne()
{
    Db db(m_files.personal);
    QVERIFY(db.exec(QStringLiteral("ATTACH '%1' AS sys").arg(m_files.system)));

    const qint64 multilateral = db.count(QStringLiteral("select count(*) from clientes where CML = '1'"));
    QVERIFY(multilateral > kCustomers / 20 && multilateral < kCustomers / 5);
    // Every Convenio Multilateral customer has lines, and only those.
    QCOMPARE(db.count(QStringLiteral("select count(distinct CLICUI) from DIB")), multilateral);
    QCOMPARE(db.count(QStringLiteral("select count(*) from DIB where CLICUI not in"
                                     " (select cuit from clientes where CML = '1')")),
             0);
    QCOMPARE(db.count(QStringLiteral("select count(*) from DIB where JRDNRO not in (select JRDNRO from sys.JRD)")), 0);
    QCOMPARE(db.count(QStringLiteral("select count(*) from DIB where DIBEXENTO not in (0, 1)")), 0);
    // Four decimals at most, each line a real share.
    QCOMPARE(db.count(QStringLiteral("select count(*) from DIB where DIBVALOR <= 0"
                                     " or abs(DIBVALOR * 10000 - round(DIBVALOR * 10000)) > 1e-6")),
             0);

    const QList<QStringList> sums = db.rows(QStringLiteral(
        "select CLICUI, printf('%.4f', sum(DIBVALOR)), count(*) from DIB group by CLICUI"));
    QSet<int> lineCounts;
    for (const QStringList &row : sums) {
        QVERIFY2(row[1] == u"1.0000", qPrintable(row.join(u' ')));
        lineCounts.insert(row[2].toInt());
    }
    QCOMPARE(lineCounts, (QSet<int>{1, 2, 3, 4}));
}

void TestDemoData::agentsAndPendingAgents()
{
    Db db(m_files.personal);
    QVERIFY(db.exec(QStringLiteral("ATTACH '%1' AS QUENMARCONTABLE").arg(m_files.accounting)));

    QCOMPARE(m_summary.agents, kAgents);
    QCOMPARE(db.rows(QStringLiteral("select count(*), min(ID_AGENTE), max(ID_AGENTE) from AGENTES")),
             (QList<QStringList>{{QString::number(kAgents), QStringLiteral("1"), QString::number(kAgents)}}));
    QCOMPARE(db.rows(QStringLiteral("select ID_AGENTE, ID_ROL from ROLES_AUTORIZADOS order by 1, 2")),
             (QList<QStringList>{{"1", "2"}, {"2", "3"}}));
    QCOMPARE(db.count(QStringLiteral("select count(*) from AGENTES where ID_AGENTE > 2"
                                     " and (GENERADORID is null or GENERADORID not in (1, 2))")),
             0);
    QVERIFY(db.count(QStringLiteral("select count(*) from AGENTES where GENERADORID = 2")) > 0);
    QVERIFY(db.count(QStringLiteral("select count(*) from AGENTES where CODIGO_POSTAL is null or CIUDAD is null")) > 0);
    QCOMPARE(db.count(QStringLiteral("select count(*) from AGENTES where Documento_Numero is null")), 0);
    for (const QString &cuit : db.column(QStringLiteral("select Documento_Numero from AGENTES")))
        QVERIFY2(isValidCuit(cuit), qPrintable(cuit));

    // The query the customer component runs to count the agents awaiting registration.
    const qint64 pending = db.count(QStringLiteral(
        "select count(*) from AGENTES where GENERADORID in (select ID_AGENTE from ROLES_AUTORIZADOS where ID_ROL=2)"
        " and Documento_Numero not in (select cuit from clientes)"));
    QCOMPARE(pending, m_summary.pendingAgents);
    QVERIFY(pending > 0);
    QVERIFY(db.count(QStringLiteral(
                "select count(*) from AGENTES where GENERADORID in (select ID_AGENTE from ROLES_AUTORIZADOS where ID_ROL=2)"
                " and Documento_Numero in (select cuit from clientes)"))
            > 0);
    // An agent that is a customer carries the customer's name.
    QCOMPARE(db.count(QStringLiteral("select count(*) from AGENTES a join clientes c on c.cuit = a.Documento_Numero"
                                     " where a.NOMBRE is not c.nombre")),
             0);
}

void TestDemoData::sameSeedSameData()
{
    DemoOptions options;
    options.customers = 400;
    options.agents = 20;
    Files first, second, third;
    QVERIFY(first.create() && second.create() && third.create());
    generateDemoData(first.personal, first.accounting, options);
    generateDemoData(second.personal, second.accounting, options);
    options.seed += 1;
    generateDemoData(third.personal, third.accounting, options);

    const QByteArray a = digest(first);
    QCOMPARE(digest(second), a);
    QVERIFY(digest(third) != a);
    // Not only the hash: the customers themselves differ.
    QVERIFY(Db(first.personal).column(QStringLiteral("select cuit from clientes order by rowid limit 5"))
            != Db(third.personal).column(QStringLiteral("select cuit from clientes order by rowid limit 5")));
}

void TestDemoData::appendingSkipsExistingCustomers()
{
    Files files;
    QVERIFY(files.create());
    DemoOptions options;
    options.customers = 300;
    options.agents = 10;
    const DemoSummary first = generateDemoData(files.personal, files.accounting, options);
    // The same seed draws the same CUITs again: they are skipped and new ones written.
    const DemoSummary second = generateDemoData(files.personal, files.accounting, options);
    QCOMPARE(second.customers, qint64(300));
    QCOMPARE(second.agents, qint64(10));

    Db db(files.personal);
    QCOMPARE(db.count(QStringLiteral("select count(distinct cuit) from clientes")), 600);
    QCOMPARE(db.count(QStringLiteral("select count(*) from (select CLICUI from DIB group by CLICUI"
                                     " having printf('%.4f', sum(DIBVALOR)) <> '1.0000')")),
             0);
    QVERIFY(db.exec(QStringLiteral("ATTACH '%1' AS acc").arg(files.accounting)));
    // The generators already exist: the second run continues the numbering.
    QCOMPARE(db.rows(QStringLiteral("select count(*), max(ID_AGENTE) from acc.AGENTES")),
             (QList<QStringList>{{"20", "20"}}));
    QCOMPARE(db.count(QStringLiteral("select count(*) from acc.ROLES_AUTORIZADOS")), 2);
    QCOMPARE(db.count(QStringLiteral("select count(*) from acc.AGENTES where GENERADORID in"
                                     " (select ID_AGENTE from acc.ROLES_AUTORIZADOS where ID_ROL=2)"
                                     " and Documento_Numero not in (select cuit from clientes)")),
             first.pendingAgents + second.pendingAgents);
}

void TestDemoData::failuresRaiseErrors()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Files files;
    QVERIFY(files.create());

    // A missing file is an error, not a new empty database.
    const QString missing = dir.filePath(QStringLiteral("missing.db"));
    QVERIFY_THROWS_EXCEPTION(felcora::Error, generateDemoData(missing, files.accounting));
    QVERIFY(!QFile::exists(missing));

    // A database without the schema: SQLite's own message.
    const QString empty = dir.filePath(QStringLiteral("empty.db"));
    QVERIFY(Db(empty).exec(QStringLiteral("create table other (x)")));
    try {
        generateDemoData(files.personal, empty);
        QFAIL("no error for an accounting database without AGENTES");
    } catch (const felcora::Error &e) {
        QCOMPARE(e.description(), QStringLiteral("no such table: AGENTES"));
        QCOMPARE(e.number(), SQLITE_ERROR);
    }
    try {
        generateDemoData(empty, files.accounting);
        QFAIL("no error for a customer database without clientes");
    } catch (const felcora::Error &e) {
        QCOMPARE(e.description(), QStringLiteral("no such table: clientes"));
    }
    // Neither database keeps anything of a failed run.
    QCOMPARE(Db(files.personal).count(QStringLiteral("select count(*) from clientes")), 0);
    QCOMPARE(Db(files.accounting).count(QStringLiteral("select count(*) from AGENTES")), 0);
}

QTEST_GUILESS_MAIN(TestDemoData)
#include "tst_demodata.moc"
