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

Qt::CursorShape pointer()
{
    return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::BitmapCursor;
}

void restorePointers()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

ModalAction::ModalAction(const char *className, Action action, int timeoutMs)
    : QObject(qApp)
{
    connect(&m_timer, &QTimer::timeout, this,
            [this, name = QByteArray(className), action = std::move(action), remainingMs = timeoutMs]() mutable {
                QWidget *modal = QApplication::activeModalWidget();
                const bool found = modal && modal->inherits(name.constData()) && modal->isVisible();
                remainingMs -= kPollMs;
                if (!found && remainingMs > 0)
                    return;
                m_timer.stop();
                if (found) {
                    m_done = true;
                    action(modal);
                } else {
                    qWarning("ModalAction: no modal %s appeared", name.constData());
                }
                // A check that failed inside the action returned early, leaving the modal open.
                if (!found || QTest::currentTestFailed())
                    closeAllModals();
                deleteLater();
            });
    m_timer.start(kPollMs);
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
