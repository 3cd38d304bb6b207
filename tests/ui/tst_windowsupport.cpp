// What every window stands on: message boxes, shared windows loaded for one
// opening and unloaded however it ends, the wait pointer, guarded handlers
// and the key preview that comes before a control's own filters.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <stdexcept>

#include "core/componentstate.h"
#include "support/modal.h"
#include "support/typing.h"
#include "ui/handlerguard.h"
#include "ui/keypreview.h"
#include "ui/msgbox.h"
#include "ui/pointer.h"
#include "ui/windows.h"

using namespace felcora;
using namespace Qt::StringLiterals;

namespace {

// A window that notes the keys it previews; F2 it takes for itself.
class PreviewWindow : public QDialog
{
public:
    QStringList seen;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        seen << watched->objectName() + u':' + QKeySequence(static_cast<QKeyEvent *>(event)->key()).toString();
        return static_cast<QKeyEvent *>(event)->key() == Qt::Key_F2;
    }
};

// A control's own filter, installed before the window's preview: it eats every key.
class EatingFilter : public QObject
{
public:
    using QObject::QObject;
    int eaten = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        ++eaten;
        return true;
    }
};

Qt::CursorShape pointer()
{
    return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::BitmapCursor;
}

} // namespace

class TestWindowSupport : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        test::closeAllModals();
        state() = ComponentState{};
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }

    void msgBox_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("title"); // null: the component's default title
        QTest::addColumn<int>("press");     // a button, or 0 for Esc
        QTest::addColumn<int>("icon");
        QTest::addColumn<QStringList>("buttons"); // their texts, sorted
        QTest::addColumn<int>("result");
        const QStringList yesNo = {u"No"_s, u"Sí"_s};
        using B = QMessageBox;
        QTest::newRow("yes/no question, No")
            << (vbYesNo | vbQuestion) << QString() << int(B::No) << int(B::Question) << yesNo << int(vbNo);
        QTest::newRow("yes/no critical, Yes")
            << (vbYesNo | vbCritical) << QString() << int(B::Yes) << int(B::Critical) << yesNo << int(vbYes);
        QTest::newRow("ok/cancel exclamation, own title")
            << (vbOKCancel | vbExclamation) << u"Clientes"_s << int(B::Ok) << int(B::Warning)
            << QStringList{u"Aceptar"_s, u"Cancelar"_s} << int(vbOK);
        QTest::newRow("yes/no, Esc") << int(vbYesNo) << QString() << 0 << int(B::NoIcon) << yesNo << int(vbNo);
        QTest::newRow("yes/no/cancel, Esc") << int(vbYesNoCancel) << QString() << 0 << int(B::NoIcon)
                                            << QStringList{u"Cancelar"_s, u"No"_s, u"Sí"_s} << int(vbCancel);
        QTest::newRow("ok information, Esc") << int(vbInformation | vbSystemModal) << QString() << 0
                                             << int(B::Information) << QStringList{u"Aceptar"_s} << int(vbOK);
    }
    void msgBox()
    {
        QFETCH(int, style);
        QFETCH(QString, title);
        QFETCH(int, press);
        QFETCH(int, icon);
        QFETCH(QStringList, buttons);
        QFETCH(int, result);
        QString seenTitle, seenText;
        QStringList seenButtons;
        int seenIcon = -1;
        const auto action = test::onNextModal<QMessageBox>([&](QMessageBox *box) {
            seenTitle = box->windowTitle();
            seenText = box->text();
            seenIcon = box->icon();
            for (const QAbstractButton *b : box->buttons())
                seenButtons << b->text();
            seenButtons.sort();
            if (press)
                box->button(QMessageBox::StandardButton(press))->click();
            else
                QTest::keyClick(box, Qt::Key_Escape);
        });
        const QString text = u"¿Borrar el cliente?"_s;
        const MsgBoxResult answer = title.isNull() ? MsgBox(text, style) : MsgBox(text, style, title);
        QCOMPARE(seenTitle, title.isNull() ? u"FELCORA"_s : title);
        QCOMPARE(seenText, text);
        QCOMPARE(seenIcon, icon);
        QCOMPARE(seenButtons, buttons);
        QCOMPARE(int(answer), result);
    }

    // Unloading leaves the shared instances, ends the modal loop as a
    // cancellation, and deletes the window once control is back in the loop.
    void descargarFormularioEndsTheModalLoop()
    {
        auto *dialog = sharedWindow<QDialog>(u"frmClientes"_s);
        auto *other = sharedWindow<QDialog>(u"frmOtro"_s);
        QCOMPARE(sharedWindow<QDialog>(u"frmClientes"_s), dialog);
        const QPointer<QDialog> watch(dialog);
        QWidget *reference = dialog;
        QTimer::singleShot(0, dialog, [&] {
            dialog->setResult(QDialog::Accepted); // whoever waits must not take the unload for an acceptance
            DescargarFormulario(reference);
        });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(dialog->exec(), int(QDialog::Rejected));
        QVERIFY2(clock.elapsed() < 4000, "the modal loop ran on");
        QCOMPARE(reference, nullptr);
        QCOMPARE(state().windows.keys(), QStringList{u"frmOtro"_s});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(watch.isNull());
        delete other;
    }

    // However the opening ends, the window is unloaded and gone, and the
    // next opening loads a new one.
    void loadedWindowIsUnloadedOnEveryExit()
    {
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
        QVERIFY(again);
        QWidget *self = again.get();
        DescargarFormulario(self); // the window closing itself
        QVERIFY(again);            // still there until the opening ends
    }

    void waitPointerRestoresTheArrowOnAnyException()
    {
        try {
            const WaitPointer wait;
            QCOMPARE(pointer(), Qt::WaitCursor);
            throw 42; // not even a standard exception
        } catch (int) {
        }
        QCOMPARE(pointer(), Qt::ArrowCursor);
    }

    // A failing handler is reported with its window and routine and never
    // reaches the event loop; handlers take the signal's arguments or none.
    void guardedHandlersReportTheirFailures()
    {
        QDialog window;
        window.setObjectName(u"frmPrueba"_s);
        auto *button = new QPushButton(&window);
        auto *box = new QLineEdit(&window);
        QString typed;
        connect(button, &QPushButton::clicked, &window, guarded(&window, "cmdGuardar_Click", [] {
                    throw Error(3022, u"RecordBroker"_s, u"clave duplicada"_s);
                }));
        connect(box, &QLineEdit::textChanged, &window,
                guarded(&window, "txtNombre_Change", [&](const QString &text) { typed = text; }));
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        test::answerNextMessageBox(QMessageBox::Ok, &text, &icon);
        button->click();
        QCOMPARE(text, u"3022 - clave duplicada\r\nSeccion [frmPrueba.cmdGuardar_Click]"_s);
        QCOMPARE(icon, QMessageBox::Critical);
        box->setText(u"Ana"_s);
        QCOMPARE(typed, u"Ana"_s);
    }

    // The window's preview runs before a filter its control had already: the
    // window takes its own keys, and the others still reach the control's filter.
    void keyPreviewComesBeforeTheControlsOwnFilters()
    {
        PreviewWindow window;
        auto *box = new QLineEdit(&window);
        box->setObjectName(u"TxtNombre"_s);
        EatingFilter own(box);
        box->installEventFilter(&own);
        installKeyPreview(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        box->setFocus();
        test::pressKey(Qt::Key_F2);
        QCOMPARE(own.eaten, 0);
        test::pressKey(Qt::Key_A);
        QCOMPARE(own.eaten, 1);
        QCOMPARE(window.seen, (QStringList{u"TxtNombre:F2"_s, u"TxtNombre:A"_s}));
    }
};

QTEST_MAIN(TestWindowSupport)
#include "tst_windowsupport.moc"
