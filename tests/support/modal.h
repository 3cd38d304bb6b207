#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace felcora::test {

// Closes every open modal window, innermost first: a failed check inside one must end the run, not block it.
void closeAllModals();

// The pointer the application has set over its windows; BitmapCursor when it has set none.
Qt::CursorShape pointer();
// Takes back every pointer left set, so that a failed test does not leave the next one waiting.
void restorePointers();

// Acts on the next modal window of a class, found by polling the active modal widget. When the action's
// checks fail (QVERIFY returns early) or no such window comes in time, every modal is closed.
class ModalAction : public QObject
{
public:
    using Action = std::function<void(QWidget *)>;
    ModalAction(const char *className, Action action, int timeoutMs);
    bool done() const { return m_done; }

private:
    QTimer m_timer;
    bool m_done = false;
};

// Schedules action on the next modal of type W; call it before what opens the window. The object lives
// until it has acted or timed out, or the application ends.
template <class W> QPointer<ModalAction> onNextModal(std::function<void(W *)> action, int timeoutMs = 5000)
{
    return new ModalAction(
        W::staticMetaObject.className(), [action](QWidget *w) { action(static_cast<W *>(w)); }, timeoutMs);
}

// Runs `open`, which shows a modal W, acts on it while it is shown, and answers whether it was shown.
// If not, the action is dropped, so that it cannot act on a later window.
template <class W> bool whileShown(const std::function<void()> &open, const std::function<void(W *)> &action)
{
    bool shown = false;
    const QPointer<ModalAction> pending = onNextModal<W>([&](W *w) {
        shown = true;
        action(w);
    });
    open();
    if (!shown)
        delete pending.data();
    return shown;
}

// Answers the next message box with a button, keeping its text and icon.
QPointer<ModalAction> answerNextMessageBox(QMessageBox::StandardButton button, QString *text = nullptr,
                                           QMessageBox::Icon *icon = nullptr, int timeoutMs = 5000);

} // namespace felcora::test
