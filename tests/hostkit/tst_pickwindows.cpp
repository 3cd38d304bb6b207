// The listing component's pick windows of benefit regimes and sub-regimes,
// on the seeded catalogues of a real customer database.

#include <QDialog>
#include <QTest>
#include <QTreeWidget>

#include "broker/brokererrors.h"
#include "printdesk/printdesk.h"
#include "support/errors.h"
#include "support/modal.h"
#include "support/tempdatabase.h"
#include "support/typing.h"

using namespace felcora;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {
constexpr int kLongerThanAnyTestMs = 60'000;
}

class TestPickWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<hostkit::RecordBroker> m_broker;
    std::unique_ptr<hostkit::PrintDesk> m_desk;

    // Opens a picker and lets user act on its list (which has the focus); what it returned.
    QString pick(bool subRegimes, const std::function<void(QDialog *, QTreeWidget *)> &user)
    {
        QString picked;
        whileShown<QDialog>(
            [&] { picked = subRegimes ? m_desk->getSubRegimenListado() : m_desk->getVentajasListado(); },
            [&](QDialog *dialog) {
                QCOMPARE(dialog->objectName(), u"frmPickList"_s);
                auto *list = dialog->findChild<QTreeWidget *>(u"lstPick"_s);
                QVERIFY(list);
                QTRY_COMPARE(QApplication::focusWidget(), list);
                user(dialog, list);
                if (dialog->isVisible() && !QTest::currentTestFailed())
                    QFAIL("the pick window stayed open"); // the failure closes it
            });
        return picked;
    }

private slots:
    // Typed text starts afresh after a pause: a loaded machine must not make one.
    void initTestCase() { QApplication::setKeyboardInputInterval(kLongerThanAnyTestMs); }
    void init()
    {
        m_desk.reset();
        m_broker.reset(); // closes its connections before the files go
        m_db = std::make_unique<TempDatabase>();
        m_broker = m_db->makeBroker();
        m_desk = std::make_unique<hostkit::PrintDesk>();
        QObject *dataAccess = m_broker.get();
        m_desk->SetDataAccess(dataAccess);
    }
    void cleanup() { closeAllModals(); }

    void listsCatalogueInCodeOrder_data()
    {
        QTest::addColumn<bool>("subRegimes");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("codes");
        QTest::newRow("benefit regimes") << false << u"Ventajas"_s << u"BKN EXP LI RAT RIM TDF ZF"_s.split(u' ');
        QTest::newRow("sub-regimes") << true << u"Sub Regímenes"_s
                                     << u"EC01 ET01 IC04 IG04 IT04 ZF01 ZF02"_s.split(u' ');
    }
    void listsCatalogueInCodeOrder()
    {
        QFETCH(bool, subRegimes);
        QFETCH(QString, title);
        QFETCH(QStringList, codes);
        const QString picked = pick(subRegimes, [&](QDialog *dialog, QTreeWidget *list) {
            QCOMPARE(dialog->windowTitle(), title);
            QCOMPARE(list->headerItem()->text(0), u"Código"_s);
            QCOMPARE(list->headerItem()->text(1), u"Descripción"_s);
            QStringList shown;
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                shown << list->topLevelItem(i)->text(0);
            QCOMPARE(shown, codes);
            QCOMPARE(list->selectedItems(), QList<QTreeWidgetItem *>{list->topLevelItem(0)});
            pressKey(Qt::Key_Escape);
        });
        QCOMPARE(picked, QString());
    }

    void picksWithKeys_data()
    {
        QTest::addColumn<bool>("subRegimes");
        QTest::addColumn<QString>("setupSql");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QString>("expected");
        const QList<int> enter{Qt::Key_Return};
        QTest::newRow("typed code prefix") << false << QString() << u"ri"_s << enter << u"RIM"_s;
        QTest::newRow("lower-case prefix") << true << QString() << u"ig0"_s << enter << u"IG04"_s;
        QTest::newRow("description when no code begins so") << false << QString() << u"rei"_s << enter << u"EXP"_s;
        QTest::newRow("backspace") << false << QString() << u"rim"_s
                                   << QList<int>{Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Return} << u"RAT"_s;
        QTest::newRow("down") << true << QString() << QString() << QList<int>{Qt::Key_Down, Qt::Key_Return}
                              << u"ET01"_s;
        const QString paddedCode = u"insert into Ventajas values ('AAA   ', 'Con espacios')"_s;
        QTest::newRow("padded code trimmed") << false << paddedCode << QString() << enter << u"AAA"_s;
        QTest::newRow("empty catalogue") << true << u"delete from SubRegimenes"_s << QString() << enter << QString();
    }
    void picksWithKeys()
    {
        QFETCH(bool, subRegimes);
        QFETCH(QString, setupSql);
        QFETCH(QString, typed);
        QFETCH(QList<int>, keys);
        QFETCH(QString, expected);
        if (!setupSql.isEmpty())
            TempDatabase::exec(m_db->personalPath(), setupSql);
        const QString picked = pick(subRegimes, [&](QDialog *, QTreeWidget *) {
            typeText(typed);
            for (const int key : keys)
                pressKey(Qt::Key(key));
        });
        QCOMPARE(picked, expected);
    }

    void doubleClickPicks()
    {
        const QString picked = pick(false, [](QDialog *, QTreeWidget *list) {
            // What the window system sends for a double click: a click, then a double click and its release.
            const QPoint row = list->visualItemRect(list->topLevelItem(2)).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
            QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, row);
        });
        QCOMPARE(picked, u"LI"_s);
    }

    void failures_data()
    {
        QTest::addColumn<bool>("subRegimes");
        QTest::addColumn<bool>("withDataAccess");
        QTest::addColumn<qint32>("number");
        QTest::newRow("no data access, benefit regimes") << false << false << errnum::kNoComponent;
        QTest::newRow("no data access, sub-regimes") << true << false << errnum::kNoComponent;
        QTest::newRow("query fails") << false << true << hostkit::brokererr::kDatabase;
    }
    void failures()
    {
        QFETCH(bool, subRegimes);
        QFETCH(bool, withDataAccess);
        QFETCH(qint32, number);
        if (withDataAccess)
            TempDatabase::exec(m_db->personalPath(), u"drop table Ventajas"_s);
        else
            m_desk = std::make_unique<hostkit::PrintDesk>();
        const auto error = errorOf(
            [&] { pick(subRegimes, [](QDialog *, QTreeWidget *) { QFAIL("a window opened before the failure"); }); });
        QVERIFY(error);
        QCOMPARE(error->number(), number);
    }
};

QTEST_MAIN(TestPickWindows)
#include "tst_pickwindows.moc"
