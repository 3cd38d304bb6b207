#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "felcora/felcora_export.h"

class QComboBox;
class QEvent;
class QKeyEvent;
class QLineEdit;
class QListWidget;
class QMouseEvent;
class QWidget;

namespace felcora::controls {

// The common keyboard and focus behaviour of a window's text box: Enter and
// the arrow keys move between fields, the focused box is coloured and fully
// selected (but for a return from another window, a message say, which leaves
// the caret where it was), and the numeric keypad's decimal key types the user's decimal
// separator. A linked list box shows the entry under the mouse as its tooltip;
// a linked list or combo box can be positioned on a typed prefix.
//
// The object watches the boxes it links through an event filter and, when
// nobody owns it yet, becomes a child of the first control it links. A window
// links its boxes first and installs its own key preview afterwards, so the
// window sees every key before this object does.
class FELCORA_TESTS_EXPORT ClCntrl : public QObject
{
    Q_OBJECT
public:
    // Reads the user's decimal separator.
    explicit ClCntrl(QObject *parent = nullptr);

    // Chooses the first entry of the linked list box that begins with Valor,
    // letters compared without regard to case; none when no entry does.
    // Without a linked list box the call fails with error 91.
    void LstBuscarStr(const QString &Valor);
    // Reads the user's decimal separator again and answers it.
    QString Separador_Decimal();
    // Reads the user's decimal separator; when none can be read it says so
    // and the separator is "".
    void ObtenerDecimal();
    void sLinkText(QLineEdit *box);
    void sLinkListBox(QListWidget *list);
    // Empties every text box of the window, hidden and disabled ones too.
    static void VaciarTxt(QWidget *frm);
    QString Obtener_Sep_Decim();
    // As LstBuscarStr, for the linked combo box.
    void BuscarCBO(const QString &Valor);
    void sLinkCBoBox(QComboBox *combo);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void adoptBy(QObject *control);
    bool textEvent(QEvent *event);

    void vTextCtrl_KeyDown(int key);
    bool vTextCtrl_KeyPress(const QKeyEvent &key);
    void vTextCtrl_GotFocus(bool selectText);
    void vTextCtrl_LostFocus();
    void vListBox_MouseMove(const QMouseEvent &mouse);

    QPointer<QLineEdit> vTextCtrl;
    QPointer<QListWidget> vListBox;
    QPointer<QWidget> m_listViewport;
    QPointer<QComboBox> m_comboBox;
    QString m_separator;
    bool m_leftWithWindow = false; // the box lost the focus to another window
};

} // namespace felcora::controls
