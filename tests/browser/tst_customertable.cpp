// The rows behind the customer list: the case folding its search uses, the
// prefix search in list order, and the Spanish order of its column sorts.

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QTest>

#include "browser/customerlistmodel.h"
#include "browser/customertable.h"
#include "support/recordingbroker.h"

using namespace felcora;
using namespace felcora::browser;

namespace {

CustomerTable tableOf(const QStringList &names)
{
    CustomerTable table;
    for (const QString &name : names)
        table.appendRow({name});
    return table;
}

QStringList textsInOrder(const CustomerTable &table, const CustomerTable::Order &order, int column)
{
    QStringList texts;
    for (const quint32 row : order)
        texts.append(table.text(row, column));
    return texts;
}

} // namespace

class TestCustomerTable : public QObject
{
    Q_OBJECT

private slots:
    // The byte-wise folding of Latin letters must give what Unicode case
    // folding gives, or a search would miss names typed in the other case.
    void foldingAgreesWithUnicode()
    {
        QString latin;
        for (char16_t c = 0x20; c < 0x7F; ++c)
            latin.append(QChar(c));
        for (char16_t c = 0xC0; c <= 0xFF; ++c)
            latin.append(QChar(c));
        const QStringList texts
            = {latin,     QStringLiteral("ÑANDÚ S.A."), QStringLiteral("Ωμέγα İstanbul µ"), QStringLiteral("ß ẞ"),
               QString(), QStringLiteral("O'Higgins ÿ")};
        for (const QString &text : texts)
            QCOMPARE(CustomerTable::fold(text.toUtf8()), text.toCaseFolded().toUtf8());
    }

    void prefixSearchIgnoresCaseAndFollowsListOrder()
    {
        CustomerTable table = tableOf({QStringLiteral("ZAPATA"), QStringLiteral("gómez"), QStringLiteral("Ga"),
                                       QStringLiteral("GAMBA"), QStringLiteral("Álvarez"), QStringLiteral("álamo")});
        QCOMPARE(table.findNamePrefix(u"gA", nullptr), 2);
        QCOMPARE(table.findNamePrefix(u"gam", nullptr), 3);
        QCOMPARE(table.findNamePrefix(u"GÓ", nullptr), 1);
        QCOMPARE(table.findNamePrefix(u"áL", nullptr), 4);
        QCOMPARE(table.findNamePrefix(u"Gambas", nullptr), -1); // longer than the name
        QCOMPARE(table.findNamePrefix(u"x", nullptr), -1);
        QCOMPARE(table.findNamePrefix(u"", nullptr), 0);

        const CustomerTable::Order &byName = table.sortedBy(kNombre);
        QCOMPARE(textsInOrder(table, byName, kNombre),
                 (QStringList{"álamo", "Álvarez", "Ga", "GAMBA", "gómez", "ZAPATA"}));
        QCOMPARE(table.findNamePrefix(u"Á", &byName), 0);
        QCOMPARE(table.findNamePrefix(u"a", &byName), -1); // accents count
        QCOMPARE(table.findNamePrefix(u"g", &byName), 2);
        QCOMPARE(table.findNamePrefix(u"zap", &byName), 5);
    }

    void sortsInSpanishOrderKeepingTies()
    {
        CustomerTable names = tableOf({QStringLiteral("Ñandú"), QStringLiteral("nuñez"), QStringLiteral("Oca"),
                                       QStringLiteral("NÚÑEZ"), QStringLiteral("Nuñez"), QStringLiteral("ana")});
        QCOMPARE(textsInOrder(names, names.sortedBy(kNombre), kNombre),
                 (QStringList{"ana", "nuñez", "Nuñez", "NÚÑEZ", "Ñandú", "Oca"}));
    }

    void changedRowsAreSortedAndFoundAgain()
    {
        CustomerTable table = tableOf({QStringLiteral("Beta"), QStringLiteral("Alfa")});
        QCOMPARE(textsInOrder(table, table.sortedBy(kNombre), kNombre), (QStringList{"Alfa", "Beta"}));
        table.replaceRow(1, {QStringLiteral("Zeta SRL"), QStringLiteral("30711111113")});
        QCOMPARE(table.text(1, kCuit), QStringLiteral("30711111113"));
        QCOMPARE(table.text(0, kNombre), QStringLiteral("Beta"));
        QCOMPARE(textsInOrder(table, table.sortedBy(kNombre), kNombre), (QStringList{"Beta", "Zeta SRL"}));
        table.appendRow({QStringLiteral("Alfa")});
        const CustomerTable::Order &order = table.sortedBy(kNombre);
        QCOMPARE(textsInOrder(table, order, kNombre), (QStringList{"Alfa", "Beta", "Zeta SRL"}));
        QCOMPARE(table.findNamePrefix(u"zeta", &order), 2);
        QCOMPARE(table.findNamePrefix(u"alf", nullptr), 2);

        // A row before others rewritten shorter, as long and longer: the rows after it keep their texts.
        CustomerTable three = tableOf({QStringLiteral("Medio"), QStringLiteral("Uno"), QStringLiteral("Dos")});
        for (const QString &name : {QStringLiteral("M"), QStringLiteral("Z"), QStringLiteral("Más largo que antes")}) {
            three.replaceRow(0, {name});
            QCOMPARE(textsInOrder(three, {0, 1, 2}, kNombre), (QStringList{name, "Uno", "Dos"}));
        }

        // A removed row leaves the kept order without it and the rows after it moved up.
        table.removeRow(0); // Beta
        QCOMPARE(table.rowCount(), 2);
        QCOMPARE(textsInOrder(table, order, kNombre), (QStringList{"Alfa", "Zeta SRL"}));
        QCOMPARE(table.text(0, kCuit), QStringLiteral("30711111113"));
        QCOMPARE(table.findNamePrefix(u"zeta", &order), 1);
        QCOMPARE(table.findNamePrefix(u"alf", nullptr), 1);
        QCOMPARE(table.findNamePrefix(u"bet", nullptr), -1);
    }

    // The list's model while rows are added, rewritten and removed: a new
    // row shows at the end until a column is sorted and in its sorted place
    // afterwards (after equal texts), the shown order keeps every row once,
    // the selection stays on its customer, and a new header click sorts all.
    void modelStaysConsistentUnderASort()
    {
        CustomerListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setTable(tableOf({QStringLiteral("Beta"), QStringLiteral("Delta")}));
        QItemSelectionModel selection(&model);
        auto shown = [&] {
            QStringList names;
            for (int row = 0; row < model.rowCount(); ++row)
                names << model.index(row, kNombre).data().toString();
            return names;
        };
        auto selected = [&] { return selection.currentIndex().data().toString(); };

        QCOMPARE(model.addCustomer({QStringLiteral("Alfa")}), 2);
        model.sort(kNombre);
        QCOMPARE(shown(), (QStringList{"Alfa", "Beta", "Delta"}));
        selection.setCurrentIndex(model.index(1, 0), QItemSelectionModel::ClearAndSelect);

        QCOMPARE(model.addCustomer({QStringLiteral("Aaron"), QStringLiteral("20111111112")}), 0);
        QCOMPARE(model.addCustomer({QStringLiteral("beta"), QStringLiteral("20333333334")}), 3);
        QCOMPARE(shown(), (QStringList{"Aaron", "Alfa", "Beta", "beta", "Delta"}));
        QCOMPARE(model.text(0, kCuit), QStringLiteral("20111111112"));
        QCOMPARE(model.findNamePrefix(u"aa"), 0);
        QCOMPARE(selected(), QStringLiteral("Beta"));

        model.replaceCustomer(2, {QStringLiteral("Zulu")});
        QCOMPARE(shown(), (QStringList{"Aaron", "Alfa", "Zulu", "beta", "Delta"}));
        QCOMPARE(model.findNamePrefix(u"zu"), 2);
        QCOMPARE(selected(), QStringLiteral("Zulu"));

        model.removeCustomer(0);
        QCOMPARE(shown(), (QStringList{"Alfa", "Zulu", "beta", "Delta"}));
        QCOMPARE(selected(), QStringLiteral("Zulu"));

        model.sort(kNombre);
        QCOMPARE(shown(), (QStringList{"Alfa", "beta", "Delta", "Zulu"}));
        QCOMPARE(selected(), QStringLiteral("Zulu"));
        model.sort(kCuit); // a column never sorted before sees every row
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.text(3, kCuit), QStringLiteral("20333333334"));
    }

    // Nulls read as "", the numeric columns through the format component.
    void readsRecordsThroughTheFormatComponent()
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
        QCOMPARE(table.rowCount(), 2);
        const QStringList first = {"", "20111111112", "Calle 1", "", "n12.5", "0"};
        const QStringList second = {"Ana", "", "", "a@b.ar", "n0", "n3"};
        for (int c = 0; c < kCustomerColumnCount; ++c) {
            QCOMPARE(table.text(0, c), first[c]);
            QCOMPARE(table.text(1, c), second[c]);
        }

        test::MemoryRecordset missing({"nombre", "CUIT"}, {{"Ana", "1"}});
        QVERIFY_THROWS_EXCEPTION(Error, CustomerTable::read(missing, format));
    }
};

QTEST_GUILESS_MAIN(TestCustomerTable)
#include "tst_customertable.moc"
