#include "controls/clcntrl.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMouseEvent>

#include "core/errortrap.h"
#include "felcora/error.h"
#include "ui/handlerguard.h"
#include "ui/msgbox.h"

namespace felcora::controls {

namespace {

const QString kClass = QStringLiteral("ClCntrl");

// The box's Tag steers its focus colouring.
constexpr char kTagProperty[] = "Tag";
constexpr QLatin1String kTagF6Suffix("#F6");
constexpr QLatin1String kTagNoColourPrefix("BB");

constexpr QRgb kFocusColour = qRgb(192, 255, 192);
constexpr QRgb kFocusColourF6 = qRgb(254, 228, 214);
constexpr QRgb kLeftColour = qRgb(255, 255, 255);

constexpr int kNoEntry = -1;
constexpr int kFirstMatchOnly = 1;

void setBackground(QLineEdit *box, QRgb colour)
{
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, QColor(colour));
    box->setPalette(palette);
}

// Moves the focus on from the box as Tab (forward) or Shift+Tab would, so the
// toolkit's own tab order decides where it lands.
void moveFocus(QLineEdit *box, bool forward)
{
    QKeyEvent tab(QEvent::KeyPress, forward ? Qt::Key_Tab : Qt::Key_Backtab,
                  forward ? Qt::NoModifier : Qt::ShiftModifier);
    QCoreApplication::sendEvent(box, &tab);
}

// The text box inside a combo or spin box is part of that control, not a text
// box of the window.
bool isPartOfOtherControl(const QLineEdit *box)
{
    const QWidget *parent = box->parentWidget();
    return qobject_cast<const QComboBox *>(parent) || qobject_cast<const QAbstractSpinBox *>(parent);
}

} // namespace

ClCntrl::ClCntrl(QObject *parent)
    : QObject(parent)
{
    ObtenerDecimal();
}

void ClCntrl::LstBuscarStr(const QString &Valor)
{
    if (!vListBox)
        throw objectNotSet(kClass, QStringLiteral("vListBox"));
    QAbstractItemModel *model = vListBox->model();
    const QModelIndexList found
        = model->match(model->index(0, 0), Qt::DisplayRole, Valor, kFirstMatchOnly, Qt::MatchStartsWith);
    vListBox->setCurrentRow(found.isEmpty() ? kNoEntry : found.first().row());
}

QString ClCntrl::Separador_Decimal()
{
    ObtenerDecimal();
    return m_separator;
}

void ClCntrl::ObtenerDecimal()
{
    m_separator = QLocale().decimalPoint();
    if (m_separator.isEmpty())
        MsgBox(QStringLiteral("No se puedo obtener la información"), vbOKOnly);
}

void ClCntrl::sLinkText(QLineEdit *box)
{
    if (vTextCtrl)
        vTextCtrl->removeEventFilter(this);
    vTextCtrl = box;
    if (!box)
        return;
    box->installEventFilter(this);
    adoptBy(box);
}

void ClCntrl::sLinkListBox(QListWidget *list)
{
    if (m_listViewport)
        m_listViewport->removeEventFilter(this);
    vListBox = list;
    m_listViewport = list ? list->viewport() : nullptr;
    if (!list)
        return;
    // Mouse moves arrive at the viewport, those without a button only while
    // it tracks the mouse. Its entries have no tooltip of their own, so the
    // view shows the list box's.
    m_listViewport->setMouseTracking(true);
    m_listViewport->installEventFilter(this);
    adoptBy(list);
}

void ClCntrl::VaciarTxt(QWidget *frm)
{
    for (QLineEdit *box : frm->findChildren<QLineEdit *>()) {
        if (!isPartOfOtherControl(box))
            box->setText(QString());
    }
}

QString ClCntrl::Obtener_Sep_Decim()
{
    return Separador_Decimal();
}

void ClCntrl::BuscarCBO(const QString &Valor)
{
    if (!m_comboBox)
        throw objectNotSet(kClass, QStringLiteral("ComboBox"));
    m_comboBox->setCurrentIndex(m_comboBox->findText(Valor, Qt::MatchStartsWith));
}

void ClCntrl::sLinkCBoBox(QComboBox *combo)
{
    m_comboBox = combo;
    if (combo)
        adoptBy(combo);
}

void ClCntrl::adoptBy(QObject *control)
{
    if (!parent())
        setParent(control);
}

bool ClCntrl::eventFilter(QObject *watched, QEvent *event)
{
    // A control that is being destroyed is no longer of its own class and
    // gets no more behaviour.
    if (auto *box = qobject_cast<QLineEdit *>(watched); box && box == vTextCtrl)
        return textEvent(event);
    if (watched == m_listViewport && event->type() == QEvent::MouseMove
        && qobject_cast<QListWidget *>(watched->parent())) {
        try {
            vListBox_MouseMove(*static_cast<QMouseEvent *>(event));
        } catch (const std::exception &) {
            MsgBox(currentError().description(), vbOKOnly);
        }
    }
    return false;
}

bool ClCntrl::textEvent(QEvent *event)
{
    bool swallowed = false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto &key = *static_cast<QKeyEvent *>(event);
        guardHandler(kClass, "vTextCtrl_KeyDown", [&] { vTextCtrl_KeyDown(key.key()); });
        guardHandler(kClass, "vTextCtrl_KeyPress", [&] { swallowed = vTextCtrl_KeyPress(key); });
        break;
    }
    // A popup (the box's own context menu) takes the focus only for a moment
    // and gives it back to the box: the box keeps its colour and selection.
    case QEvent::FocusIn: {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::PopupFocusReason)
            break;
        // Back in the box it had when another window (a message) took over,
        // the user goes on typing where the caret was: nothing is selected.
        const bool backFromWindow = m_leftWithWindow && reason == Qt::ActiveWindowFocusReason;
        m_leftWithWindow = false;
        // The box's own focus handling comes first: a masked box moves its
        // cursor there, which would undo the selection made here.
        vTextCtrl->event(event);
        guardHandler(kClass, "vTextCtrl_GotFocus", [&] { vTextCtrl_GotFocus(!backFromWindow); });
        return true;
    }
    case QEvent::FocusOut: {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        m_leftWithWindow = reason == Qt::ActiveWindowFocusReason;
        if (reason != Qt::PopupFocusReason)
            guardHandler(kClass, "vTextCtrl_LostFocus", [this] { vTextCtrl_LostFocus(); });
        break;
    }
    default: break;
    }
    return swallowed;
}

// Up and Down move between fields; the key itself goes on to the box.
void ClCntrl::vTextCtrl_KeyDown(int key)
{
    if (key == Qt::Key_Up)
        moveFocus(vTextCtrl, false);
    else if (key == Qt::Key_Down)
        moveFocus(vTextCtrl, true);
}

// Answers whether the key is used up here.
bool ClCntrl::vTextCtrl_KeyPress(const QKeyEvent &key)
{
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
        moveFocus(vTextCtrl, true);
        return true;
    }
    // The keypad's decimal key types the user's separator; the main
    // keyboard's "." stays a point.
    const bool keypadDecimal = key.key() == Qt::Key_Period && key.modifiers().testFlag(Qt::KeypadModifier);
    if (!keypadDecimal || key.text().isEmpty() || m_separator.isEmpty() || m_separator.front() == u'.')
        return false;
    const QChar typed = m_separator.front();
    QKeyEvent replaced(QEvent::KeyPress, typed.toUpper().unicode(), key.modifiers(), QString(typed), key.isAutoRepeat(),
                       key.count());
    QCoreApplication::sendEvent(vTextCtrl, &replaced);
    return true;
}

void ClCntrl::vTextCtrl_GotFocus(bool selectText)
{
    const QString tag = vTextCtrl->property(kTagProperty).toString();
    if (tag.endsWith(kTagF6Suffix))
        setBackground(vTextCtrl, kFocusColourF6);
    else if (!tag.startsWith(kTagNoColourPrefix))
        setBackground(vTextCtrl, kFocusColour);
    else
        return;
    if (selectText)
        vTextCtrl->selectAll();
}

void ClCntrl::vTextCtrl_LostFocus()
{
    if (!vTextCtrl->property(kTagProperty).toString().startsWith(kTagNoColourPrefix))
        setBackground(vTextCtrl, kLeftColour);
}

// The entry under the mouse becomes the list box's tooltip, whole even when
// the list is too narrow to show it; outside every entry there is none.
void ClCntrl::vListBox_MouseMove(const QMouseEvent &mouse)
{
    if (mouse.buttons() != Qt::NoButton)
        return;
    const QListWidgetItem *item = vListBox->itemAt(mouse.position().toPoint());
    vListBox->setToolTip(item ? item->text() : QString());
}

} // namespace felcora::controls
