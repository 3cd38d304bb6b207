// What every window stands on: message boxes, shared windows unloaded however their opening ends, the wait pointer.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>

#include "core/componentstate.h"
#include "support/modal.h"
#include "ui/msgbox.h"
#include "ui/pointer.h"
#include "ui/windows.h"

using namespace felcora;
using namespace Qt::StringLiterals;

namespace {

// A message box as asked for, answered with a key, and what it showed and answered.
struct Box
{
    int style;
    QString title; // null: the component's default title
    Qt::Key key;
    QString buttons; // their texts, sorted
    MsgBoxResult result;
};

} // namespace

class TestWindowSupport : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        test::closeAllModals();
        state() = ComponentState{};
        test::restorePointers();
    }

    // Esc answers Cancel, No or OK, in that order; Enter the default: the first button, or No when the style says so.
    void msgBox_data()
    {
        QTest::addColumn<Box>("box");
        const Qt::Key esc = Qt::Key_Escape, enter = Qt::Key_Return;
        QTest::newRow("question, Esc") << Box{vbYesNo | vbQuestion, {}, esc, u"No Sí"_s, vbNo};
        QTest::newRow("critical, Enter") << Box{vbYesNo | vbCritical, {}, enter, u"No Sí"_s, vbYes};
        QTest::newRow("No the default") << Box{vbYesNo | vbDefaultButton2, {}, enter, u"No Sí"_s, vbNo};
        QTest::newRow("exclamation, own title")
            << Box{vbOKCancel | vbExclamation, u"Clientes"_s, esc, u"Aceptar Cancelar"_s, vbCancel};
        QTest::newRow("yes/no/cancel") << Box{vbYesNoCancel, {}, esc, u"Cancelar No Sí"_s, vbCancel};
        QTest::newRow("information") << Box{vbInformation | vbSystemModal, {}, esc, u"Aceptar"_s, vbOK};
    }
    void msgBox()
    {
        QFETCH(Box, box);
        const QString text = u"¿Borrar el cliente?"_s;
        test::onNextModal<QMessageBox>([&](QMessageBox *shown) {
            QCOMPARE(shown->windowTitle(), box.title.isNull() ? u"FELCORA"_s : box.title);
            QCOMPARE(shown->text(), text);
            QStringList buttons;
            for (const QAbstractButton *b : shown->buttons())
                buttons << b->text();
            buttons.sort();
            QCOMPARE(buttons.join(u' '), box.buttons);
            QTest::keyClick(shown, box.key);
        });
        QCOMPARE(box.title.isNull() ? MsgBox(text, box.style) : MsgBox(text, box.style, box.title), box.result);
    }

    // A routine's hourglass ends as the arrow, whatever it throws. Unloading a shared window drops the arrow, keeps the
    // others, cancels its modal loop and deletes it later. One loaded for an opening lasts exactly as long as it.
    void unloadingEndsTheModalLoopAndTheOpening()
    {
        try {
            const WaitPointer wait;
            QCOMPARE(test::pointer(), Qt::WaitCursor);
            throw 42; // not even a standard exception
        } catch (int) {
        }
        QCOMPARE(test::pointer(), Qt::ArrowCursor);
        auto *dialog = sharedWindow<QDialog>(u"frmClientes"_s);
        const std::unique_ptr<QDialog> other(sharedWindow<QDialog>(u"frmOtro"_s));
        QCOMPARE(sharedWindow<QDialog>(u"frmClientes"_s), dialog);
        const QPointer<QDialog> watch(dialog);
        QWidget *reference = dialog;
        QTimer::singleShot(0, dialog, [&] {
            dialog->setResult(QDialog::Accepted); // whoever waits must not take the unload for an acceptance
            DescargarFormulario(reference);
        });
        QCOMPARE(dialog->exec(), int(QDialog::Rejected));
        QCOMPARE(reference, nullptr);
        QCOMPARE(test::pointer(), Qt::BitmapCursor);
        QCOMPARE(state().windows.keys(), QStringList{u"frmOtro"_s});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(watch.isNull());
        QPointer<QDialog> first;
        try {
            const LoadedWindow<QDialog> window(u"frmAlta"_s);
            first = window.get();
            throw std::runtime_error("fallo al cargar");
        } catch (const std::runtime_error &) {
        }
        QVERIFY(first.isNull());
        QVERIFY(!state().windows.value(u"frmAlta"_s));
        const LoadedWindow<QDialog> again(u"frmAlta"_s);
        QWidget *self = again.get();
        DescargarFormulario(self); // the window closing itself
        QVERIFY(again);
    }
};

QTEST_MAIN(TestWindowSupport)
#include "tst_windowsupport.moc"
