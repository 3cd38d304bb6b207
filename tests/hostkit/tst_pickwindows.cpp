// The listing component's pick windows of benefit regimes and sub-regimes, on a real customer database's catalogues.

#include <QDialog>
#include <QTest>
#include <QTreeWidget>

#include "broker/brokererrors.h"
#include "printdesk/printdesk.h"
#include "support/dialogwork.h"
#include "support/errors.h"
#include "support/tempdatabase.h"
#include "support/typing.h"

using namespace felcora;
using namespace felcora::test;
using namespace Qt::StringLiterals;

class TestPickWindows : public QObject
{
    Q_OBJECT

private slots:
    // Typed text starts afresh after a pause: a loaded machine must not make one.
    void initTestCase() { QApplication::setKeyboardInputInterval(60'000); }
    void cleanup() { closeAllModals(); }

    // Each window lists its catalogue in code order, the first row current. Typing positions on the first code, or
    // else description, that begins so (in any case); Enter or a double click picks, Esc picks nothing.
    void picks_data()
    {
        QTest::addColumn<bool>("subRegimes");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("keys");  // none: a double click on the third row
        QTest::addColumn<QString>("expected"); // or the number of the error raised
        QTest::addColumn<QString>("setupSql");
        QTest::addColumn<QString>("shown"); // the title, the headers and the codes; empty: not checked
        const auto row = [](const char *name, bool subRegimes, const QString &typed, const QList<int> &keys,
                            const QString &expected, const QString &setupSql = {}, const QString &shown = {}) {
            QTest::newRow(name) << subRegimes << typed << keys << expected << setupSql << shown;
        };
        const QList<int> enter{Qt::Key_Return};
        row("benefit regimes, Esc", false, {}, {Qt::Key_Escape}, {}, {},
            u"Ventajas: Código Descripción BKN EXP LI RAT RIM TDF ZF"_s);
        row("sub-regimes, code prefix", true, u"ig0"_s, enter, u"IG04"_s, {},
            u"Sub Regímenes: Código Descripción EC01 ET01 IC04 IG04 IT04 ZF01 ZF02"_s);
        row("description when no code begins so", false, u"rei"_s, enter, u"EXP"_s);
        row("backspace", false, u"rim"_s, {Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Return}, u"RAT"_s);
        row("down", false, {}, {Qt::Key_Down, Qt::Key_Return}, u"EXP"_s);
        row("double click", false, {}, {}, u"LI"_s);
        row("padded code trimmed", false, {}, enter, u"AAA"_s,
            u"insert into Ventajas values ('AAA   ', 'Con espacios')"_s);
        row("empty catalogue", true, {}, enter, {}, u"delete from SubRegimenes"_s);
        row("failing query: before any window", false, {}, enter, u"error %1"_s.arg(hostkit::brokererr::kDatabase),
            u"drop table Ventajas"_s);
    }
    void picks()
    {
        QFETCH(bool, subRegimes);
        QFETCH(QString, typed);
        QFETCH(QList<int>, keys);
        QFETCH(QString, setupSql);
        QFETCH(QString, shown);
        TempDatabase db;
        TempDatabase::exec(db.personalPath(), setupSql);
        const auto broker = db.makeBroker(); // closes its connections before the files go
        hostkit::PrintDesk desk;
        QObject *dataAccess = broker.get();
        desk.SetDataAccess(dataAccess);
        const auto onWindow = [&](QDialog *dialog) {
            auto *list = dialog->findChild<QTreeWidget *>(u"lstPick"_s);
            QVERIFY(list);
            QTRY_COMPARE(QApplication::focusWidget(), list);
            QStringList seen{dialog->windowTitle() + u':', list->headerItem()->text(0), list->headerItem()->text(1)};
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                seen << list->topLevelItem(i)->text(0);
            QVERIFY2(shown.isEmpty() || seen.join(u' ') == shown, qPrintable(seen.join(u' ')));
            typeText(typed);
            for (const int key : keys)
                pressKey(Qt::Key(key));
            if (keys.isEmpty()) {
                // What the window system sends for a double click: a click, then a double click and its release.
                const QPoint row = list->visualItemRect(list->topLevelItem(2)).center();
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
                QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, row);
            }
        };
        QString picked;
        bool opened = false;
        const auto error = errorOf([&] {
            opened = userWorks<QDialog>(
                [&] { picked = subRegimes ? desk.getSubRegimenListado() : desk.getVentajasListado(); }, onWindow);
        });
        QCOMPARE(opened, !error); // a failing query opens no window
        QTEST(error ? u"error %1"_s.arg(error->number()) : picked, "expected");
    }
};

QTEST_MAIN(TestPickWindows)
#include "tst_pickwindows.moc"
