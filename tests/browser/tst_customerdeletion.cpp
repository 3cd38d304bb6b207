// Deleting a customer from the list: the question, the two statements and
// what they leave in the database, the messages, the pointer, and the row.

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "browser/customerlistmodel.h"
#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "core/componentstate.h"
#include "felcora/hostkit/hostkit.h"
#include "listwindow.h"
#include "support/modal.h"
#include "support/recordingbroker.h"
#include "support/typing.h"

using namespace felcora;
using namespace felcora::browser;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {

// Gallardo and gamboa have distribution lines; gamboa a benefit relation too.
const QString kCustomersSql =
    u"insert into clientes (cuit, nombre, domicilio) values "
    "('20111111112', 'Benítez, Juan', 'Rivadavia 300'),"
    "('27222222223', 'Gallardo, Marta', 'Alsina 20'),"
    "('20333333334', 'gamboa, Luis', 'Rivadavia 100'),"
    "('20''1', 'Quote, Ana', 'Perú 1');"
    "insert into DIB (CLICUI, JRDNRO, DIBVALOR) values "
    "('27222222223', '901', 60), ('27222222223', '902', 40), ('20333333334', '901', 100), ('20''1', '904', 100);"
    "insert into VentajasRel (IdVentaja, cuit) values ('V1', '27222222223'), ('V2', '20333333334')"_s;

// The message boxes one Delete brings: the question, answered as asked, and
// the message that may follow it, answered OK.
struct DeleteBoxes
{
    QString question;
    QMessageBox::Icon questionIcon = QMessageBox::NoIcon;
    QString after;
    QMessageBox::Icon afterIcon = QMessageBox::NoIcon;
};

DeleteBoxes pressDelete(QMessageBox::StandardButton answer)
{
    DeleteBoxes boxes;
    QPointer<ModalAction> follow;
    const QPointer<ModalAction> question = onNextModal<QMessageBox>([&](QMessageBox *box) {
        boxes.question = box->text();
        boxes.questionIcon = box->icon();
        follow = answerNextMessageBox(QMessageBox::Ok, &boxes.after, &boxes.afterIcon);
        box->button(answer)->click();
    });
    pressKey(Qt::Key_Delete);
    // Whatever did not come must not act on a later window.
    if (question && !question->done())
        delete question.data();
    if (follow && !follow->done())
        delete follow.data();
    return boxes;
}

// Selects a customer by typing its name's start and gives the list the focus.
void selectInList(FrmABMClientes *w, const QString &start)
{
    typeText(start);
    pressKey(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w->list()->reportView());
}

Qt::CursorShape pointer()
{
    return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::BitmapCursor;
}

} // namespace

class TestCustomerDeletion : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        hostkit::registerHostComponents();
        m_host = std::make_unique<Host>();
        TempDatabase::exec(m_host->db.personalPath(), kCustomersSql);
        QVERIFY(setDataConnection(m_host->listado, m_host->broker.get()));
    }
    void cleanup()
    {
        closeAllModals();
        m_host.reset();
        state() = ComponentState{};
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }

    void answeringNoKeepsTheCustomer()
    {
        const auto before = DatabaseSnapshot::take(m_host->db.personalPath());
        QVERIFY(openList(m_host->listado, [](FrmABMClientes *w) {
            selectInList(w, u"gal"_s);
            const DeleteBoxes boxes = pressDelete(QMessageBox::No);
            QCOMPARE(boxes.question, u"Confirma eliminar el Cliente Seleccionado"_s);
            QCOMPARE(boxes.questionIcon, QMessageBox::Question);
            QCOMPARE(boxes.after, QString());
            QCOMPARE(w->list()->rowCount(), 4);
            QCOMPARE(selectedName(w), u"Gallardo, Marta"_s);
            pressKey(Qt::Key_Escape);
        }));
        QCOMPARE(before.differences(DatabaseSnapshot::take(m_host->db.personalPath())), QStringList());
    }

    void yesDeletesTheCustomerAndItsDistribution_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("inSearchBox");
        QTest::addColumn<QStringList>("deleted");
        QTest::addColumn<QString>("selectedAfter");
        QTest::newRow("with distribution lines, from the list")
            << u"gal"_s << false
            << QStringList{u"DIB[27222222223|901] deleted"_s, u"DIB[27222222223|902] deleted"_s,
                           u"clientes[27222222223] deleted"_s}
            << u"gamboa, Luis"_s;
        QTest::newRow("without distribution lines, from the search box")
            << u"b"_s << true << QStringList{u"clientes[20111111112] deleted"_s} << u"Gallardo, Marta"_s;
        QTest::newRow("an apostrophe in the CUIT, the last row")
            << u"quo"_s << false << QStringList{u"DIB[20'1|904] deleted"_s, u"clientes[20'1] deleted"_s}
            << u"gamboa, Luis"_s;
    }
    void yesDeletesTheCustomerAndItsDistribution()
    {
        QFETCH(QString, typed);
        QFETCH(bool, inSearchBox);
        QFETCH(QStringList, deleted);
        QFETCH(QString, selectedAfter);
        const auto before = DatabaseSnapshot::take(m_host->db.personalPath());
        QVERIFY(openList(m_host->listado, [&](FrmABMClientes *w) {
            if (inSearchBox) {
                typeText(typed);
                pressKey(Qt::Key_Home); // Delete then also erases the first letter
            } else {
                selectInList(w, typed);
            }
            const QString name = selectedName(w);
            const DeleteBoxes boxes = pressDelete(QMessageBox::Yes);
            QCOMPARE(boxes.question, u"Confirma eliminar el Cliente Seleccionado"_s);
            QCOMPARE(boxes.after, QString());
            QCOMPARE(w->list()->rowCount(), 3);
            QVERIFY(!shownColumn(w, kNombre).contains(name));
            QCOMPARE(selectedName(w), selectedAfter);
            QCOMPARE(pointer(), Qt::ArrowCursor);
            if (inSearchBox)
                QCOMPARE(searchBox(w)->text(), typed.mid(1));
            pressKey(Qt::Key_Escape);
        }));
        // Other customers' lines and every benefit relation stay.
        QCOMPARE(before.differences(DatabaseSnapshot::take(m_host->db.personalPath())), deleted);
    }

    void aCustomerAlreadyGoneIsReportedAndItsRowStays()
    {
        QVERIFY(openList(m_host->listado, [this](FrmABMClientes *w) {
            selectInList(w, u"gam"_s);
            TempDatabase::exec(m_host->db.personalPath(), u"delete from clientes where cuit = '20333333334'"_s);
            const auto before = DatabaseSnapshot::take(m_host->db.personalPath());
            const DeleteBoxes boxes = pressDelete(QMessageBox::Yes);
            QCOMPARE(boxes.after, u"0 registros eliminados"_s);
            QCOMPARE(boxes.afterIcon, QMessageBox::Warning);
            QCOMPARE(selectedName(w), u"gamboa, Luis"_s);
            QCOMPARE(w->list()->rowCount(), 4);
            // Its distribution lines are not touched.
            QCOMPARE(before.differences(DatabaseSnapshot::take(m_host->db.personalPath())), QStringList());
            QCOMPARE(pointer(), Qt::ArrowCursor);
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
    }

    // The statements themselves, and what a failure of either does.
    void statementsPointerAndFailures_data()
    {
        QTest::addColumn<QString>("cuit");
        QTest::addColumn<QList<ScriptedAnswer>>("answers");
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("rowRemoved");
        const Error failure(3043, u"RecordBroker.Ejecutar[PERSONAL]"_s, u"disk I/O error"_s);
        const QStringList both = {u"delete from clientes where cuit = '27222222223'"_s,
                                  u"delete from DIB where CLICUI = '27222222223'"_s};
        QTest::newRow("both run") << u"27222222223"_s
                                  << QList<ScriptedAnswer>{ScriptedAnswer::affected(1), ScriptedAnswer::affected(2)}
                                  << both << QString() << true;
        QTest::newRow("the distribution fails: the row still goes")
            << u"27222222223"_s
            << QList<ScriptedAnswer>{ScriptedAnswer::affected(1), ScriptedAnswer::failure(failure)} << both
            << u"[Clientes.Eliminar] disk I/O error"_s << true;
        QTest::newRow("the customer fails: the row stays")
            << u"27222222223"_s << QList<ScriptedAnswer>{ScriptedAnswer::failure(failure)} << both.mid(0, 1)
            << u"[Clientes.Eliminar] disk I/O error"_s << false;
        QTest::newRow("a blank CUIT runs nothing") << u"   "_s << QList<ScriptedAnswer>{} << QStringList() << QString()
                                                   << false;
    }
    void statementsPointerAndFailures()
    {
        QFETCH(QString, cuit);
        QFETCH(QList<ScriptedAnswer>, answers);
        QFETCH(QStringList, statements);
        QFETCH(QString, message);
        QFETCH(bool, rowRemoved);
        RecordingBroker broker;
        QVERIFY(setDataConnection(m_host->listado, &broker));
        broker.script(ScriptedAnswer::rowset({u"nombre"_s, u"CUIT"_s, u"domicilio"_s, u"email"_s, u"regalias"_s,
                                              u"AjxVinc_4102"_s},
                                             {{u"Gallardo, Marta"_s, cuit, {}, {}, 0, 0}, {u"Otro"_s, u"1"_s, {}, {}, 0, 0}}));
        for (const ScriptedAnswer &answer : answers)
            broker.script(answer);
        QList<Qt::CursorShape> pointers;
        broker.setOnRun([&](const RecordingBroker::Statement &) { pointers << pointer(); });

        QVERIFY(openList(m_host->listado, [&](FrmABMClientes *w) {
            const qsizetype listQuery = broker.statements().size();
            pointers.clear();
            selectInList(w, u"gal"_s);
            const DeleteBoxes boxes = pressDelete(QMessageBox::Yes);
            QCOMPARE(boxes.after, message);
            if (!message.isEmpty())
                QCOMPARE(boxes.afterIcon, QMessageBox::Critical);
            QStringList run;
            for (const auto &s : broker.statements().mid(listQuery)) {
                QVERIFY(!s.query);
                QCOMPARE(s.entity, u"PERSONAL"_s);
                run << s.sql;
            }
            QCOMPARE(run, statements);
            QCOMPARE(pointers, QList<Qt::CursorShape>(statements.size(), Qt::WaitCursor));
            QCOMPARE(pointer(), Qt::ArrowCursor);
            QCOMPARE(w->list()->rowCount(), rowRemoved ? 1 : 2);
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
    }

    void nothingHappensWithoutASelectedRow()
    {
        QVERIFY(openList(m_host->listado, [](FrmABMClientes *w) {
            w->list()->reportView()->setFocus();
            w->list()->reportView()->selectionModel()->clear();
            QCOMPARE(pressDelete(QMessageBox::Yes).question, QString());
            QCOMPARE(w->list()->rowCount(), 4);
            pressKey(Qt::Key_Escape);
        }));
    }

private:
    UserSettingsSandbox m_settings;
    std::unique_ptr<Host> m_host;
};

QTEST_MAIN(TestCustomerDeletion)
#include "tst_customerdeletion.moc"
