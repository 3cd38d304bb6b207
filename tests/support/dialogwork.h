#pragma once

#include <QLineEdit>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <functional>

#include "support/modal.h"

class QFileDialog;
class QTreeWidget;

// Windows worked as a user works them: their controls by name, the message
// boxes on the way, and a watch over those nobody answers.

namespace felcora::test {

using Buttons = QList<QMessageBox::StandardButton>;

// Answers the message boxes that come while it lives, in turn, with the
// buttons given (OK once they run out), and keeps their texts and icons.
class MessageBoxes
{
public:
    explicit MessageBoxes(Buttons answers = {});
    ~MessageBoxes();
    MessageBoxes(const MessageBoxes &) = delete;
    MessageBoxes &operator=(const MessageBoxes &) = delete;

    QStringList texts;
    QList<QMessageBox::Icon> icons;

private:
    void awaitNext();

    Buttons m_answers;
    QPointer<ModalAction> m_next;
};

// Runs `open`, which shows a modal window of type W, and lets `user` work it
// while it is shown; answers whether it showed. The user must close it.
template <class W> bool userWorks(const std::function<void()> &open, const std::function<void(W *)> &user)
{
    return whileShown<W>(open, [&](W *w) {
        QVERIFY(QTest::qWaitForWindowActive(w)); // keys go to the focused widget
        const QPointer<W> window(w);
        user(w);
        if (window && window->isVisible()) {
            window->reject();
            QFAIL("the window was left open");
        }
    });
}

template <class T = QLineEdit> T *child(const QWidget *w, const QString &name)
{
    return w->findChild<T *>(name);
}

// Back from a message box the window is made active again, as a window manager does.
void reactivate(QWidget *w);

// Works the window as a user does, one step each: "Box=text" types text over
// what a box holds, "Box<text" pastes it there instead (Ctrl+V), "Combo#n" chooses the nth entry with the keyboard, a
// bare name clicks that control.
void edit(QWidget *w, const QStringList &steps);

// Chooses `file` in a file dialog drawn with Qt's own widgets and clicks its
// Save (or Open) button, as a user does once the dialog is up; the dialog
// must have closed. QFileDialog::selectFile is no way to choose: it leaves
// the name box alone while the box has the focus, which the box takes when
// the dialog is activated, so the file chosen would depend on that timing.
void chooseFile(QFileDialog *dialog, const QString &file);

// How the controls that `expected` names look, in its terms: "Box=text",
// "Combo#position", "Option on|off", then " disabled" and " hidden".
QStringList looks(const QWidget *w, const QStringList &expected);

// The rows of a list, one line each, its cells joined by "|".
QStringList entries(const QTreeWidget *list);

// The object name of the focused widget, "" when none has the focus.
QString focusName();

// A message box nobody answers would block the run: one left standing for
// three seconds fails the running test and every modal window is closed.
class StrayMessageWatchdog
{
public:
    StrayMessageWatchdog();

private:
    QTimer m_timer;
    QPointer<QMessageBox> m_stray;
    int m_strayTicks = 0;
};

} // namespace felcora::test
