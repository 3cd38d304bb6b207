#include "modal.h"

#include <QAbstractButton>
#include <QDialog>
#include <QTest>

namespace felcora::test {

constexpr int kPollMs = 20;

void closeAllModals()
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

ModalAction::ModalAction(const char *className, Action action, int timeoutMs)
    : QObject(qApp)
    , m_className(className)
    , m_action(std::move(action))
    , m_remainingMs(timeoutMs)
{
    connect(&m_timer, &QTimer::timeout, this, &ModalAction::poll);
    m_timer.start(kPollMs);
}

void ModalAction::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    const bool found = modal && modal->inherits(m_className.constData()) && modal->isVisible();
    m_remainingMs -= kPollMs;
    if (!found && m_remainingMs > 0)
        return;
    m_timer.stop();
    if (found) {
        m_done = true;
        m_action(modal);
    } else {
        qWarning("ModalAction: no modal %s appeared", m_className.constData());
    }
    // A check that failed inside the action returned early, leaving the modal open.
    if (!found || QTest::currentTestFailed())
        closeAllModals();
    deleteLater();
}

QPointer<ModalAction> answerNextMessageBox(QMessageBox::StandardButton button, QString *text, QMessageBox::Icon *icon,
                                           int timeoutMs)
{
    return onNextModal<QMessageBox>(
        [=](QMessageBox *box) {
            if (text)
                *text = box->text();
            if (icon)
                *icon = box->icon();
            if (QAbstractButton *b = box->button(button))
                b->click();
            else
                box->done(QDialog::Rejected);
        },
        timeoutMs);
}

} // namespace felcora::test
