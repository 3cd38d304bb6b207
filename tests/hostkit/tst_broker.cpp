// The default data access on real SQLite files.

#include <QDate>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <sqlite3.h>
#include <thread>

#include "core/sqltext.h"
#include "felcora/error.h"
#include "felcora/hostkit/recordbroker.h"
#include "molde/molde.h"
#include "support/errors.h"
#include "support/tempdatabase.h"

using namespace felcora;
using felcora::test::TempDatabase;
using felcora::test::errorDescription;

namespace {

const QString kPersonal = QStringLiteral("PERSONAL");

qint64 run(IDataAccess &broker, const QString &sql, const QString &entity = kPersonal)
{
    IDataConnection *c = broker.getDataConnectionByEntity(entity);
    c->setSql(sql);
    return c->Ejecutar();
}

std::unique_ptr<IRecordset> query(IDataAccess &broker, const QString &sql, bool *hadRows = nullptr,
                                  const QString &entity = kPersonal)
{
    IDataConnection *c = broker.getDataConnectionByEntity(entity);
    c->setSql(sql);
    std::unique_ptr<IRecordset> rs;
    const bool rows = c->CrearRs(rs);
    if (hadRows)
        *hadRows = rows;
    return rs;
}

} // namespace

class TestBroker : public QObject
{
    Q_OBJECT

private slots:
    void embeddedDefaultIsCreatedWithSchemaAndJurisdictions();
    void defaultFolderIsTheUsersDataFolder();
    void queriesAnswerWhetherRowsCame();
    void ejecutarCountsChangedRows();
    void sameConnectionPerEntityKeepsSql();
    void fieldsByCaseInsensitiveNameAndTypes();
    void accountingTablesThroughThreePartNames();
    void dateLiteralRunsInSqlite();
    void numberFormatRunsInSqlite();
    void decimalSeparatorFromConfiguration();
    void textsRoundTripUnchanged();
    void unsafeStatementsAreRefusedAndNeverSent_data();
    void unsafeStatementsAreRefusedAndNeverSent();
    void failingStatementCarriesTheDriverMessage();
    void writeWaitsForAnotherWorkstation();
    void configurationErrorsAreClear();
    void loadParametersFollowsAChangedConfiguration();
    void formatComponent();
};

void TestBroker::embeddedDefaultIsCreatedWithSchemaAndJurisdictions()
{
    TempDatabase db;
    QVERIFY(QFile::exists(db.personalPath()));
    QVERIFY(QFile::exists(db.accountingPath()));
    QVERIFY(QFile::exists(db.systemPath()));
    QCOMPARE(TempDatabase::scalar(db.systemPath(), QStringLiteral("select count(*) from JRD")).toInt(), 24);
    QCOMPARE(TempDatabase::scalar(db.systemPath(), QStringLiteral("select JRDPRV from JRD where JRDNRO = '901'")).toString(),
             QStringLiteral("Ciudad Autónoma de Buenos Aires"));
    QCOMPARE(TempDatabase::scalar(db.systemPath(), QStringLiteral("select JRDPRV from JRD where JRDNRO = '924'")).toString(),
             QStringLiteral("Tucumán"));

    // Every column the component reads or writes exists.
    auto broker = db.makeBroker();
    bool rows = true;
    query(*broker,
          QStringLiteral("select cuit, nombre, domicilio, localidad, codpost, email, telefonos, finitactiv, cvdi, condiva, "
                         "condivafact, ivaexento, eximgan, eximganvalor, eximganvalortemp, ivaareduccion, ivaareduccionvalor, "
                         "ivaareduccionvalortemp, ExcepLAPIAEC, AjxVinc_4102, contacto, ingbru, LUGARDEPMERC, regalias, "
                         "honorario, CIB, CML, NIN from clientes"),
          &rows);
    QVERIFY(!rows);
    query(*broker, QStringLiteral("select CLICUI, JRDNRO, DIBVALOR, DIBEXENTO from DIB"));
    query(*broker, QStringLiteral("select IdVentaja, IdSubRegimen, NCM, cuit from VentajasRel"));
    query(*broker, QStringLiteral("select ID_AGENTE, Documento_Numero, NOMBRE, DIRECCION, CODIGO_POSTAL, CIUDAD, GENERADORID "
                                  "from QUENMARCONTABLE..AGENTES"));
    query(*broker, QStringLiteral("select ID_AGENTE, ID_ROL from QUENMARCONTABLE..ROLES_AUTORIZADOS"));

    // A second broker on existing files keeps their data.
    run(*broker, QStringLiteral("insert into clientes (cuit, nombre) values ('20000000001', 'Uno')"));
    auto again = db.makeBroker();
    query(*again, QStringLiteral("select * from clientes"), &rows);
    QVERIFY(rows);
}

void TestBroker::defaultFolderIsTheUsersDataFolder()
{
    QTemporaryDir home;
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    const QByteArray savedConfig = qgetenv("RECORDBROKER_CONFIG");
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    qputenv("RECORDBROKER_CONFIG", QFile::encodeName(home.filePath(QStringLiteral("none.ini"))));
    {
        hostkit::RecordBroker broker;
        broker.LoadParameters();
        QVERIFY(QFile::exists(home.filePath(QStringLiteral("TARVIS/RecordBroker/personal.db"))));
        QVERIFY(QFile::exists(home.filePath(QStringLiteral("TARVIS/RecordBroker/contable.db"))));
        QVERIFY(QFile::exists(home.filePath(QStringLiteral("TARVIS/RecordBroker/systablas.db"))));
    }
    qputenv("XDG_DATA_HOME", savedData);
    qputenv("RECORDBROKER_CONFIG", savedConfig);
}

void TestBroker::queriesAnswerWhetherRowsCame()
{
    TempDatabase db;
    auto broker = db.makeBroker();
    bool rows = true;
    auto rs = query(*broker, QStringLiteral("select * from clientes"), &rows);
    QVERIFY(!rows);
    QVERIFY(rs->Eof());

    run(*broker, QStringLiteral("insert into clientes (cuit, nombre) values ('20000000001', 'B'), ('20000000002', 'a')"));
    rs = query(*broker, QStringLiteral("select nombre from clientes order by nombre"), &rows);
    QVERIFY(rows);
    QStringList names;
    for (; !rs->Eof(); rs->MoveNext())
        names << rs->Fields(QStringLiteral("nombre")).toString();
    QCOMPARE(names, QStringList({QStringLiteral("a"), QStringLiteral("B")})); // case-insensitive order
    QVERIFY_THROWS_EXCEPTION(Error, rs->MoveNext());
    QVERIFY_THROWS_EXCEPTION(Error, rs->Fields(QStringLiteral("nombre")));
}

void TestBroker::ejecutarCountsChangedRows()
{
    TempDatabase db;
    auto broker = db.makeBroker();
    QCOMPARE(run(*broker, QStringLiteral("insert into clientes (cuit, nombre) values ('20000000001', 'A')")), 1);
    QCOMPARE(run(*broker, QStringLiteral("insert into clientes (cuit, nombre) values ('20000000002', 'B'), ('20000000003', 'C')")), 2);
    QCOMPARE(run(*broker, QStringLiteral("update clientes set domicilio = 'x'")), 3);
    // A statement that reads changes nothing, whatever the previous statement changed.
    QCOMPARE(run(*broker, QStringLiteral("select * from clientes")), 0);
    QCOMPARE(run(*broker, QStringLiteral("delete from clientes where cuit = 'none'")), 0);
    QCOMPARE(run(*broker, QStringLiteral("delete from clientes where cuit = '20000000002'")), 1);
}

void TestBroker::sameConnectionPerEntityKeepsSql()
{
    TempDatabase db;
    auto broker = db.makeBroker();
    IDataConnection *first = broker->getDataConnectionByEntity(kPersonal);
    first->setSql(QStringLiteral("select * from clientes"));
    QCOMPARE(broker->getDataConnectionByEntity(QStringLiteral("personal")), first);
    QCOMPARE(broker->getDataConnectionByEntity(kPersonal)->Sql(), QStringLiteral("select * from clientes"));
    QVERIFY(broker->getDataConnectionByEntity(QStringLiteral("SYSTABLAS")) != first);
    QVERIFY(broker->getDataConnectionByEntity(QStringLiteral("INTERNOS")) != first);
    QVERIFY_THROWS_EXCEPTION(Error, broker->getDataConnectionByEntity(QStringLiteral("OTRA")));
}

void TestBroker::fieldsByCaseInsensitiveNameAndTypes()
{
    TempDatabase db;
    auto broker = db.makeBroker();
    run(*broker, QStringLiteral("insert into clientes (cuit, nombre, regalias, AjxVinc_4102, finitactiv, email) "
                                "values ('20000000001', 'Núñez', 12.5, 3, '1999-12-31', NULL)"));
    auto rs = query(*broker, QStringLiteral("select * from clientes"));
    QCOMPARE(rs->Fields(QStringLiteral("NOMBRE")).toString(), QStringLiteral("Núñez"));
    QCOMPARE(rs->Fields(QStringLiteral("CUIT")).toString(), QStringLiteral("20000000001"));
    QCOMPARE(rs->Fields(QStringLiteral("Regalias")).toDouble(), 12.5);
    QCOMPARE(rs->Fields(QStringLiteral("ajxvinc_4102")).toInt(), 3);
    QCOMPARE(rs->Fields(QStringLiteral("FInitActiv")).toDate(), QDate(1999, 12, 31));
    QVERIFY(rs->Fields(QStringLiteral("email")).isNull());
    QVERIFY(rs->Fields(QStringLiteral("telefonos")).isNull());
    QVERIFY_THROWS_EXCEPTION(Error, rs->Fields(QStringLiteral("no_such_column")));

    QCOMPARE(QString::fromUtf8(rs->textUtf8(rs->fieldIndex(QStringLiteral("nombre")))), QStringLiteral("Núñez"));
    QVERIFY(rs->textUtf8(rs->fieldIndex(QStringLiteral("email"))).isEmpty());
}

void TestBroker::accountingTablesThroughThreePartNames()
{
    TempDatabase db;
    TempDatabase::exec(db.accountingPath(),
                       QStringLiteral("insert into AGENTES values (1, '30000000001', 'Estudio', NULL, NULL, NULL, NULL);"
                                      "insert into AGENTES values (2, '30711111113', 'Pendiente SA', 'Calle 1', '1000', 'CABA', 1);"
                                      "insert into AGENTES values (3, '20000000001', 'Ya cliente', NULL, NULL, NULL, 1);"
                                      "insert into ROLES_AUTORIZADOS values (1, 2);"));
    auto broker = db.makeBroker();
    run(*broker, QStringLiteral("insert into clientes (cuit, nombre) values ('20000000001', 'Ya cliente')"));
    bool rows = false;
    auto rs = query(*broker,
                    QStringLiteral("select Documento_Numero, NOMBRE, DIRECCION, CODIGO_POSTAL, CIUDAD "
                                   "FROM QUENMARCONTABLE..AGENTES "
                                   "WHERE GENERADORID IN (SELECT ID_AGENTE FROM QUENMARCONTABLE..ROLES_AUTORIZADOS WHERE ID_ROL=2) "
                                   "AND DOCUMENTO_NUMERO NOT IN (SELECT CUIT FROM CLIENTES) "),
                    &rows);
    QVERIFY(rows);
    QCOMPARE(rs->Fields(QStringLiteral("documento_numero")).toString(), QStringLiteral("30711111113"));
    rs->MoveNext();
    QVERIFY(rs->Eof());

    // Inside a literal the same text is data, not a name.
    const QString name = QStringLiteral("QUENMARCONTABLE..AGENTES");
    run(*broker, QStringLiteral("insert into clientes (cuit, nombre) values ('20000000002', %1)").arg(sqlText(name)));
    rs = query(*broker, QStringLiteral("select nombre from clientes where cuit = '20000000002'"));
    QCOMPARE(rs->Fields(QStringLiteral("nombre")).toString(), name);
}

void TestBroker::dateLiteralRunsInSqlite()
{
    TempDatabase db;
    auto broker = db.makeBroker();
    const QString missing = broker->getDateFormatbyEntity(kPersonal, QStringLiteral("01/01/1900"));
    const QString typed = broker->getDateFormatbyEntity(kPersonal, QStringLiteral("31-12-1999"));
    run(*broker, QStringLiteral("insert into clientes (cuit, nombre, finitactiv) values ('1', 'a', %1), ('2', 'b', %2)")
                     .arg(missing, typed));
    auto rs = query(*broker, QStringLiteral("select finitactiv from clientes order by cuit"));
    QCOMPARE(rs->Fields(QStringLiteral("finitactiv")).toDate(), QDate(1900, 1, 1));
    rs->MoveNext();
    QCOMPARE(rs->Fields(QStringLiteral("finitactiv")).toDate(), QDate(1999, 12, 31));
    // Dates compare in order in the database.
    QCOMPARE(run(*broker, QStringLiteral("update clientes set cvdi = 'N' where finitactiv < %1").arg(typed)), 1);

    QVERIFY(errorDescription([&] { broker->getDateFormatbyEntity(kPersonal, QStringLiteral("31/02/2000")); }).contains(QStringLiteral("31/02/2000")));
    QVERIFY_THROWS_EXCEPTION(Error, broker->getDateFormatbyEntity(kPersonal, QStringLiteral("'); delete from clientes --")));
}

void TestBroker::numberFormatRunsInSqlite()
{
    TempDatabase db;
    auto broker = db.makeBroker();
    qint32 decimals = 4;
    const QString expression = broker->getNumberFormatbyEntity(QStringLiteral("INTERNOS"), QStringLiteral("999,999"), decimals);
    QVERIFY2(expression.contains(QStringLiteral("999.999")), qPrintable(expression));

    run(*broker, QStringLiteral("insert into DIB (CLICUI, JRDNRO, DIBVALOR, DIBEXENTO) values "
                                "('1', '901', 0.33333, 0), ('1', '902', 0.66667, 1)"));
    const QString total = QString(expression).replace(QStringLiteral("999.999"), QStringLiteral("DIBVALOR"));
    auto rs = query(*broker, QStringLiteral("select sum(%1) as Total from DIB where CLICUI = '1'").arg(total));
    QCOMPARE(rs->Fields(QStringLiteral("TOTAL")).toDouble(), 1.0);

    const QString value = broker->getNumberFormatbyEntity(kPersonal, QStringLiteral("12,5"), qint16(2));
    run(*broker, QStringLiteral("insert into clientes (cuit, nombre, regalias) values ('9', 'x', %1)").arg(value));
    rs = query(*broker, QStringLiteral("select regalias from clientes where cuit = '9'"));
    QCOMPARE(rs->Fields(QStringLiteral("regalias")).toDouble(), 12.5);

    // Only numbers are pasted into statements.
    QVERIFY_THROWS_EXCEPTION(Error, broker->getNumberFormatbyEntity(kPersonal, QStringLiteral("1); delete from clientes"), qint16(2)));
}

void TestBroker::decimalSeparatorFromConfiguration()
{
    TempDatabase db;
    auto broker = db.makeBroker();
    QString entity = kPersonal;
    QCOMPARE(broker->getDecimalSeparatorbyEntity(entity), QStringLiteral("."));

    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("broker.ini"));
    {
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[INTERNOS]\nDriver=SQLite\nDatabase=" + QFile::encodeName(db.personalPath())
                + "\nDecimalSeparator=,\n[SYSTABLAS]\nDatabase=" + QFile::encodeName(db.systemPath()) + "\n");
    }
    hostkit::RecordBroker configured;
    configured.useConfig(hostkit::BrokerConfig::load(ini));
    QString internos = QStringLiteral("INTERNOS");
    QString systablas = QStringLiteral("SYSTABLAS");
    QCOMPARE(configured.getDecimalSeparatorbyEntity(internos), QStringLiteral(","));
    QCOMPARE(configured.getDecimalSeparatorbyEntity(systablas), QStringLiteral("."));
}

void TestBroker::textsRoundTripUnchanged()
{
    TempDatabase db;
    auto broker = db.makeBroker();
    const QStringList texts = {QStringLiteral("D'Alessandro"), QStringLiteral("''"), QStringLiteral("'"),
                               QStringLiteral("x'; delete from clientes; --"), QStringLiteral("a /* b */ c -- d"),
                               QStringLiteral("Peña & Cía. \"La Unión\"")};
    for (int k = 0; k < texts.size(); ++k) {
        QCOMPARE(run(*broker, QStringLiteral("insert into clientes (cuit, nombre) values (%1, %2)")
                                  .arg(sqlText(QString::number(k)), sqlText(texts.at(k)))),
                 1);
    }
    for (int k = 0; k < texts.size(); ++k) {
        auto rs = query(*broker, QStringLiteral("select nombre from clientes where cuit = %1").arg(sqlText(QString::number(k))));
        QCOMPARE(rs->Fields(QStringLiteral("nombre")).toString(), texts.at(k));
    }
    QCOMPARE(TempDatabase::scalar(db.personalPath(), QStringLiteral("select count(*) from clientes")).toInt(), int(texts.size()));
}

void TestBroker::unsafeStatementsAreRefusedAndNeverSent_data()
{
    QTest::addColumn<QString>("sql");
    QTest::newRow("second statement") << QStringLiteral("delete from clientes where cuit = '1'; delete from clientes");
    QTest::newRow("trailing separator") << QStringLiteral("delete from clientes where cuit = '1';");
    QTest::newRow("line comment") << QStringLiteral("delete from clientes where cuit = '1' -- and nombre = 'x'");
    QTest::newRow("block comment") << QStringLiteral("delete from clientes /* where cuit = '1' */");
    QTest::newRow("open literal") << QStringLiteral("delete from clientes where cuit = 'it''s");
    QTest::newRow("nul") << QStringLiteral("delete from clientes where cuit = '1'") + QChar(u'\0') + QStringLiteral(" or 1=1");
}

void TestBroker::unsafeStatementsAreRefusedAndNeverSent()
{
    QFETCH(QString, sql);
    TempDatabase db;
    auto broker = db.makeBroker();
    run(*broker, QStringLiteral("insert into clientes (cuit, nombre) values ('1', 'a'), ('2', 'b')"));
    IDataConnection *c = broker->getDataConnectionByEntity(kPersonal);
    c->setSql(sql);
    const QString message = errorDescription([&] { c->Ejecutar(); });
    QVERIFY2(message.startsWith(QStringLiteral("Sentencia rechazada")), qPrintable(message));
    std::unique_ptr<IRecordset> rs;
    QVERIFY_THROWS_EXCEPTION(Error, c->CrearRs(rs));
    QCOMPARE(TempDatabase::scalar(db.personalPath(), QStringLiteral("select count(*) from clientes")).toInt(), 2);
}

void TestBroker::failingStatementCarriesTheDriverMessage()
{
    TempDatabase db;
    auto broker = db.makeBroker();
    IDataConnection *c = broker->getDataConnectionByEntity(kPersonal);
    c->setSql(QStringLiteral("select * from no_such_table"));
    std::unique_ptr<IRecordset> rs;
    try {
        c->CrearRs(rs);
        QFAIL("no error");
    } catch (const Error &e) {
        QCOMPARE(e.description(), QStringLiteral("no such table: no_such_table"));
        QVERIFY(!e.source().isEmpty());
    }
    run(*broker, QStringLiteral("insert into clientes (cuit, nombre) values ('1', 'a')"));
    QVERIFY(errorDescription([&] { run(*broker, QStringLiteral("insert into clientes (cuit, nombre) values ('1', 'b')")); })
                .contains(QStringLiteral("UNIQUE")));
}

void TestBroker::writeWaitsForAnotherWorkstation()
{
    TempDatabase db;
    auto broker = db.makeBroker();
    std::atomic<bool> locked{false};
    std::thread other([&] {
        sqlite3 *handle = nullptr;
        sqlite3_open(QFile::encodeName(db.personalPath()).constData(), &handle);
        sqlite3_exec(handle, "BEGIN IMMEDIATE; insert into clientes (cuit, nombre) values ('2', 'otro')", nullptr, nullptr, nullptr);
        locked = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(handle);
    });
    while (!locked)
        std::this_thread::yield();
    qint64 changed = -1;
    QString failure;
    try {
        changed = run(*broker, QStringLiteral("insert into clientes (cuit, nombre) values ('1', 'propio')"));
    } catch (const Error &e) {
        failure = e.description();
    }
    other.join();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(changed, 1);
    QCOMPARE(TempDatabase::scalar(db.personalPath(), QStringLiteral("select count(*) from clientes")).toInt(), 2);
}

void TestBroker::configurationErrorsAreClear()
{
    QTemporaryDir dir;
    hostkit::BrokerConfig config;
    hostkit::EntitySettings missing;
    missing.database = dir.filePath(QStringLiteral("absent.db"));
    config.entities.insert(kPersonal, missing);
    hostkit::RecordBroker broker;
    broker.useConfig(config);
    QVERIFY(errorDescription([&] { broker.LoadParameters(); }).contains(QStringLiteral("absent.db")));
    QVERIFY(!QFile::exists(missing.database)); // a configured file is never made up

    hostkit::EntitySettings unknownDriver;
    unknownDriver.driver = QStringLiteral("QNOSUCH");
    config.entities.insert(kPersonal, unknownDriver);
    broker.useConfig(config);
    QVERIFY(errorDescription([&] { broker.LoadParameters(); }).contains(QStringLiteral("QNOSUCH")));
}

void TestBroker::loadParametersFollowsAChangedConfiguration()
{
    TempDatabase first;
    TempDatabase second;
    TempDatabase::exec(second.personalPath(), QStringLiteral("insert into clientes (cuit, nombre) values ('7', 'segundo')"));
    hostkit::RecordBroker broker;
    broker.useConfig(first.config());
    broker.LoadParameters();
    IDataConnection *c = broker.getDataConnectionByEntity(kPersonal);
    c->setSql(QStringLiteral("select * from clientes"));
    std::unique_ptr<IRecordset> rs;
    QVERIFY(!c->CrearRs(rs));

    broker.useConfig(second.config());
    broker.LoadParameters();
    QCOMPARE(broker.getDataConnectionByEntity(kPersonal), c);
    QVERIFY(c->CrearRs(rs));
    QCOMPARE(rs->Fields(QStringLiteral("nombre")).toString(), QStringLiteral("segundo"));
}

void TestBroker::formatComponent()
{
    hostkit::Molde molde;
    QCOMPARE(molde.EsNumero(QVariant()), QStringLiteral("0"));
    QCOMPARE(molde.EsNumero(QString()), QStringLiteral("0"));
    QCOMPARE(molde.EsNumero(QStringLiteral("  ")), QStringLiteral("0"));
    QCOMPARE(molde.EsNumero(QStringLiteral("abc")), QStringLiteral("0"));
    QCOMPARE(molde.EsNumero(QStringLiteral("12,5")).toDouble(), 12.5);
    QCOMPARE(molde.EsNumero(QVariant(2.5)).toDouble(), 2.5);
    QCOMPARE(molde.EsNumero(QVariant(qlonglong(7))), QStringLiteral("7"));
    QCOMPARE(molde.EsNull(QVariant()), QString());
    QCOMPARE(molde.EsNull(QStringLiteral("x")), QStringLiteral("x"));
    QCOMPARE(molde.EsNull(QDate(1900, 1, 1)), QStringLiteral("01/01/1900"));
}

QTEST_GUILESS_MAIN(TestBroker)
#include "tst_broker.moc"
