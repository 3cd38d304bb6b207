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

// A message box as asked for, answered with a key, and what it showed and answered.
struct Box
{
    int style;
    QString title; // null: the component's default title
    Qt::Key key;
    QString buttons; // their texts, sorted
    MsgBoxResult result;
};

class TestWindowSupport : public QObject
{
    Q_OBJECT

private slots:
    // Esc answers Cancel, No or OK, in that order; Enter the default: the first button, or No when the style says so.
    void msgBox_data()
    {
        QTest::addColumn<Box>("box");
        const Qt::Key esc = Qt::Key_Escape, enter = Qt::Key_Return;
        QTest::newRow("question, Esc") << Box{vbYesNo | vbQuestion, {}, esc, u"No Sí"_s, vbNo};
        QTest::newRow("critical, Enter") << Box{vbYesNo | vbCritical, {}, enter, u"No Sí"_s, vbYes};
        QTest::newRow("No the default") << Box{vbYesNo | vbDefaultButton2, {}, enter, u"No Sí"_s, vbNo};
        QTest::newRow("own title") << Box{vbYesNoCancel, u"Clientes"_s, esc, u"Cancelar No Sí"_s, vbCancel};
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

    // The hourglass lasts as long as its routine. Unloading a shared window drops the arrow, keeps the others, ends
    // its modal loop as a rejection and deletes it later; one loaded for an opening goes with it.
    void unloadingEndsTheModalLoopAndTheOpening()
    {
        {
            const WaitPointer wait;
            QCOMPARE(test::pointer(), Qt::WaitCursor);
        }
        QCOMPARE(test::pointer(), Qt::ArrowCursor);
        auto *dialog = sharedWindow<QDialog>(u"frmClientes"_s);
        QCOMPARE(sharedWindow<QDialog>(u"frmClientes"_s), dialog);
        const QPointer<QDialog> watch(dialog);
        QWidget *reference = dialog;
        QTimer::singleShot(0, dialog, [&] {
            dialog->setResult(QDialog::Accepted); // whoever waits must not take the unload for an acceptance
            DescargarFormulario(reference);
        });
        QPointer<QDialog> loaded;
        {
            const LoadedWindow<QDialog> window(u"frmAlta"_s);
            loaded = window.get();
            QCOMPARE(dialog->exec(), int(QDialog::Rejected));
            QCOMPARE(reference, nullptr);
            QCOMPARE(test::pointer(), Qt::BitmapCursor);
            QCOMPARE(state().windows.keys(), QStringList{u"frmAlta"_s});
        }
        QVERIFY(loaded.isNull());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(watch.isNull());
    }
};

QTEST_MAIN(TestWindowSupport)
#include "tst_windowsupport.moc"
