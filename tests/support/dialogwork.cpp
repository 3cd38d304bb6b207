#include "support/dialogwork.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <limits>

#include "support/typing.h"

namespace felcora::test {

MessageBoxes::MessageBoxes(Buttons answers)
    : m_answers(std::move(answers))
{
    awaitNext();
}

void MessageBoxes::awaitNext()
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

void reactivate(QWidget *w)
{
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
}

void edit(QWidget *w, const QStringList &steps)
{
    for (const QString &step : steps) {
        reactivate(w);
        const qsizetype equals = step.indexOf(u'='), paste = step.indexOf(u'<');
        if (equals > 0 || paste > 0) {
            const qsizetype at = equals > 0 ? equals : paste;
            QLineEdit *box = child(w, step.left(at));
            QVERIFY2(box && box->isEnabled() && box->isVisible(), qPrintable(step));
            QTest::mouseClick(box, Qt::LeftButton);
            pressKey(Qt::Key_A, Qt::ControlModifier);
            pressKey(Qt::Key_Backspace);
            if (equals > 0) {
                typeText(step.mid(at + 1));
            } else {
                QGuiApplication::clipboard()->setText(step.mid(at + 1));
                pressKey(Qt::Key_V, Qt::ControlModifier);
            }
        } else if (const qsizetype hash = step.indexOf(u'#'); hash > 0) {
            child<QComboBox>(w, step.left(hash))->setFocus(Qt::TabFocusReason);
            pressKey(Qt::Key_Home);
            for (int down = step.mid(hash + 1).toInt(); down > 0; --down)
                pressKey(Qt::Key_Down);
        } else { // near the left edge: an option's clickable part is its mark and caption
            QWidget *control = child<QWidget>(w, step);
            QVERIFY2(control, qPrintable(step));
            QTest::mouseClick(control, Qt::LeftButton, {}, {control->height() / 2, control->height() / 2});
        }
    }
}

void chooseFile(QFileDialog *dialog, const QString &file)
{
    auto *name = child(dialog, QStringLiteral("fileNameEdit"));
    // A new name drops the list's selection for the old one (which the dialog would return over the box)
    // only while the box has the focus, and the box takes it when the dialog is activated: wait for it.
    QVERIFY2(name && QTest::qWaitFor([name] { return name->hasFocus(); }), "the file name box never had the focus");
    // Set, not typed: the name completion's list would fill in as the folder is read and take the click.
    name->setText(file);
    const auto role = dialog->acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save : QDialogButtonBox::Open;
    auto *buttons = dialog->findChild<QDialogButtonBox *>();
    QPushButton *button = buttons ? buttons->button(role) : nullptr;
    QVERIFY2(button && button->isEnabled(), qPrintable(file));
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY2(!dialog->isVisible(), qPrintable(file)); // still open: it refused the name
}

QStringList looks(const QWidget *w, const QStringList &expected)
{
    QStringList shown;
    for (const QString &line : expected) {
        const QString name = line.section(u' ', 0, 0).section(u'=', 0, 0).section(u'#', 0, 0);
        const QWidget *c = child<QWidget>(w, name);
        if (!c) {
            shown << name + QStringLiteral(" missing");
            continue;
        }
        QString look = name;
        if (auto *box = qobject_cast<const QLineEdit *>(c))
            look += u'=' + box->text();
        else if (auto *combo = qobject_cast<const QComboBox *>(c))
            look += u'#' + QString::number(combo->currentIndex());
        else if (auto *button = qobject_cast<const QAbstractButton *>(c); button && button->isCheckable())
            look += button->isChecked() ? QStringLiteral(" on") : QStringLiteral(" off");
        if (!c->isEnabled())
            look += QStringLiteral(" disabled");
        if (c->isHidden())
            look += QStringLiteral(" hidden");
        shown << look;
    }
    return shown;
}

QStringList entries(const QTreeWidget *list)
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

QString focusName()
{
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
}

StrayMessageWatchdog::StrayMessageWatchdog()
{
    constexpr int kWatchMs = 500, kStrayTicks = 6;
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        m_strayTicks = box && box == m_stray ? m_strayTicks + 1 : 0;
        m_stray = box;
        if (m_strayTicks == kStrayTicks) {
            QTest::qFail(qPrintable(QStringLiteral("unanswered message: ") + box->text()), __FILE__, __LINE__);
            closeAllModals();
        }
    });
    m_timer.start(kWatchMs);
}

} // namespace felcora::test
