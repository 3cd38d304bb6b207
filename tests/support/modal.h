#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace felcora::test {

// Closes every modal window that is open, innermost first, so that a failed
// check inside a modal ends the run instead of leaving it blocked in exec().
void closeAllModals();

// Acts on the next modal window of type W. Schedule it before the key or call
// that opens the window: a short timer polls the application's active modal
// widget. When the action's checks fail (QTest's QVERIFY returns early and
// marks the test failed), or the window never comes, every modal is closed.
class ModalAction : public QObject
{
    Q_OBJECT
public:
    using Action = std::function<void(QWidget *)>;

    ModalAction(const char *className, Action action, int timeoutMs);
    bool done() const { return m_done; }
    bool timedOut() const { return m_timedOut; }

private:
    void poll();

    QByteArray m_className;
    Action m_action;
    QTimer m_timer;
    int m_remainingMs;
    bool m_done = false;
    bool m_timedOut = false;
};

// Schedules action on the next modal of type W; the returned object reports
// whether it ran. It lives until the application ends or its parent goes.
template <class W> QPointer<ModalAction> onNextModal(std::function<void(W *)> action, int timeoutMs = 5000)
{
    return new ModalAction(
        W::staticMetaObject.className(), [action](QWidget *w) { action(static_cast<W *>(w)); }, timeoutMs);
}

// Runs `open`, which shows a modal window of type W, and acts on that window
// while it is shown; answers whether it was shown. When it was not, the
// action is dropped, so that it cannot act on a later window.
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

// The common case: answer the next message box with a button, keeping its text.
QPointer<ModalAction> answerNextMessageBox(QMessageBox::StandardButton button, QString *text = nullptr,
                                           QMessageBox::Icon *icon = nullptr, int timeoutMs = 5000);

} // namespace felcora::test
