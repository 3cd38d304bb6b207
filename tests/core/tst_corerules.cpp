// The rules of the widget-free core, linked without any window: numbers and
// their literals, dates, CUIT check digits, text literals, the customer record
// as read through the format component, and the customer store's statements.

#include <QTest>

#include "core/customerrecord.h"
#include "core/customerrules.h"
#include "core/customerstatements.h"
#include "core/customerstore.h"
#include "core/grossincomestore.h"
#include "core/numberliterals.h"
#include "core/sqltext.h"
#include "core/storeddate.h"
#include "felcora/cuit.h"
#include "felcora/datetext.h"
#include "felcora/numerictext.h"
#include "support/errors.h"
#include "support/recordingbroker.h"

using namespace felcora;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {

// A format component that marks what it did: numbers as "n" + value, texts as they are.
struct MarkingFormat final : IFormat
{
    QString EsNumero(const QVariant &v) override { return v.isNull() ? u"0"_s : u"n"_s + v.toString(); }
    QString EsNull(const QVariant &v) override { return v.toString(); }
};

// Every column of a customer row, named as the schema spells them.
const QStringList kCustomerColumns = {u"cuit"_s,
                                      u"nombre"_s,
                                      u"domicilio"_s,
                                      u"localidad"_s,
                                      u"codpost"_s,
                                      u"email"_s,
                                      u"telefonos"_s,
                                      u"finitactiv"_s,
                                      u"cvdi"_s,
                                      u"condiva"_s,
                                      u"condivafact"_s,
                                      u"ivaexento"_s,
                                      u"eximgan"_s,
                                      u"eximganvalor"_s,
                                      u"eximganvalortemp"_s,
                                      u"ivaareduccion"_s,
                                      u"ivaareduccionvalor"_s,
                                      u"ivaareduccionvalortemp"_s,
                                      u"ExcepLAPIAEC"_s,
                                      u"AjxVinc_4102"_s,
                                      u"contacto"_s,
                                      u"ingbru"_s,
                                      u"LUGARDEPMERC"_s,
                                      u"regalias"_s,
                                      u"honorario"_s,
                                      u"CIB"_s,
                                      u"CML"_s,
                                      u"NIN"_s};

// A format component that answers the values as they are ("0" for no number).
struct PlainFormat final : IFormat
{
    QString EsNumero(const QVariant &v) override { return v.toString().isEmpty() ? u"0"_s : v.toString(); }
    QString EsNull(const QVariant &v) override { return v.toString(); }
};

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

} // namespace

class TestCoreRules : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_broker = std::make_unique<RecordingBroker>(); }
    void cleanup()
    {
        QLocale::setDefault(m_systemLocale);
        m_broker.reset();
    }

    // A text the numeric test accepts always becomes a literal the database
    // reads as that number: group marks go, the decimal mark becomes the
    // entity's separator.
    void esNumeroANSI_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("separator"); // what the entity reports
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("expected");
        auto row = [](const QByteArray &tag, const char *locale, const char *separator, const QVariant &value,
                      const char *expected) {
            QTest::newRow(tag.constData()) << QString::fromLatin1(locale) << QString::fromLatin1(separator) << value
                                           << QString::fromLatin1(expected);
        };
        for (const char *locale : {"es_AR", "en_US"}) {
            const QByteArray l(locale);
            row(l + ": 12.5 as .", locale, ".", u"12.5"_s, "12.5");
            row(l + ": 12,5 as .", locale, ".", u"12,5"_s, "12.5");
            row(l + ": 12.5 as ,", locale, ",", u"12.5"_s, "12,5");
            row(l + ": no separator reported", locale, "", u"12,5"_s, "12.5");
            row(l + ": separator with blanks", locale, " , ", u"12.5"_s, "12,5");
            row(l + ": blanks dropped", locale, ".", u" 12,5 "_s, "12.5");
            row(l + ": no-break spaces dropped", locale, ".", u"\u00A0-12,5\u00A0"_s, "-12.5");
            row(l + ": other blanks dropped", locale, ",", u"\t\u202F12.5\u3000\n"_s, "12,5");
            row(l + ": plus sign dropped", locale, ".", u"+12,5"_s, "12.5");
            row(l + ": sign and exponent", locale, ".", u"-1,5e3"_s, "-1.5e3");
            row(l + ": double value", locale, ",", 12.5, "12,5");
            row(l + ": empty", locale, ".", QString(), "0");
            row(l + ": letters", locale, ".", u"12abc"_s, "0");
            row(l + ": null", locale, ".", QVariant(), "0");
        }
        row("es_AR: 1.234,5 as .", "es_AR", ".", u"1.234,5"_s, "1234.5");
        row("es_AR: 1.234.567,89 as ,", "es_AR", ",", u"1.234.567,89"_s, "1234567,89");
        row("es_AR: 1.234.567 groups", "es_AR", ",", u"1.234.567"_s, "1234567");
        row("en_US: 1,234,567 groups", "en_US", ".", u"1,234,567"_s, "1234567");
        row("en_US: 1,234.5 as ,", "en_US", ",", u"1,234.5"_s, "1234,5");
        row("en_US: 1.234,5 is no number", "en_US", ".", u"1.234,5"_s, "0");
        row("en_US: 1.234.567 is no number", "en_US", ".", u"1.234.567"_s, "0");
        row("es_AR: groups within no-break spaces", "es_AR", ".", u"\u00A01.234.567,5\u00A0"_s, "1234567.5");
        // Out of range or no number at all: never infinity, never a zero the text did not say.
        for (const char *text : {"NaN", "inf", "-Infinity", "0x10", "1e400", "-1e400", "1e-400"})
            row(QByteArray("es_AR: ") + text, "es_AR", ".", QString::fromLatin1(text), "0");
        row("es_AR: 400 digits", "es_AR", ".", QString(400, u'9'), "0");
        const QString fortyDigits = u"1234567890123456789012345678901234567890"_s;
        row("es_AR: 40 digits", "es_AR", ".", fortyDigits, fortyDigits.toLatin1().constData());
        const QString tiny = u"0,"_s + QString(300, u'0') + u'1';
        row("es_AR: 300 zeros after the mark", "es_AR", ".", tiny,
            QString(tiny).replace(u',', u'.').toLatin1().constData());
    }
    void esNumeroANSI()
    {
        QFETCH(QString, locale);
        QFETCH(QString, separator);
        QFETCH(QVariant, value);
        QFETCH(QString, expected);
        QLocale::setDefault(QLocale(locale));
        m_broker->setDecimalSeparator(u"PERSONAL"_s, separator);
        m_broker->setDecimalSeparator(u"SYSTABLAS"_s, u"#"_s);
        QCOMPARE(EsNumeroANSI(*m_broker, value, u"PERSONAL"_s), expected);
    }

    void esNumeroANSIRaisesItsOwnError()
    {
        m_broker->failDecimalSeparator(Error(3704, u"RecordBroker.BrokerMain"_s, u"sin conexión"_s));
        const auto error = errorOf([this] { EsNumeroANSI(*m_broker, u"12,5"_s, u"PERSONAL"_s); });
        QVERIFY(error);
        QCOMPARE(error->hexNumber(), u"80151387"_s);
        QCOMPARE(error->source(), u"[ FELCORA.basGlobalDeclaracion.EsNumeroANSI Linea 1 ]RecordBroker.BrokerMain"_s);
        QCOMPARE(error->description(), u"sin conexión"_s);
    }

    void numericText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QVariant>("expected"); // null: not numeric
        const QVariant no;
        auto row = [](const char *locale, const char *text, const QVariant &expected) {
            QTest::addRow("%s: \"%s\"", locale, text)
                << QString::fromUtf8(text) << QString::fromLatin1(locale) << expected;
        };
        row("es_AR", "12.5", 12.5);
        row("en_US", "12,5", 12.5);
        row("es_AR", "  -3,5  ", -3.5);
        row("en_US", "1,5e3", 1500.0);
        for (const char *text : {"1e+", "", ",", "1 234", "1..234", "1.,5"})
            row("en_US", text, no);
        row("es_AR", "1.234.567", 1234567.0);
        row("en_US", "1,234,567", 1234567.0);
        row("es_AR", "1,234,567", no);
        row("es_AR", "1.234,5", 1234.5);
        row("en_US", "1,234.5", 1234.5);
        row("es_AR", "1,234.5", no);
        row("es_AR", "1.234,5.6", no);
        row("es_AR", ".234,5", no);
        row("fr_FR", "1\u202F234,5", 1234.5);
        row("fr_FR", "\u00A01\u202F234,5\u00A0", 1234.5);
        row("es_AR", "\u3000-1.234,5\t", -1234.5);
        // Nothing a double cannot hold passes: not a number, infinite, or a
        // nonzero text too small to tell from zero.
        for (const char *locale : {"C", "en_US", "es_AR", "de_DE", "fr_FR"}) {
            for (const char *text :
                 {"abc", "NaN", "nan", "inf", "-Infinity", "0x10", "1e400", "-1e400", "1e-400", "2e-324"})
                row(locale, text, no);
        }
        QTest::addRow("en_US: 400 digits") << QString(400, u'9') << u"en_US"_s << no;
        QTest::addRow("en_US: 40 digits")
            << u"1234567890123456789012345678901234567890"_s << u"en_US"_s << QVariant(1.2345678901234568e39);
        QTest::addRow("en_US: 300 zeros after the point")
            << u"0."_s + QString(300, u'0') + u'1' << u"en_US"_s << QVariant(1e-301);
        row("en_US", "4.9e-324", 4.9406564584124654e-324); // the smallest double
        row("en_US", "0e400", 0.0);
        row("en_US", "0.000e-400", 0.0);
        row("en_US", "1.234,5", no);
    }
    void numericText()
    {
        QFETCH(QString, text);
        QFETCH(QString, locale);
        QFETCH(QVariant, expected);
        const auto value = NumericText::value(text, QLocale(locale));
        QCOMPARE(value.has_value(), !expected.isNull());
        if (value)
            QCOMPARE(*value, expected.toDouble());
    }

    void formatoNumericoSQL_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("answer"); // what the data access answers
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("expected");
        const QString rounding = u"round(999.999, %1) + 999.999"_s;
        QTest::newRow("0.0000") << u"0.0000"_s << rounding << 4 << u"round(DIBVALOR, 4) + DIBVALOR"_s;
        QTest::newRow("first point counts") << u"0.0.0"_s << rounding << 3 << u"round(DIBVALOR, 3) + DIBVALOR"_s;
        QTest::newRow("no point: whole length") << u"###0"_s << rounding << 4 << u"round(DIBVALOR, 4) + DIBVALOR"_s;
        QTest::newRow("answer without placeholder")
            << u"0.00"_s << u"FORMAT(x, '0.00')"_s << 2 << u"FORMAT(x, '0.00')"_s;
    }
    void formatoNumericoSQL()
    {
        QFETCH(QString, mask);
        QFETCH(QString, answer);
        QFETCH(int, decimals);
        QFETCH(QString, expected);
        QStringList asked;
        m_broker->setNumberFormat([&](const QString &entity, const QString &value, int d) {
            asked << entity + u'|' + value;
            return answer.contains(u"%1"_s) ? answer.arg(d) : answer;
        });
        QCOMPARE(FormatoNumericoSQL(*m_broker, u"INTERNOS"_s, u"DIBVALOR"_s, mask), expected);
        QCOMPARE(m_broker->numberFormatDecimals(), QList<qint32>{decimals});
        QCOMPARE(asked, QStringList{u"INTERNOS|999,999"_s});
    }

    // Day, month, year in every locale: what is shown reads back as the same date.
    void datesAreDayMonthYear_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected"); // invalid: no date
        for (const char *locale : {"es_AR", "en_US"}) {
            auto row = [locale](const char *text, QDate expected) {
                QTest::addRow("%s: \"%s\"", locale, text) << QString::fromUtf8(text) << expected;
            };
            row("05/03/2001", QDate(2001, 3, 5));
            row("5/3/2001", QDate(2001, 3, 5));
            row("13/03/2001", QDate(2001, 3, 13));
            row(" 5-3-01 ", QDate(2001, 3, 5));
            row("1.1.30", QDate(1930, 1, 1));
            row("29/02/2000", QDate(2000, 2, 29));
            row("01/01/1900", QDate(1900, 1, 1));
            row("03/13/2001", {});
            row("31/02/2001", {});
            row("2001/03/05", {});
            row("1/1/123", {});
            row("1/1", {});
            row("abc", {});
            row("\u00A05/3/2001\u3000", QDate(2001, 3, 5));
            row("29/02/00", QDate(2000, 2, 29));
            row("29/02/1900", {});
            row("31/12/9999", QDate(9999, 12, 31));
            row("05/03/0999", QDate(999, 3, 5));
            row("1/1/0000", {});
            row("00/01/2001", {});
            row("١/١/٢٠٠١", {});
        }
    }
    void datesAreDayMonthYear()
    {
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        QLocale::setDefault(QLocale(QString::fromLatin1(QTest::currentDataTag()).left(5)));
        const auto date = DateText::parse(text);
        QCOMPARE(date.value_or(QDate()), expected);
        if (date)
            QCOMPARE(DateText::parse(DateText::display(*date)), date);
    }

    void cuitCheckDigits_data()
    {
        QTest::addColumn<QString>("cuit");
        QTest::addColumn<int>("checkDigit"); // of the first ten characters
        QTest::addColumn<bool>("valid");
        QTest::newRow("person") << u"20123456786"_s << 6 << true;
        QTest::newRow("company") << u"30712345671"_s << 1 << true;
        QTest::newRow("eleven gives 0") << u"27000000030"_s << 0 << true;
        QTest::newRow("wrong check digit") << u"20123456787"_s << 6 << false;
        QTest::newRow("ten is never issued") << u"20000000010"_s << -1 << false;
        QTest::newRow("dashes") << u"20-12345678-6"_s << -1 << false;
        QTest::newRow("letter inside") << u"20123A56786"_s << -1 << false;
        QTest::newRow("non-ASCII digits") << u"２０１２３４５６７８６"_s << -1 << false;
        QTest::newRow("ten characters") << u"2012345678"_s << 6 << false;
        QTest::newRow("empty") << QString() << -1 << false;
    }
    void cuitCheckDigits()
    {
        QFETCH(QString, cuit);
        QFETCH(int, checkDigit);
        QFETCH(bool, valid);
        QCOMPARE(cuitCheckDigit(cuit.left(10)), checkDigit);
        QCOMPARE(isValidCuit(cuit), valid);
    }

    // The record reads texts through EsNull, numbers through EsNumero, the
    // conditions and the place of deposit raw and trimmed; columns by any case.
    void customerRecordReadsThroughTheFormatComponent()
    {
        QVariantList values;
        for (const QString &column : kCustomerColumns)
            values << column.toLower();
        auto set = [&](const QString &column, const QVariant &v) { values[kCustomerColumns.indexOf(column)] = v; };
        set(u"condiva"_s, u" S "_s);
        set(u"condivafact"_s, QVariant());
        set(u"LUGARDEPMERC"_s, QVariant());
        set(u"regalias"_s, 12.5);
        set(u"honorario"_s, QVariant());
        set(u"eximganvalor"_s, 100);
        MemoryRecordset rs(kCustomerColumns, {values});
        MarkingFormat format;
        const CustomerRecord r = CustomerRecord::read(rs, format, true);
        QCOMPARE(r.cuit, u"cuit"_s);
        QCOMPARE(r.finitactiv, u"finitactiv"_s);
        QCOMPARE(r.condiva, u"S"_s);
        QCOMPARE(r.condivafact, QString());
        QCOMPARE(r.lugarDepMerc, QString());
        QCOMPARE(r.regalias, u"n12.5"_s);
        QCOMPARE(r.honorario, u"0"_s);
        QCOMPARE(r.ingbru, u"ningbru"_s);
        QCOMPARE(r.eximganvalor, u"100"_s); // shown as stored
        QCOMPARE(r.excepLapiaec, u"exceplapiaec"_s);

        MemoryRecordset missing({u"cuit"_s, u"nombre"_s}, {{u"1"_s, u"Ana"_s}});
        QCOMPARE(errorOf([&] { CustomerRecord::read(missing, format, true); })->number(), errnum::kItemNotFound);
    }

    void pickNumbersComeThroughTheFormatComponent()
    {
        MarkingFormat format; // "n..." is no number: the pick refuses it
        QCOMPARE(errorOf([&] { CustomerPick::fromTexts(format, {}, {}, {}, {}, u"1"_s, u"2"_s); })->number(),
                 errnum::kWrongObject);
        PlainFormat plain;
        const CustomerPick pick = CustomerPick::fromTexts(plain, u"Ana"_s, u"1"_s, u"Calle"_s, {}, u"12.5"_s, {});
        QCOMPARE(pick, (CustomerPick{u"Ana"_s, u"1"_s, u"Calle"_s, {}, 12.5, 0.0}));
    }

    // Loading asks for the CUIT as a literal; no row is no customer.
    void storeLoadsOneCustomer()
    {
        MarkingFormat format;
        const CustomerStore store({m_broker.get(), &format, nullptr}, nullptr, true);
        QVERIFY(!store.load(u"20'1"_s));
        QVariantList values(kCustomerColumns.size(), QVariant(u"x"_s));
        m_broker->script(ScriptedAnswer::rowset(kCustomerColumns, {values}));
        const auto found = store.load(u"20111111112"_s);
        QVERIFY(found);
        QCOMPARE(found->nombre, u"x"_s);
        QCOMPARE(m_broker->sqlTexts(),
                 (QStringList{u"select * from clientes where cuit = '20''1'"_s,
                              u"select * from clientes where cuit = '20111111112'"_s}));
        QCOMPARE(m_broker->statements().constLast().entity, u"PERSONAL"_s);
    }

    // The statements of the customer tables from plain values: texts as
    // literals with their apostrophes doubled, numbers in the separator
    // given, what each option writes.
    void customerStatements_data()
    {
        QTest::addColumn<QString>("built");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QString &built, const QString &expected) {
            QTest::newRow(name) << built << expected;
        };
        const CustomerRecord b = customer(u"20111111112|Benítez, Juan|O'Higgins 300|Morón|1708|juan@ejemplo.com|"
                                          "4555-1234|2001-03-05|N|S|X|21|S|5|6|S|10.5|2|S|1.5|Pedro|3|Dep'1|12.5|7"_s);
        const QString set = u"update clientes set cuit = '%1',nombre = 'Benítez, Juan',domicilio = 'O''Higgins 300',"
                            "localidad = 'Morón',codpost = '1708',email = 'juan@ejemplo.com',telefonos = '4555-1234',"
                            "finitactiv = %2,cvdi = 'N',"_s;
        const QString tail = u"ExcepLAPIAEC = 'S',AjxVinc_4102 = 1.5,contacto = 'Pedro',ingbru = 3,"
                             "LUGARDEPMERC = 'Dep´1',regalias = 12%1"_s;
        row("update: the date kept, no fee", updateCustomerSql(b, b.cuit, {u"."_s, kKeepStartDate, u"1.5"_s}, false),
            set.arg(b.cuit, kKeepStartDate)
                + u"condiva = 'S',condivafact = 'X',ivaexento = 21,eximgan = 'S',eximganvalor = 5,"
                  "eximganvalortemp = 6,ivaareduccion = 'S',ivaareduccionvalor = 10.5,ivaareduccionvalortemp = 2,"_s
                + tail.arg(u".5 "_s) + u" where cuit = '20111111112'"_s);
        CustomerRecord moved = b;
        moved.cuit = u"20'9"_s;
        moved.condiva = u"Q"_s;     // no such letter: left as stored
        moved.condivafact = u"S"_s; // the exempt value does not count
        moved.eximgan = kNo;        // its values are written as 0
        row("update: a new CUIT, the fee, a comma", updateCustomerSql(moved, b.cuit, {u","_s, u"D"_s, u"1.5"_s}, true),
            set.arg(u"20''9"_s, u"D"_s)
                + u"condivafact = 'S',ivaexento = 0,eximgan = 'N',eximganvalor = 0,eximganvalortemp = 0,"
                  "ivaareduccion = 'S',ivaareduccionvalor = 10,5,ivaareduccionvalortemp = 2,"_s
                + tail.arg(u",5 "_s) + u",honorario = '7'  where cuit = '20111111112'"_s);
        const QString columns = u"insert into clientes (cuit,nombre,domicilio,localidad,codpost,email,telefonos,"
                                "finitactiv,cvdi,condiva,condivafact,eximgan,eximganvalor,eximganvalortemp,"
                                "ivaareduccion,ivaareduccionvalor,ivaareduccionvalortemp,Regalias,ingbru,contacto,"
                                "ExcepLAPIAEC,%1ivaexento,ajxvinc_4102,LUGARDEPMERC) values("_s;
        // As the new-customer window hands it over: the temporary values at 0.
        const CustomerRecord typed = customer(u"20111111112|Benítez, Juan|Rivadavia 300|Morón|1708|juan@ejemplo.com|"
                                              "4555-1234|2001-03-05|N|M|X|12,5|S|1,5|0|S|-2|0|S|4,5|Pedro|0|"
                                              "Depósito 1|3,25|7"_s);
        row("insert: both frames SI, exempt with VAT, the fee",
            insertCustomerSql(typed, {QString(), u"D[05/03/2001]"_s, u"F[4.5]"_s}, true),
            columns.arg(u"honorario,"_s)
                + u"'20111111112','Benítez, Juan','Rivadavia 300','Morón','1708','juan@ejemplo.com','4555-1234',"
                  "D[05/03/2001],'N','M','X','S','1.5','0','S','-2','0','3.25','0','Pedro','S','7','12.5',F[4.5], "
                  "'Depósito 1')"_s);
        // A frame set to NO writes zeros, and so does the exempt value of any other condition.
        const CustomerRecord plain = customer(u"20111111112|O'Brien, Ana||||||||||9|N|9|0|N|0|9|N||||O'Higgins 12||"_s);
        row("insert: no conditions, both frames NO, no fee", insertCustomerSql(plain, {u","_s, u"D"_s, u"F"_s}, false),
            columns.arg(QString())
                + u"'20111111112','O''Brien, Ana','','','','','',D,'N','S','S','N','0','0','N','0','0','0','0','',"
                  "'N','0',F, 'O´Higgins 12')"_s);
        row("a literal: an injection attempt", sqlText(u"'; drop table clientes; --"_s),
            u"'''; drop table clientes; --'"_s);
        row("a literal: a backslash before an apostrophe", sqlText(u"a\\'b"_s), u"'a\\''b'"_s);
        row("a literal: empty", sqlText(QString()), u"''"_s);
        row("a stored condition letter, padded",
            conditions::letterAt(conditions::kMaria, conditions::positionOf(conditions::kMaria, u" M "_s)), u"M"_s);
        row("no condition one past its list", conditions::letterAt(conditions::kInvoicing, 6), QString());
        const QString cuit = u"27222222223"_s;
        row("the list", customerListSql(), u"select * from clientes order by nombre"_s);
        row("the printed list", customerReportSql(),
            u"select Nombre, Cuit, Domicilio , Email, Telefonos From clientes order by Nombre"_s);
        row("a customer deleted", deleteCustomerSql(cuit), u"delete from clientes where cuit = '27222222223'"_s);
        row("its lines deleted", deleteDistributionSql(cuit), u"delete from DIB where CLICUI = '27222222223'"_s);
        row("a CUIT taken", customerExistsSql(u"2'0"_s), u"select cuit from clientes where cuit = '2''0'"_s);
        row("a row locked", lockCustomerSql(cuit), u"update clientes set cuit = cuit where cuit = '27222222223'"_s);
        row("lines moved", moveDistributionSql(cuit, u"2'0"_s),
            u"update DIB set CLICUI = '2''0' where CLICUI = '27222222223'"_s);
        row("ties moved", moveBenefitTiesSql(cuit, u"2'0"_s),
            u"update VentajasRel set cuit = '2''0' where cuit = '27222222223'"_s);
        row("the ties", benefitTiesSql(cuit), u"select * from VentajasRel where cuit = '27222222223'"_s);
        const BenefitTie full{u"V'1"_s, u"S1"_s, u"8471.30  "_s}, bare{u"V2"_s, {}, {}};
        row("a tie added", insertBenefitTieSql(full, cuit),
            u"insert into VentajasRel (IdVentaja, IdSubRegimen, NCM, cuit) values ('V''1','S1','8471.30  ',"
            "'27222222223')"_s);
        row("a tie found", benefitTieExistsSql(full, cuit),
            u"select IdVentaja from VentajasRel where  cuit = '27222222223'  and IdVentaja = 'V''1' and "
            "IdSubRegimen = 'S1' and NCM = '8471.30  '"_s);
        row("a tie without sub-regime and position deleted, NULL or empty", deleteBenefitTieSql(bare, cuit),
            u"delete from VentajasRel where  cuit = '27222222223'  and IdVentaja = 'V2' and "
            "coalesce(IdSubRegimen, '') = '' and coalesce(NCM, '') = ''"_s);
    }
    void customerStatements()
    {
        QFETCH(QString, built);
        QFETCH(QString, expected);
        QCOMPARE(built, expected);
    }

    // A start date in whatever form a database or an older program left it
    // is the day it stands for; anything else is no date.
    void storedDates_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QDate>("expected"); // invalid: no date
        const QDate march5(2001, 3, 5);
        QTest::newRow("a driver's date") << QVariant(march5) << march5;
        QTest::newRow("a date and time") << QVariant(QDateTime(march5, QTime(23, 59))) << march5;
        QTest::newRow("shown form") << QVariant(u"05/03/2001"_s) << march5;
        QTest::newRow("ISO, one-digit month and day") << QVariant(u"2001-3-5"_s) << march5;
        QTest::newRow("ISO with a time") << QVariant(u"2001-03-05 00:00:00"_s) << march5;
        QTest::newRow("Julian day at midnight") << QVariant(2451973.5) << march5;
        QTest::newRow("Julian day in the evening, as text") << QVariant(u"2451974.25"_s) << march5;
        QTest::newRow("no such day") << QVariant(u"2001-2-30"_s) << QDate();
        QTest::newRow("a small number") << QVariant(12) << QDate();
        QTest::newRow("words") << QVariant(u"sin fecha"_s) << QDate();
        QTest::newRow("null") << QVariant() << QDate();
    }
    void storedDates()
    {
        QFETCH(QVariant, stored);
        QFETCH(QDate, expected);
        QCOMPARE(storedDate(stored).value_or(QDate()), expected);
    }

    void unstorableCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("unstorable");
        QTest::newRow("letters and a pair") << u"Ñandú 😀"_s << false;
        QTest::newRow("NUL") << u"a"_s + QChar(0) + u"b"_s << true;
        QTest::newRow("high half at the end") << u"a"_s + QChar(0xD83D) << true;
        QTest::newRow("high half before a letter") << QString(QChar(0xD83D)) + u"a"_s << true;
        QTest::newRow("low half alone") << u"a"_s + QChar(0xDE00) << true;
    }
    void unstorableCharacters()
    {
        QFETCH(QString, text);
        QFETCH(bool, unstorable);
        QCOMPARE(hasUnstorableCharacter(text), unstorable);
    }

    // The gross-income store's statements from plain values, each on its
    // entity: a CUIT or a jurisdiction as a text literal, a typed share in the
    // decimal separator of INTERNOS, the shares summed as that dialect formats
    // them, and a change that hangs off the customer in one transaction after
    // its row is locked, undone when the customer is gone.
    void grossIncomeStatements_data()
    {
        QTest::addColumn<QStringList>("ran");
        QTest::addColumn<QStringList>("expected");
        // A row runs its call on a recording data access that gives the answers in turn; what the call
        // answers, if anything, comes after the statements, as "= answer".
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
            QString answer;
            if constexpr (std::is_void_v<decltype(call(store))>)
                call(store);
            else
                answer = call(store);
            QStringList ran;
            for (const RecordingBroker::Statement &s : broker.statements())
                ran << s.entity + u": "_s + s.sql;
            if (!answer.isNull())
                ran << u"= "_s + answer;
            QTest::newRow(name) << ran << expected;
        };
        const QString cuit = u"30'1"_s;
        const QString read = u"PERSONAL: select CIB, CML, NIN from CLIENTES where cuit = '30''1'"_s;
        const QString lock = u"PERSONAL: update clientes set cuit = cuit where cuit = '30''1'"_s;
        const QString begin = u"PERSONAL: BeginTrans"_s, commit = u"PERSONAL: CommitTrans"_s;
        const QString update = u"PERSONAL: update clientes set CIB = '%1',INGBRU = %2, CML = '%3',NIN = '%4' WHERE "
                               "Cuit = '30''1' "_s;
        const auto one = ScriptedAnswer::affected(1);
        const auto stored = ScriptedAnswer::rowset({u"CIB"_s, u"CML"_s, u"NIN"_s}, {{0, 0, u"x"_s}});
        const GrossIncomeData inscribed{grossincome::kInscripto, false, u"y"_s};
        row("the customer's columns", {}, [&](const auto &s) { s.load(cuit); }, {read});
        row("the rate, through the format component", {ScriptedAnswer::rowset({u"ingbru"_s}, {{2.5}})},
            [&](const auto &s) { return s.loadRate(cuit).value_or(u"none"_s); },
            {u"PERSONAL: select ingbru from clientes where cuit = '30''1'"_s, u"= n2.5"_s});
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
        row("saved exempt, nothing expected", {one, one},
            [&](const auto &s) {
                s.save(cuit, {grossincome::kExento, true, u"A'B"_s}, std::nullopt);
            },
            {begin, lock, update.arg(u"2"_s, u"0"_s, u"1"_s, u"A B"_s), commit});
        row("saved inscribed, found as expected", {one, stored, one},
            [&](const auto &s) {
                s.save(cuit, inscribed, GrossIncomeData{0, false, u"x"_s});
            },
            {begin, lock, read, update.arg(u"0"_s, u"2.5"_s, u"0"_s, u"y"_s), commit});
        row("changed elsewhere: nothing written", {one, stored},
            [&](const auto &s) {
                s.save(cuit, inscribed, GrossIncomeData{1, false, u"x"_s});
            },
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
    void grossIncomeStatements()
    {
        QFETCH(QStringList, ran);
        QFETCH(QStringList, expected);
        QCOMPARE(ran, expected);
    }

private:
    std::unique_ptr<RecordingBroker> m_broker;
    const QLocale m_systemLocale;
};

QTEST_GUILESS_MAIN(TestCoreRules)
#include "tst_corerules.moc"
