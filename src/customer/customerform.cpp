#include "customer/customerform.h"

#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <memory>

#include "felcora/datetext.h"
#include "ui/handlerguard.h"
#include "ui/msgbox.h"
#include "ui/pointer.h"

namespace felcora::customer {

namespace {
const QString kZero = QStringLiteral("0");
}

void fillConditionList(QComboBox *list, const QStringList &entries)
{
    list->clear();
    list->addItems(entries);
    list->setCurrentIndex(-1);
}

QStringList mariaConditionTexts()
{
    return conditions::mariaTexts();
}

// The customs list's three, then the invoicing conditions of their own.
QStringList invoicingConditionTexts(const QString &exempt)
{
    return conditions::mariaTexts() + QStringList{exempt, QStringLiteral("consumidor Final"), kExemptWithVatText};
}

void showExemptValue(const QComboBox *invoicing, QWidget *label, QWidget *box)
{
    const bool shown = invoicing->currentText() == kExemptWithVatText;
    label->setVisible(shown);
    box->setVisible(shown);
}

OptionFrame::OptionFrame(QRadioButton *yes, QRadioButton *no, QLineEdit *value, QLineEdit *temporary)
    : QObject(yes)
    , m_yes(yes)
    , m_no(no)
    , m_value(value)
    , m_temporary(temporary)
{
    connect(yes, &QRadioButton::toggled, this, guarded(yes->window(), "OptionFrame_Click", [this] { apply(); }));
}

bool OptionFrame::isYes() const
{
    return m_yes->isChecked();
}

void OptionFrame::choose(bool yes)
{
    (yes ? m_yes : m_no)->setChecked(true);
}

void OptionFrame::apply()
{
    const bool yes = isYes();
    m_value->setEnabled(yes);
    if (m_temporary)
        m_temporary->setEnabled(yes);
    if (!yes)
        m_value->setText(kZero);
}

StartDateBox::StartDateBox(QLineEdit *box)
    : QObject(box)
{
    box->installEventFilter(this);
}

bool StartDateBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::FocusOut)
        return false;
    // A box being destroyed is no longer a line edit: it is not being left.
    auto *box = qobject_cast<QLineEdit *>(watched);
    if (!box)
        return false;
    // Only a move to another control of the open window counts: a menu or
    // another window taking the focus for a while, or the window closing, does not.
    const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason || !box->window()->isVisible())
        return false;
    guardHandler(box->window()->objectName(), "TxtIniactiv_LostFocus", [box] { left(box); });
    return false;
}

void StartDateBox::left(QLineEdit *box)
{
    const QString text = box->text();
    if (const auto date = DateText::parse(text))
        box->setText(DateText::display(*date));
    else if (!text.isEmpty())
        MsgBox(QStringLiteral("Fecha invalida!"), vbExclamation);
}

CuitBox::CuitBox(QLineEdit *box)
    : QObject(box)
{
    box->installEventFilter(this);
}

bool CuitBox::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = qobject_cast<QLineEdit *>(watched);
    if (!box || box->isReadOnly())
        return false;
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste)) {
        guardHandler(box->window()->objectName(), "TxtCuit_Paste", [box] { paste(box); });
        return true;
    }
    if (event->type() != QEvent::ContextMenu)
        return false;
    // The box's own menu, with its paste taking the dashes out too.
    const std::unique_ptr<QMenu> menu(box->createStandardContextMenu());
    for (QAction *action : menu->actions()) {
        if (action->objectName() != u"edit-paste")
            continue;
        action->disconnect();
        connect(action, &QAction::triggered, box, guarded(box->window(), "TxtCuit_Paste", [box] { paste(box); }));
    }
    menu->exec(static_cast<QContextMenuEvent *>(event)->globalPos());
    return true;
}

void CuitBox::paste(QLineEdit *box)
{
    const QString pasted = QGuiApplication::clipboard()->text().trimmed();
    box->insert(QString(pasted).remove(kDash));
}

void showRefusal(const QString &text)
{
    MsgBox(text, vbExclamation);
}

bool askToGoOn(const SaveObjection &objection)
{
    const bool yes = objection.kind == SaveObjection::Doubt ? confirmedAgainstDefault(objection.text)
                                                            : MsgBox(objection.text, vbYesNo + vbExclamation) == vbYes;
    if (yes)
        return true;
    showArrowPointer();
    return false;
}

bool moveOnWithEnter(QWidget *control, const QKeyEvent *key)
{
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(control, &tab);
    return true;
}

} // namespace felcora::customer
