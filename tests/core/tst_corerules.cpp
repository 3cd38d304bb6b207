// The widget-free core's rules: numbers, dates, CUITs, the customer record and the statements the stores build, once.

#include <QTest>

#include "core/customerrecord.h"
#include "core/customerrules.h"
#include "core/customerstatements.h"
#include "core/grossincomestore.h"
#include "core/numberliterals.h"
#include "core/registerrules.h"
#include "core/registerstore.h"
#include "core/sqltext.h"
#include "core/storeddate.h"
#include "felcora/cuit.h"
#include "felcora/datetext.h"
#include "felcora/numerictext.h"
#include "support/errors.h"
#include "support/recordingbroker.h"
#include "taxregister/registerline.h"

using namespace felcora;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {

// Format components: one marks what it read (numbers as "n" + value), one answers values as they are ("0": none).
struct MarkingFormat final : IFormat
{
    QString EsNumero(const QVariant &v) override { return v.isNull() ? u"0"_s : u"n"_s + v.toString(); }
    QString EsNull(const QVariant &v) override { return v.toString(); }
};
struct PlainFormat final : IFormat
{
    QString EsNumero(const QVariant &v) override { return v.toString().isEmpty() ? u"0"_s : v.toString(); }
    QString EsNull(const QVariant &v) override { return v.toString(); }
};

// Every column of a customer row, named as the schema spells them.
const QStringList kCustomerColumns
    = u"cuit nombre domicilio localidad codpost email telefonos finitactiv cvdi condiva condivafact ivaexento eximgan "
      "eximganvalor eximganvalortemp ivaareduccion ivaareduccionvalor ivaareduccionvalortemp ExcepLAPIAEC "
      "AjxVinc_4102 contacto ingbru LUGARDEPMERC regalias honorario CIB CML NIN"_s.split(u' ');

// A customer read from a row whose values, in the order of kCustomerColumns, are separated by "|".
CustomerRecord customer(const QString &row)
{
    QVariantList values;
    for (const QString &value : row.split(u'|'))
        values << value;
    values.resize(kCustomerColumns.size());
    PlainFormat format;
    return CustomerRecord::read(MemoryRecordset(kCustomerColumns, {values}), format, true);
}

// The tables whose rows hold what a call gave next to what it should give.
void gotAndExpected()
{
    QTest::addColumn<QVariant>("got");
    QTest::addColumn<QVariant>("expected");
}
void check(const char *name, const QVariant &got, const QVariant &expected)
{
    QTest::newRow(name) << got << expected;
}
void compareGotAndExpected()
{
    QFETCH(QVariant, got);
    QFETCH(QVariant, expected);
    QCOMPARE(got, expected);
}

} // namespace

class TestCoreRules : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(m_systemLocale); }

    // A typed number's value in its locale and its literal (group marks gone, a point); "0" and no value for no number.
    void numbers_data()
    {
        gotAndExpected();
        const auto shown = [](const QString &literal, std::optional<double> value) {
            return literal + u" = "_s + (value ? QString::number(*value, 'g', 17) : u"no number"_s);
        };
        const auto row = [&](const char *locale, const QString &text, const QString &literal,
                             std::optional<double> value) {
            QLocale::setDefault(QLocale(QString::fromLatin1(locale))); // what the literal's parse reads
            check(qPrintable(u"%1: \"%2\""_s.arg(QString::fromLatin1(locale), text.left(40))),
                  shown(numberLiteral(text, u"."_s), NumericText::value(text, QLocale(QString::fromLatin1(locale)))),
                  shown(literal, value));
        };
        const auto no = [&](const char *locale, const QString &text) { row(locale, text, u"0"_s, std::nullopt); };
        row("es_AR", u"12.5"_s, u"12.5"_s, 12.5); // a single mark is the decimal one, even where it groups
        row("en_US", u"+12,5"_s, u"12.5"_s, 12.5);
        row("en_US", u"\u00A0-1,5e3 "_s, u"-1.5e3"_s, -1500.0);
        row("es_AR", u"\u3000-1.234,5\t"_s, u"-1234.5"_s, -1234.5);
        row("es_AR", u"1.234.567,89"_s, u"1234567.89"_s, 1234567.89);
        row("es_AR", u"1.234.567"_s, u"1234567"_s, 1234567.0);
        row("fr_FR", u"\u00A01\u202F234,5\u00A0"_s, u"1234.5"_s, 1234.5);
        row("en_US", u"4.9e-324"_s, u"4.9e-324"_s, 4.9406564584124654e-324); // the smallest double
        row("en_US", u"0e400"_s, u"0e400"_s, 0.0);
        const QString forty = u"1234567890123456789012345678901234567890"_s; // every digit kept in the literal
        row("en_US", forty, forty, 1.2345678901234568e39);
        for (const char *text : {"1e+", "", ",", "1 234", "1..234", "1.,5", "12abc", "1.234,5", "1.234.567"})
            no("en_US", QString::fromLatin1(text));
        for (const char *text : {"1,234,567", "1,234.5", "1.234,5.6", ".234,5"})
            no("es_AR", QString::fromLatin1(text));
        // Nothing a double cannot hold passes: not a number, infinite, or nonzero but too small to tell from zero.
        for (const char *locale : {"C", "en_US", "es_AR", "de_DE", "fr_FR"})
            for (const char *text :
                 {"abc", "NaN", "nan", "inf", "-Infinity", "0x10", "1e400", "-1e400", "1e-400", "2e-324"})
                no(locale, QString::fromLatin1(text));
        QLocale::setDefault(m_systemLocale);
    }
    void numbers() { compareGotAndExpected(); }

    // An entity's numbers: a literal takes its separator, trimmed, or a point; a mask, the places after its first point
    // (its whole length without one).
    void numbersOfAnEntity()
    {
        QLocale::setDefault(QLocale(u"es_AR"_s));
        RecordingBroker broker;
        broker.setDecimalSeparator(u"SYSTABLAS"_s, u"#"_s);
        const auto literal = [&](const QString &separator, const QVariant &value) {
            broker.setDecimalSeparator(u"PERSONAL"_s, separator);
            return EsNumeroANSI(broker, value, u"PERSONAL"_s);
        };
        QCOMPARE(literal(u","_s, u"-1.234,5e3"_s), u"-1234,5e3"_s);
        QCOMPARE(literal(u" , "_s, 12.5), u"12,5"_s);
        QCOMPARE(literal(QString(), u"12,5"_s), u"12.5"_s);
        QCOMPARE(literal(u","_s, QVariant()), u"0"_s);
        broker.setNumberFormat([](const QString &, const QString &, int decimals) {
            return u"round(999.999, %1) + 999.999"_s.arg(decimals);
        });
        for (const auto &[mask, decimals] : {std::pair{u"0.0000"_s, 4}, {u"0.0.0"_s, 3}, {u"###0"_s, 4}})
            QCOMPARE(FormatoNumericoSQL(broker, u"INTERNOS"_s, u"DIBVALOR"_s, mask),
                     u"round(DIBVALOR, %1) + DIBVALOR"_s.arg(decimals));
    }

    void cuitCheckDigits_data()
    {
        gotAndExpected();
        // The check digit of the first ten characters (-1: none), and whether the whole is a CUIT.
        const auto shown = [](int checkDigit, bool valid) {
            return QString::number(checkDigit) + (valid ? u", valid"_s : u", invalid"_s);
        };
        const auto row = [&](const char *name, const QString &cuit, int checkDigit, bool valid) {
            check(name, shown(cuitCheckDigit(cuit.left(10)), isValidCuit(cuit)), shown(checkDigit, valid));
        };
        row("person", u"20123456786"_s, 6, true);
        row("eleven gives 0", u"27000000030"_s, 0, true);
        row("wrong check digit", u"20123456787"_s, 6, false);
        row("ten is never issued", u"20000000010"_s, -1, false);
        row("letter inside", u"20123A56786"_s, -1, false);
        row("non-ASCII digits", u"２０１２３４５６７８６"_s, -1, false);
        row("ten characters", u"2012345678"_s, 6, false);
        row("empty", QString(), -1, false);
    }
    void cuitCheckDigits() { compareGotAndExpected(); }

    // The record reads texts through EsNull, numbers through EsNumero, conditions trimmed; the pick reads numbers too.
    void customerReadThroughTheFormatComponent()
    {
        const QVariantMap stored{{u"condiva"_s, u" S "_s},        {u"condivafact"_s, QVariant()},
                                 {u"LUGARDEPMERC"_s, QVariant()}, {u"regalias"_s, 12.5},
                                 {u"honorario"_s, QVariant()},    {u"eximganvalor"_s, 100}};
        QVariantList values;
        for (const QString &column : kCustomerColumns)
            values << stored.value(column, column.toLower()); // the others hold their own name
        MarkingFormat format;
        const CustomerRecord r = CustomerRecord::read(MemoryRecordset(kCustomerColumns, {values}), format, true);
        const QStringList got{r.cuit,     r.finitactiv, r.condiva, r.condivafact,  r.lugarDepMerc,
                              r.regalias, r.honorario,  r.ingbru,  r.eximganvalor, r.excepLapiaec};
        QCOMPARE(got.join(u'|'), u"cuit|finitactiv|S|||n12.5|0|ningbru|100|exceplapiaec"_s);
        MemoryRecordset missing({u"cuit"_s, u"nombre"_s}, {{u"1"_s, u"Ana"_s}});
        QCOMPARE(errorOf([&] { CustomerRecord::read(missing, format, true); }).value().number(), errnum::kItemNotFound);
        // "n..." is no number: the pick refuses it.
        QCOMPARE(errorOf([&] { CustomerPick::fromTexts(format, {}, {}, {}, {}, u"1"_s, u"2"_s); }).value().number(),
                 errnum::kWrongObject);
        PlainFormat plain;
        QCOMPARE(CustomerPick::fromTexts(plain, u"Ana"_s, u"1"_s, u"Calle"_s, {}, u"12.5"_s, {}),
                 (CustomerPick{u"Ana"_s, u"1"_s, u"Calle"_s, {}, 12.5, 0.0}));
    }

    // The customer tables' statements: apostrophes doubled, numbers in the separator given, what each option writes.
    void customerStatements_data()
    {
        gotAndExpected();
        const CustomerRecord b = customer(u"20111111112|Benítez, Juan|O'Higgins 300|Morón|1708|juan@ejemplo.com|"
                                          "4555-1234|2001-03-05|N|S|X|21|S|5|6|S|10.5|2|S|1.5|Pedro|3|Dep'1|12.5|7"_s);
        const QString set = u"update clientes set cuit = '%1',nombre = 'Benítez, Juan',domicilio = 'O''Higgins 300',"
                            "localidad = 'Morón',codpost = '1708',email = 'juan@ejemplo.com',telefonos = '4555-1234',"
                            "finitactiv = %2,cvdi = 'N',"_s;
        const QString tail = u"ExcepLAPIAEC = 'S',AjxVinc_4102 = 1.5,contacto = 'Pedro',ingbru = 3,"
                             "LUGARDEPMERC = 'Dep´1',regalias = 12%1"_s;
        check("update: the date kept, no fee", updateCustomerSql(b, b.cuit, {u"."_s, kKeepStartDate, u"1.5"_s}, false),
              set.arg(b.cuit, kKeepStartDate)
                  + u"condiva = 'S',condivafact = 'X',ivaexento = 21,eximgan = 'S',eximganvalor = 5,"
                    "eximganvalortemp = 6,ivaareduccion = 'S',ivaareduccionvalor = 10.5,ivaareduccionvalortemp = 2,"_s
                  + tail.arg(u".5 "_s) + u" where cuit = '20111111112'"_s);
        CustomerRecord moved = b;
        moved.cuit = u"20'9"_s;
        moved.condiva = u"Q"_s;     // no such letter: left as stored
        moved.condivafact = u"S"_s; // the exempt value does not count
        moved.eximgan = kNo;        // its values are written as 0
        check("update: a new CUIT, the fee, a comma",
              updateCustomerSql(moved, b.cuit, {u","_s, u"D"_s, u"1.5"_s}, true),
              set.arg(u"20''9"_s, u"D"_s)
                  + u"condivafact = 'S',ivaexento = 0,eximgan = 'N',eximganvalor = 0,eximganvalortemp = 0,"
                    "ivaareduccion = 'S',ivaareduccionvalor = 10,5,ivaareduccionvalortemp = 2,"_s
                  + tail.arg(u",5 "_s) + u",honorario = '7'  where cuit = '20111111112'"_s);
        // As the new-customer window hands it over: the temporary values at 0.
        const CustomerRecord typed = customer(u"20111111112|Benítez, Juan|Rivadavia 300|Morón|1708|juan@ejemplo.com|"
                                              "4555-1234|2001-03-05|N|M|X|12,5|S|1,5|0|S|-2|0|S|4,5|Pedro|0|"
                                              "Depósito 1|3,25|7"_s);
        check("insert: both frames SI, exempt with VAT, the fee",
              insertCustomerSql(typed, {QString(), u"D[05/03/2001]"_s, u"F[4.5]"_s}, true),
              u"insert into clientes (cuit,nombre,domicilio,localidad,codpost,email,telefonos,finitactiv,cvdi,"
              "condiva,condivafact,eximgan,eximganvalor,eximganvalortemp,ivaareduccion,ivaareduccionvalor,"
              "ivaareduccionvalortemp,Regalias,ingbru,contacto,ExcepLAPIAEC,honorario,ivaexento,ajxvinc_4102,"
              "LUGARDEPMERC) values('20111111112','Benítez, Juan','Rivadavia 300','Morón','1708',"
              "'juan@ejemplo.com','4555-1234',D[05/03/2001],'N','M','X','S','1.5','0','S','-2','0','3.25','0',"
              "'Pedro','S','7','12.5',F[4.5], 'Depósito 1')"_s);
        check("a literal: a backslash before an apostrophe", sqlText(u"a\\'b"_s), u"'a\\''b'"_s);
        // What no literal can hold: NUL and a half of a surrogate pair alone.
        check("storable: letters and a pair", hasUnstorableCharacter(u"Ñandú 😀"_s), false);
        check("unstorable: NUL", hasUnstorableCharacter(u"a"_s + QChar(0) + u"b"_s), true);
        check("unstorable: high half at the end", hasUnstorableCharacter(u"a"_s + QChar(0xD83D)), true);
        check("unstorable: low half alone", hasUnstorableCharacter(u"a"_s + QChar(0xDE00)), true);
        check("a stored condition letter, padded",
              conditions::letterAt(conditions::kMaria, conditions::positionOf(conditions::kMaria, u" M "_s)), u"M"_s);
        check("no condition one past its list", conditions::letterAt(conditions::kInvoicing, 6), QString());
        const QString cuit = u"27222222223"_s;
        check("a customer", selectCustomerSql(u"2'0"_s), u"select * from clientes where cuit = '2''0'"_s);
        check("the list", customerListSql(), u"select * from clientes"_s);
        check("its first screen", customerListHeadSql(64),
              u"select * from clientes order by nombre offset 0 rows fetch next 64 rows only"_s);
        check("the printed list", customerReportSql(),
              u"select Nombre, Cuit, Domicilio , Email, Telefonos From clientes order by Nombre"_s);
        check("a customer deleted", deleteCustomerSql(cuit), u"delete from clientes where cuit = '27222222223'"_s);
        check("its lines deleted", deleteDistributionSql(cuit), u"delete from DIB where CLICUI = '27222222223'"_s);
        check("a CUIT taken", customerExistsSql(u"2'0"_s), u"select cuit from clientes where cuit = '2''0'"_s);
        check("lines moved", moveDistributionSql(cuit, u"2'0"_s),
              u"update DIB set CLICUI = '2''0' where CLICUI = '27222222223'"_s);
        check("ties moved", moveBenefitTiesSql(cuit, u"2'0"_s),
              u"update VentajasRel set cuit = '2''0' where cuit = '27222222223'"_s);
        check("the ties", benefitTiesSql(cuit), u"select * from VentajasRel where cuit = '27222222223'"_s);
        const BenefitTie full{u"V'1"_s, u"S1"_s, u"8471.30  "_s}, bare{u"V2"_s, {}, {}};
        check("a tie added", insertBenefitTieSql(full, cuit),
              u"insert into VentajasRel (IdVentaja, IdSubRegimen, NCM, cuit) values ('V''1','S1','8471.30  ',"
              "'27222222223')"_s);
        check("a tie found", benefitTieExistsSql(full, cuit),
              u"select IdVentaja from VentajasRel where  cuit = '27222222223'  and IdVentaja = 'V''1' and "
              "IdSubRegimen = 'S1' and NCM = '8471.30  '"_s);
        check("a tie without sub-regime and position deleted, NULL or empty", deleteBenefitTieSql(bare, cuit),
              u"delete from VentajasRel where  cuit = '27222222223'  and IdVentaja = 'V2' and "
              "coalesce(IdSubRegimen, '') = '' and coalesce(NCM, '') = ''"_s);
    }
    void customerStatements() { compareGotAndExpected(); }

    // Dates typed and shown day, month, year in any locale; a start date as stored is the day it stands for.
    void dates_data()
    {
        gotAndExpected();
        QLocale::setDefault(QLocale(u"en_US"_s)); // month first, were the locale asked
        const auto typed = [](const char *text, QDate expected) {
            check(text, DateText::parse(QString::fromUtf8(text)).value_or(QDate()), expected);
        };
        const auto stored = [](const char *name, const QVariant &value, QDate expected) {
            check(name, storedDate(value).value_or(QDate()), expected);
        };
        const QDate march5(2001, 3, 5);
        check("shown", DateText::display(QDate(999, 3, 5)), u"05/03/0999"_s);
        typed("05/03/2001", march5);
        typed(" 5-3-01 ", march5);
        typed("\u00A05/3/2001\u3000", march5);
        typed("1.1.30", QDate(1930, 1, 1));
        typed("29/02/00", QDate(2000, 2, 29));
        typed("01/01/1900", QDate(1900, 1, 1));
        typed("31/12/9999", QDate(9999, 12, 31));
        typed("05/03/0999", QDate(999, 3, 5));
        for (const char *text : {"03/13/2001", "31/02/2001", "29/02/1900", "2001/03/05", "1/1/123", "1/1", "abc",
                                 "1/1/0000", "00/01/2001", "١/١/٢٠٠١"})
            typed(text, {});
        stored("a driver's date", march5, march5);
        stored("a date and time", QDateTime(march5, QTime(23, 59)), march5);
        stored("shown form", u"05/03/2001"_s, march5);
        stored("ISO, one-digit month and day", u"2001-3-5"_s, march5);
        stored("ISO with a time", u"2001-03-05 00:00:00"_s, march5);
        stored("Julian day at midnight", 2451973.5, march5);
        stored("Julian day in the evening, as text", u"2451974.25"_s, march5);
        for (const QVariant &value : {QVariant(u"2001-2-30"_s), QVariant(12), QVariant(u"sin fecha"_s), QVariant()})
            stored(qPrintable(u"no date: "_s + value.toString()), value, {});
        QLocale::setDefault(m_systemLocale);
    }
    void dates() { compareGotAndExpected(); }

    // The gross-income store's statements on their entities: shares as INTERNOS writes them, changes in one
    // transaction after the customer's row is locked, undone when the customer is gone.
    void grossIncomeStatements_data()
    {
        gotAndExpected();
        const auto row = [](const char *name, const QList<ScriptedAnswer> &answers, const auto &call,
                            const QStringList &expected) {
            TransactionalRecordingBroker broker;
            broker.setDecimalSeparator(u"INTERNOS"_s, u","_s);
            broker.setNumberFormat([](const QString &entity, const QString &value, int decimals) {
                return u"fmt_%1(%2, %3)"_s.arg(entity, QString(value).replace(u',', u'.')).arg(decimals);
            });
            for (const ScriptedAnswer &answer : answers)
                broker.script(answer);
            MarkingFormat format; // numbers read as 0
            const GrossIncomeStore store({&broker, &format, &broker});
            call(store);
            QStringList ran;
            for (const RecordingBroker::Statement &s : broker.statements())
                ran << s.entity + u": "_s + s.sql;
            check(name, ran.join(u'\n'), expected.join(u'\n'));
        };
        const QString cuit = u"30'1"_s;
        const QString read = u"PERSONAL: select CIB, CML, NIN from CLIENTES where cuit = '30''1'"_s;
        const QString lock = u"PERSONAL: update clientes set cuit = cuit where cuit = '30''1'"_s;
        const QString begin = u"PERSONAL: BeginTrans"_s, commit = u"PERSONAL: CommitTrans"_s;
        const QString update = u"PERSONAL: update clientes set CIB = '%1',INGBRU = %2, CML = '%3',NIN = '%4' WHERE "
                               "Cuit = '30''1' "_s;
        const auto one = ScriptedAnswer::affected(1);
        const auto stored = ScriptedAnswer::rowset({u"CIB"_s, u"CML"_s, u"NIN"_s}, {{0, 0, u"x"_s}});
        const GrossIncomeData exempt{grossincome::kExento, true, u"A'B"_s},
            inscribed{grossincome::kInscripto, false, u"y"_s}, asStored{0, false, u"x"_s}, other{1, false, u"x"_s};
        QString rate;
        row("the rate", {ScriptedAnswer::rowset({u"ingbru"_s}, {{2.5}})},
            [&](const auto &s) { rate = s.loadRate(cuit).value_or(u"none"_s); },
            {u"PERSONAL: select ingbru from clientes where cuit = '30''1'"_s});
        check("the rate, through the format component", rate, u"n2.5"_s);
        row("the lines", {}, [&](const auto &s) { s.loadLines(cuit); },
            {u"PERSONAL: select * from DIB where CLICUI = '30''1' order by JRDNRO"_s});
        row("the jurisdictions", {}, [](const auto &s) { s.loadJurisdictions(); },
            {u"SYSTABLAS: select * from JRD order by JRDNRO"_s});
        row("one line", {}, [&](const auto &s) { s.loadLine(cuit, u"9'1"_s); },
            {u"PERSONAL: select DIBVALOR,DIBEXENTO from DIB where CLICUI = '30''1' and JRDNRO = '9''1'"_s});
        row("whether a line exists", {}, [&](const auto &s) { s.lineExists(cuit, u"901"_s); },
            {u"PERSONAL: select * from DIB where CLICUI = '30''1' and JRDNRO = '901'"_s});
        row("a line deleted", {}, [&](const auto &s) { s.deleteLine(cuit, u"901"_s); },
            {u"PERSONAL: delete from DIB where CLICUI = '30''1' and JRDNRO = '901'"_s});
        row("the sum", {}, [&](const auto &s) { s.distributionSum(cuit); },
            {u"PERSONAL: select sum(fmt_INTERNOS(DIBVALOR, 4)) as Total from DIB where CLICUI = '30''1'"_s});
        row("saved exempt, nothing expected", {one, one}, [&](const auto &s) { s.save(cuit, exempt, std::nullopt); },
            {begin, lock, update.arg(u"2"_s, u"0"_s, u"1"_s, u"A B"_s), commit});
        row("saved inscribed, found as expected", {one, stored, one},
            [&](const auto &s) { s.save(cuit, inscribed, asStored); },
            {begin, lock, read, update.arg(u"0"_s, u"2.5"_s, u"0"_s, u"y"_s), commit});
        row("changed elsewhere: nothing written", {one, stored}, [&](const auto &s) { s.save(cuit, inscribed, other); },
            {begin, lock, read, commit});
        row("the customer gone: undone", {}, [&](const auto &s) { s.save(cuit, inscribed, std::nullopt); },
            {begin, lock, u"PERSONAL: RollbackTrans"_s});
        row("a line added", {one, one}, [&](const auto &s) { s.addLine(cuit, u"9'2"_s, u"0.25"_s, true); },
            {begin, lock,
             u"PERSONAL: insert into DIB (CLICUI,DIBVALOR,JRDNRO,DIBEXENTO) values ('30''1',0,25,'9''2','1')"_s,
             commit});
        row("a line moved", {}, [&](const auto &s) { s.updateLine(cuit, u"901"_s, u"902"_s, u"0.75"_s, false); },
            {u"PERSONAL: update DIB set DIBVALOR = 0,75,JRDNRO = '902',DIBEXENTO = 0 where JRDNRO = '901'  and "
             "CLICUI = '30''1'"_s});
    }
    void grossIncomeStatements() { compareGotAndExpected(); }

    // The register against the master: the VAT mapping and what agrees with each customs letter, names compared
    // without case, accents, punctuation or company-type spelling (a name the register cut agreeing with its
    // beginning), the findings of a customer, and when a snapshot is old.
    void registerRules_data()
    {
        gotAndExpected();
        const auto vat = [](const char *name, const QString &code, const QString &simplified, const QString &condiva,
                            bool agrees, const QString &text) {
            const RegisterRecord r{{}, {}, {}, code, simplified, {}, {}, {}};
            check(name,
                  QVariant::fromValue(
                      QPair<bool, QString>(vatAgrees(condiva, registerVat(code, simplified)), registerVatText(r))),
                  QVariant::fromValue(QPair<bool, QString>(agrees, text)));
        };
        vat("AC is S", u"AC"_s, u"NI"_s, u" S "_s, true, u"Responsable Inscripto"_s);
        vat("AC is not M", u"AC"_s, u""_s, u"M"_s, false, u"Responsable Inscripto"_s);
        vat("a category is M whatever the VAT code", u"NI"_s, u"B"_s, u"M"_s, true, u"Monotributo"_s);
        vat("a category is not S", u"AC"_s, u"H"_s, u"S"_s, false, u"Monotributo"_s);
        vat("EX has no letter", u"EX"_s, u"NI"_s, u"N"_s, false, u"Exento"_s);
        vat("XN is exempt", u"XN"_s, u""_s, u"S"_s, false, u"Exento"_s);
        vat("NI is N", u"NI"_s, u"NI"_s, u"N"_s, true, u"No Inscripto"_s);
        vat("NA is not S", u"NA"_s, u""_s, u"S"_s, false, u"No Inscripto"_s);
        vat("NI against no condition", u"NI"_s, u""_s, u""_s, false, u"No Inscripto"_s);
        vat("AN is not compared", u"AN"_s, u"NI"_s, u"S"_s, true, u"IVA AN"_s);
        vat("a blank is not compared", u""_s, u""_s, u"M"_s, true, u"sin dato"_s);
        const auto names = [](const char *name, const QString &master, const QString &registered, bool agree) {
            check(name, namesAgree(master, registered), agree);
        };
        names("case, accents, comma", u"Pérez, Juan Ñandú"_s, u"PEREZ JUAN NANDU"_s, true);
        names("S.A. is SA", u"Acme S.A."_s, u"ACME SA"_s, true);
        names("S. A. is SOCIEDAD ANONIMA", u"Acme S. A."_s, u"ACME SOCIEDAD ANONIMA"_s, true);
        names("S.R.L. is the long form", u"Los Álamos S.R.L."_s, u"LOS ALAMOS SOCIEDAD DE RESPONSABILIDAD LIMITADA"_s,
              true);
        names("SA is not SRL", u"Acme SA"_s, u"ACME SRL"_s, false);
        names("another name", u"Pérez Juan"_s, u"PEREZ JUANA"_s, false);
        // Latin-1 goes through a table: the same as the decomposition that a letter outside it forces.
        const QString latin = u"ÀÁÂÃÄÅÇÈÉÊËÌÍÎÏÑÒÓÔÕÖÙÚÛÜÝàáâãäåçèéêëìíîïñòóôõöùúûüýÿ"_s;
        check("Latin-1 letters as decomposed", comparableName(latin + u"\u0100"_s), comparableName(latin + u"a"_s));
        names("an initial stays apart", u"Gómez J Carlos"_s, u"GOMEZ JCARLOS"_s, false);
        names("cut at 30: the beginning agrees", u"Compañía Internacional de Comercio Exterior SA"_s,
              u"COMPANIA INTERNACIONAL DE COME"_s, true);
        names("shorter than 30: no beginning", u"Acme Internacional"_s, u"ACME"_s, false);
        const RegisterRecord acme{u"30500010912"_s, u"ACME SA"_s, u"AC"_s, u"AC"_s, u"NI"_s, u"N"_s, u"S"_s, u""_s};
        check("agrees in all", findingsOf(u"30500010912"_s, u"Acme S.A."_s, u"S"_s, &acme), 0u);
        check("not registered, bad digit", findingsText(findingsOf(u"30500010913"_s, u"Acme"_s, u"S"_s, nullptr)),
              u"No figura en el padrón; CUIT inválido"_s);
        check("VAT and name", findingsText(findingsOf(u" 30500010912"_s, u"Otra"_s, u"M"_s, &acme)),
              u"IVA distinto; Nombre distinto"_s);
        const QDate day(2026, 12, 7);
        check("old: 45 days is not", snapshotIsOld(day.addDays(-45), day), false);
        check("old: 46 days is", snapshotIsOld(day.addDays(-46), day), true);
    }
    void registerRules() { compareGotAndExpected(); }

    // The snapshot replaced: its tables looked for, the old one deleted and the new one written in one transaction,
    // its own line last; left without commit, rolled back; without transactions, its own line still goes first.
    void snapshotStatements_data()
    {
        gotAndExpected();
        taxregister::RegisterLine line;
        line.cuit = 20111111112;
        const char name[] = "D'AVILA JUAN";
        std::copy(name, name + sizeof name - 1, line.name);
        line.nameLength = sizeof name - 1;
        std::copy_n("AC", 2, line.vat);
        std::copy_n("NI", 2, line.simplified);
        line.partner = 'N';
        const SnapshotInfo info{QDate(2026, 12, 1), u"padron.zip"_s, QDateTime(QDate(2026, 12, 7), QTime(9, 5)), 15, 2};
        const auto row = [&](const char *rowName, bool transactions, bool commit, const QStringList &expected) {
            TransactionalRecordingBroker broker;
            const RegisterStore store({&broker, nullptr, transactions ? &broker : nullptr});
            {
                RegisterStore::Replacement replacement(store, info);
                replacement.begin();
                replacement.add(std::span(&line, 1));
                if (commit)
                    replacement.commit();
            }
            QStringList ran;
            for (const RecordingBroker::Statement &s : broker.statements())
                ran << s.sql;
            check(rowName, ran.join(u'\n'), expected.join(u'\n'));
        };
        // The tables are there (the recording broker answers every query): looked at, not made.
        const QStringList create
            = {u"select cuit from padron where 1 = 0"_s, u"select fecha from padron_archivo where 1 = 0"_s};
        const QStringList replace
            = {u"delete from padron_archivo"_s, u"delete from padron"_s,
               u"insert into padron (cuit, nombre, ganancias, iva, monotributo, integrante, empleador, actividad) "
               "values ('20111111112','D''AVILA JUAN','','AC','NI','N','','')"_s};
        const QString infoLine = u"insert into padron_archivo (fecha, archivo, importado, lineas, danadas) values "
                                 "('2026-12-01','padron.zip','2026-12-07 09:05:00',15,2)"_s;
        row("committed", true, true,
            create + QStringList{u"BeginTrans"_s} + replace + QStringList{infoLine, u"CommitTrans"_s});
        row("left: rolled back", true, false,
            create + QStringList{u"BeginTrans"_s} + replace + QStringList{u"RollbackTrans"_s});
        row("no transactions", false, true, create + replace + QStringList{infoLine});
    }
    void snapshotStatements() { compareGotAndExpected(); }

private:
    const QLocale m_systemLocale;
};

QTEST_GUILESS_MAIN(TestCoreRules)
#include "tst_corerules.moc"
