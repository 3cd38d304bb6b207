#pragma once

#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <limits>

#include "support/modal.h"
#include "support/typing.h"

// Windows worked as a user works them: controls by name, the message boxes on the way.
namespace felcora::test {

using Buttons = QList<QMessageBox::StandardButton>;

// Answers the message boxes that come while it lives with the given buttons in turn (then OK), keeping what they said.
class MessageBoxes
{
public:
    explicit MessageBoxes(Buttons answers = {})
        : m_answers(std::move(answers))
    {
        awaitNext();
    }
    ~MessageBoxes() { delete m_next.data(); }
    Q_DISABLE_COPY(MessageBoxes)

    QStringList texts;
    QList<QMessageBox::Icon> icons;

private:
    void awaitNext()
    {
        m_next = onNextModal<QMessageBox>(
            [this](QMessageBox *box) {
                texts << box->text();
                icons << box->icon();
                const auto answer = m_answers.isEmpty() ? QMessageBox::Ok : m_answers.takeFirst();
                awaitNext();
                box->button(answer) ? box->button(answer)->click() : box->reject();
            },
            std::numeric_limits<int>::max());
    }

    Buttons m_answers;
    QPointer<ModalAction> m_next;
};

// Runs `open`, which shows a modal W, lets `user` work it once active and answers whether it showed; left open fails.
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
inline void reactivate(QWidget *w)
{
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
}

// One step each: "Box=text" types over a box's text, "Box<text" pastes over it (Ctrl+V), "Combo#n" chooses the
// nth entry by keyboard, a bare name clicks that control.
inline void edit(QWidget *w, const QStringList &steps)
{
    for (const QString &step : steps) {
        reactivate(w);
        const qsizetype at = step.indexOf(QRegularExpression(QStringLiteral("[=<#]")));
        const QString name = step.left(at), value = step.mid(at + 1);
        if (at > 0 && step.at(at) == u'#') {
            child<QComboBox>(w, name)->setFocus(Qt::TabFocusReason);
            pressKey(Qt::Key_Home);
            for (int down = value.toInt(); down > 0; --down)
                pressKey(Qt::Key_Down);
        } else if (at > 0) {
            QLineEdit *box = child(w, name);
            QVERIFY2(box && box->isEnabled() && box->isVisible(), qPrintable(step));
            QTest::mouseClick(box, Qt::LeftButton);
            pressKey(Qt::Key_A, Qt::ControlModifier);
            pressKey(Qt::Key_Backspace);
            if (step.at(at) == u'=') {
                typeText(value);
            } else {
                QGuiApplication::clipboard()->setText(value);
                pressKey(Qt::Key_V, Qt::ControlModifier);
            }
        } else { // near the left edge: an option's clickable part is its mark and caption
            QWidget *control = child<QWidget>(w, step);
            QVERIFY2(control, qPrintable(step));
            QTest::mouseClick(control, Qt::LeftButton, {}, {control->height() / 2, control->height() / 2});
        }
    }
}

// Puts `file` in the name box of a Qt-drawn file dialog and clicks Save (or Open); the dialog must close.
inline void chooseFile(QFileDialog *dialog, const QString &file)
{
    auto *name = child(dialog, QStringLiteral("fileNameEdit"));
    // Only with the focus, which it takes as the dialog is activated, does the box drop the list's selection for it.
    QVERIFY2(name && QTest::qWaitFor([name] { return name->hasFocus(); }), "the file name box never had the focus");
    // Set, not typed: the name completion's list would fill in as the folder is read and take the click.
    name->setText(file);
    const auto role = dialog->acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save : QDialogButtonBox::Open;
    QPushButton *button = dialog->findChild<QDialogButtonBox *>()->button(role); // a Qt-drawn dialog has its buttons
    QVERIFY2(button && button->isEnabled(), qPrintable(file));
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY2(!dialog->isVisible(), qPrintable(file)); // still open: it refused the name
}

// How the named controls look, in these terms: "Box=text", "Combo#index", "Option on|off", then " disabled", " hidden".
inline QStringList looks(const QWidget *w, const QStringList &expected)
{
    QStringList shown;
    for (const QString &line : expected) {
        const QString name = line.section(u' ', 0, 0).section(u'=', 0, 0).section(u'#', 0, 0);
        const QWidget *c = child<QWidget>(w, name);
        QString look = name;
        if (!c)
            look += QStringLiteral(" missing");
        else if (auto *box = qobject_cast<const QLineEdit *>(c))
            look += u'=' + box->text();
        else if (auto *combo = qobject_cast<const QComboBox *>(c))
            look += u'#' + QString::number(combo->currentIndex());
        else if (auto *button = qobject_cast<const QAbstractButton *>(c); button && button->isCheckable())
            look += button->isChecked() ? QStringLiteral(" on") : QStringLiteral(" off");
        if (c && !c->isEnabled())
            look += QStringLiteral(" disabled");
        if (c && c->isHidden())
            look += QStringLiteral(" hidden");
        shown << look;
    }
    return shown;
}

// A list's rows, cells joined by "|".
inline QStringList entries(const QTreeWidget *list)
{
    QStringList rows;
    for (int k = 0; k < list->topLevelItemCount(); ++k) {
        QStringList cells;
        for (int column = 0; column < list->columnCount(); ++column)
            cells << list->topLevelItem(k)->text(column);
        rows << cells.join(u'|');
    }
    return rows;
}

// The focused widget's object name, "" when none.
inline QString focusName()
{
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
}

// Fails the running test and closes every modal when a message box stays unanswered for three seconds.
class StrayMessageWatchdog
{
public:
    StrayMessageWatchdog()
    {
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [stray = QPointer<QMessageBox>(), ticks = 0]() mutable {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ticks = box && box == stray ? ticks + 1 : 0;
            stray = box;
            if (ticks == 6) {
                QTest::qFail(qPrintable(QStringLiteral("unanswered message: ") + box->text()), __FILE__, __LINE__);
                closeAllModals();
            }
        });
        m_timer.start(500);
    }

private:
    QTimer m_timer;
};

} // namespace felcora::test
