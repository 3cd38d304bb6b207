#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <functional>

namespace felcora::test {

// Closes every open modal window, innermost first: a failed check inside one must end the run, not block it.
inline void closeAllModals()
{
    for (int guard = 0; guard < 32; ++guard) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->done(QDialog::Rejected);
        else
            modal->close();
        QCoreApplication::processEvents();
    }
}

// The pointer the application has set over its windows; BitmapCursor when it has set none.
inline Qt::CursorShape pointer()
{
    return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::BitmapCursor;
}

// Takes back every pointer left set, so that a failed test does not leave the next one waiting.
inline void restorePointers()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

// Acts on the next modal window of a class, polled for; a failed check in the action or no window closes every modal.
class ModalAction : public QObject
{
public:
    ModalAction(const char *className, std::function<void(QWidget *)> action, int timeoutMs)
        : QObject(qApp)
    {
        constexpr int kPollMs = 20;
        connect(&m_timer, &QTimer::timeout, this,
                [this, name = QByteArray(className), action = std::move(action), remainingMs = timeoutMs]() mutable {
                    QWidget *modal = QApplication::activeModalWidget();
                    const bool found = modal && modal->inherits(name.constData()) && modal->isVisible();
                    remainingMs -= kPollMs;
                    if (!found && remainingMs > 0)
                        return;
                    m_timer.stop();
                    m_done = found;
                    if (found)
                        action(modal);
                    // A check that failed inside the action returned early, leaving the modal open.
                    if (!found || QTest::currentTestFailed())
                        closeAllModals();
                    deleteLater();
                });
        m_timer.start(kPollMs);
    }
    bool done() const { return m_done; }

private:
    QTimer m_timer;
    bool m_done = false;
};

// Schedules action on the next modal W, before what opens it; the object lives until it has acted or timed out.
template <class W> QPointer<ModalAction> onNextModal(std::function<void(W *)> action, int timeoutMs = 5000)
{
    return new ModalAction(
        W::staticMetaObject.className(), [action](QWidget *w) { action(static_cast<W *>(w)); }, timeoutMs);
}

// Runs `open`, which shows a modal W, acts on it while shown and answers whether it was; if not (`open` may also
// throw), the action is dropped, so that it never runs later on what has gone.
template <class W> bool whileShown(const std::function<void()> &open, const std::function<void(W *)> &action)
{
    bool shown = false;
    const QPointer<ModalAction> pending = onNextModal<W>([&](W *w) {
        shown = true;
        action(w);
    });
    const auto dropUnshown = qScopeGuard([&] {
        if (!shown)
            delete pending.data();
    });
    open();
    return shown;
}

// Answers the next message box with a button, keeping its text and icon.
inline QPointer<ModalAction> answerNextMessageBox(QMessageBox::StandardButton button, QString *text = nullptr,
                                                  QMessageBox::Icon *icon = nullptr, int timeoutMs = 5000)
{
    return onNextModal<QMessageBox>(
        [=](QMessageBox *box) {
            if (text)
                *text = box->text();
            if (icon)
                *icon = box->icon();
            box->button(button) ? box->button(button)->click() : box->reject();
        },
        timeoutMs);
}

} // namespace felcora::test
