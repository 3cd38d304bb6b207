// The rows behind the customer list: its search's case folding, Spanish sorts, the model's edits and the records read.

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QTest>

#include "browser/customerlistmodel.h"
#include "browser/customertable.h"
#include "support/recordingbroker.h"

using namespace felcora;
using namespace felcora::browser;
using namespace Qt::StringLiterals;

class TestCustomerTable : public QObject
{
    Q_OBJECT

private slots:
    // Nulls read as "", the numeric columns through the format component; a missing column fails. Folding matches
    // Unicode's; names sort in Spanish order, ties in reading order. A prefix search finds the first in list order,
    // never past the name. New rows go after equal names, a rewritten one stays; the selection follows.
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
        const CustomerTable table = CustomerTable::read(rs, format);
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
        for (const QString &text : {latin, u"Ωμέγα İstanbul µ"_s, u"ß ẞ"_s, QString()})
            QCOMPARE(CustomerTable::fold(text.toUtf8()), text.toCaseFolded().toUtf8());
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
        QCOMPARE(model.findNamePrefix(u"a"), -1);
        QCOMPARE(model.findNamePrefix(u"g"), 2);
        QCOMPARE(model.findNamePrefix(u"zapa"), 9); // four bytes, a whole head word
        model.clear();
        for (const QString &name : {u"Beta"_s, u"Delta"_s, u"Alfa"_s})
            model.addCustomer({name});
        model.sort(kNombre);
        selection.setCurrentIndex(model.index(1, 0), QItemSelectionModel::ClearAndSelect);
        QCOMPARE(model.addCustomer({u"Aaron"_s}), 0);
        QCOMPARE(model.addCustomer({u"beta"_s}), 3);
        QCOMPARE(shown(), u"Aaron Alfa Beta beta Delta / Beta"_s);
        for (const QString &name : {u"Zulu"_s, u"Zulueta Hnos"_s, u"Zu"_s}) { // as long, longer, shorter
            model.replaceCustomer(2, {name});
            QCOMPARE(shown(), u"Aaron Alfa %1 beta Delta / %1"_s.arg(name));
        }
        model.removeCustomer(0);
        QCOMPARE(shown(), u"Alfa Zu beta Delta / Zu"_s);
        QCOMPARE(model.findNamePrefix(u"zu"), 1);
        model.sort(kNombre);
        QCOMPARE(shown(), u"Alfa beta Delta Zu / Zu"_s);
    }
};

QTEST_GUILESS_MAIN(TestCustomerTable)
#include "tst_customertable.moc"
