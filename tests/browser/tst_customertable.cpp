// The rows behind the customer list: its search's case folding, Spanish sorts, the model's edits and the records read.

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QTest>

#include "browser/customerlistmodel.h"
#include "browser/customertable.h"
#include "browser/nameorder.h"
#include "support/recordingbroker.h"

using namespace felcora;
using namespace felcora::browser;
using namespace Qt::StringLiterals;

class TestCustomerTable : public QObject
{
    Q_OBJECT

private slots:
    // Nulls read as "", the numeric columns through the format component, also a slice at a time; a missing column
    // fails. Folding is Unicode's without accents; names sort in Spanish order, ties by their bytes. A prefix search
    // finds the first in list order, either way round, never past the name; digits find a CUIT. New rows go after
    // equal names, a rewritten one stays; the selection follows.
    void readsSearchesAndSortsTheRows()
    {
        test::MemoryRecordset rs({"CUIT", "nombre", "domicilio", "email", "regalias", "AjxVinc_4102", "otro"},
                                 {{"20111111112", QVariant(), "Calle 1", QVariant(), 12.5, QVariant(), 1},
                                  {QVariant(), "Ana", QVariant(), "a@b.ar", 0, 3, 2}});
        struct Format final : IFormat
        {
            QString EsNumero(const QVariant &v) override { return v.isNull() ? "0" : "n" + v.toString(); }
            QString EsNull(const QVariant &v) override { return v.toString(); }
        } format;
        CustomerTable table;
        CustomerTableReader reader(rs, format);
        QVERIFY(!reader.readSome(table, 1));
        QVERIFY(reader.readSome(table, 1));
        QStringList texts;
        for (int i = 0; i < table.rowCount() * kCustomerColumnCount; ++i)
            texts << table.text(i / kCustomerColumnCount, i % kCustomerColumnCount);
        QCOMPARE(texts.join(u'|'), u"|20111111112|Calle 1||n12.5|0|Ana|||a@b.ar|n0|n3"_s);
        test::MemoryRecordset missing({"nombre", "CUIT"}, {{"Ana", "1"}});
        QVERIFY_THROWS_EXCEPTION(Error, CustomerTable::read(missing, format));
        QString latin; // ASCII and the Latin-1 letters but ß: folded byte by byte; the other texts through Unicode's
        for (char16_t c = 0x20; c <= 0xFF; ++c)
            if (c < 0x7F || (c >= 0xC0 && c != 0xDF))
                latin.append(QChar(c));
        for (const QString &text : {latin, u"Ωμέγα İstanbul µ"_s, u"ß ẞ"_s, QString()}) {
            QString bare;
            for (const QChar c : text.normalized(QString::NormalizationForm_D))
                bare += c.category() == QChar::Mark_NonSpacing ? QString() : QString(c);
            QCOMPARE(CustomerTable::fold(text.toUtf8()), bare.toCaseFolded().toUtf8());
        }
        CustomerListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QItemSelectionModel selection(&model);
        auto shown = [&] {
            QStringList names;
            for (int row = 0; row < model.rowCount(); ++row)
                names << model.index(row, kNombre).data().toString();
            return names.join(u' ') + u" / "_s + selection.currentIndex().data().toString();
        };
        for (const char *name :
             {"ZAPATA", "gómez", "Ñandú", "Ga", "nuñez", "GAMBA", "NÚÑEZ", "Álvarez", "Nuñez", "álamo"})
            model.addCustomer({QString::fromUtf8(name)});
        QCOMPARE(model.findNamePrefix(u"Gambas"), -1);
        model.sort(kNombre);
        QCOMPARE(shown(), u"álamo Álvarez Ga GAMBA gómez nuñez Nuñez NÚÑEZ Ñandú ZAPATA / "_s);
        const struct
        {
            const char16_t *text;
            int ascending, descending;
        } searches[] = {{u"a", 0, 8},   {u"ALV", 1, 8},  {u"g", 2, 5},        {u"go", 4, 5}, {u"NUNEZ", 5, 2},
                        {u"nan", 8, 1}, {u"zapa", 9, 0}, {u"zapatas", -1, -1}}; // four bytes: a head word
        for (const auto &search : searches) {
            QCOMPARE(model.find(search.text), search.ascending);
            model.sort(kNombre, Qt::DescendingOrder);
            QCOMPARE(model.find(search.text), search.descending);
            model.sort(kNombre);
        }
        model.clear(); // digits: a name that begins with them, else a CUIT; only CUITs while sorted by CUIT
        for (const char16_t *row : {u"Beta 20222222223", u"20 de Mayo SA 30111111118", u"Alfa 20111111112"})
            model.addCustomer({QString::fromUtf16(row).chopped(12), QString::fromUtf16(row).right(11)});
        model.sort(kNombre);
        QCOMPARE(std::tuple(model.find(u"20"), model.find(u"2022"), model.find(u"4")), std::tuple(0, 2, -1));
        model.sort(kCuit);
        QCOMPARE(std::tuple(model.find(u"20"), model.find(u"30")), std::tuple(0, 2));
        model.sort(kCuit, Qt::DescendingOrder);
        QCOMPARE(model.find(u"20"), 1);
        model.clear();
        for (const QString &name : {u"Beta"_s, u"Delta"_s, u"Alfa"_s})
            model.addCustomer({name});
        model.sort(kNombre);
        selection.setCurrentIndex(model.index(1, 0), QItemSelectionModel::ClearAndSelect);
        QCOMPARE(model.addCustomer({u"Aaron"_s}), 0);
        QCOMPARE(model.addCustomer({u"Beta"_s}), 3); // after the equal name
        QCOMPARE(shown(), u"Aaron Alfa Beta Beta Delta / Beta"_s);
        for (const QString &name : {u"Zulu"_s, u"Zulueta Hnos"_s, u"Zu"_s}) { // as long, longer, shorter
            model.replaceCustomer(2, {name});
            QCOMPARE(shown(), u"Aaron Alfa %1 Beta Delta / %1"_s.arg(name));
        }
        model.removeCustomer(0);
        QCOMPARE(shown(), u"Alfa Zu Beta Delta / Zu"_s);
        QCOMPARE(model.findNamePrefix(u"zu"), 1);
        model.sort(kNombre);
        QCOMPARE(shown(), u"Alfa Beta Delta Zu / Zu"_s);
    }

    // Names ordered a slice at a time on another thread, sorted and merged as they come, come in the order a whole
    // sort gives: equal names in reading order, names the collation finds equal by their bytes.
    void ordersNamesAsTheyAreRead()
    {
        TextColumn names;
        for (int k = 0; k < 3000; ++k)
            names.append(QString::fromUtf8(k % 3       ? "Lo\u0301pez %1"
                                               : k % 2 ? "López %1"
                                                       : "lopez %1")
                             .arg(k % 7)
                             .toUtf8());
        SpanishKeys keys;
        NameOrder background;
        TextColumn read; // as far as the reading has come
        qsizetype handed = 0;
        for (qsizetype k = 0; k < names.size(); ++k) {
            keys.add(names.utf8(k));
            read.append(names.utf8(k));
            if (k % 700 == 0)
                keys.sortSome(names); // sorted runs merged with the ones before
            if (k % 500 == 0 || k == names.size() - 1)
                background.add(read, std::exchange(handed, read.size()));
        }
        background.finish();
        const std::vector<quint32> whole = spanishOrder(names);
        QCOMPARE(keys.order(names), whole);
        std::optional<std::vector<quint32>> inBackground;
        QTRY_VERIFY((inBackground = background.order(std::chrono::milliseconds(0))).has_value());
        QCOMPARE(*inBackground, whole);
        QCOMPARE(names.text(qsizetype(whole[0])), u"lopez 0"_s);
        QVERIFY(whole[1] > whole[0]); // the same name again, read later
        TextColumn equivalent;        // the same letters, the accent composed or not: the bytes decide, not the reading
        for (const char *name : {"López", "Lo\u0301pez"})
            equivalent.append(QByteArray(name));
        QCOMPARE(spanishOrder(equivalent), (std::vector<quint32>{1, 0}));
    }
};

QTEST_GUILESS_MAIN(TestCustomerTable)
#include "tst_customertable.moc"
