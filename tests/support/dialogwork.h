#pragma once

#include <QLineEdit>
#include <QStringList>
#include <QTest>

#include "support/modal.h"

class QFileDialog;
class QTreeWidget;

// Windows worked as a user works them: controls by name, the message boxes on the way.
namespace felcora::test {

using Buttons = QList<QMessageBox::StandardButton>;

// Answers the message boxes that come while it lives with the buttons given in turn (then OK), keeping
// their texts and icons.
class MessageBoxes
{
public:
    explicit MessageBoxes(Buttons answers = {});
    ~MessageBoxes() { delete m_next.data(); }
    MessageBoxes(const MessageBoxes &) = delete;
    MessageBoxes &operator=(const MessageBoxes &) = delete;

    QStringList texts;
    QList<QMessageBox::Icon> icons;

private:
    void awaitNext();

    Buttons m_answers;
    QPointer<ModalAction> m_next;
};

// Runs `open`, which shows a modal W, and lets `user` work it once active; answers whether it showed.
// A window the user leaves open fails the test.
template <class W> bool userWorks(const std::function<void()> &open, const std::function<void(W *)> &user)
{
    return whileShown<W>(open, [&](W *w) {
        QVERIFY(QTest::qWaitForWindowActive(w));
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

// Makes the window active again after a message box, as a window manager does.
void reactivate(QWidget *w);

// One user step each: "Box=text" types over a box's text, "Box<text" pastes over it (Ctrl+V),
// "Combo#n" chooses the nth entry by keyboard, a bare name clicks that control.
void edit(QWidget *w, const QStringList &steps);

// Puts `file` in the name box of a Qt-drawn file dialog and clicks Save (or Open); the dialog must close.
void chooseFile(QFileDialog *dialog, const QString &file);

// How the controls `expected` names look, in its terms: "Box=text", "Combo#index", "Option on|off",
// then " disabled" and " hidden".
QStringList looks(const QWidget *w, const QStringList &expected);

// A list's rows, cells joined by "|".
QStringList entries(const QTreeWidget *list);

// The focused widget's object name, "" when none.
QString focusName();

// Fails the running test and closes every modal when a message box stays unanswered for three seconds.
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
