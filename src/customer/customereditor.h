#pragma once

#include <QComboBox>

#include "core/customerstore.h"
#include "customer/customerform.h"
#include "felcora/felcora_export.h"
#include "ui/handlerguard.h"
#include "ui/modalwindow.h"

namespace felcora::customer {

// Where an editor writes how its opening ended: where the opener keeps it
// once the load step names that place, and a place of its own until then.
template <class Outcome> class OutcomeSlot
{
public:
    OutcomeSlot() = default;
    OutcomeSlot(const OutcomeSlot &) = delete;
    OutcomeSlot &operator=(const OutcomeSlot &) = delete;

    void setTarget(Outcome *outcome) { m_target = outcome; }
    Outcome *operator->() const { return m_target; }

private:
    Outcome m_unused;
    Outcome *m_target = &m_unused;
};

// What the two customer editors share: the store they save through, the two
// option frames, and their keys: F11 saves, Esc leaves without saving, and
// so does the title bar's close. Every other key is the window's own.
class FELCORA_TESTS_EXPORT CustomerEditor : public ModalWindow
{
    Q_OBJECT
public:
    using ModalWindow::ModalWindow;

    // Checks the customer typed and saves it.
    virtual void lpGuardar() = 0;

protected:
    virtual void leaveWithoutSaving() = 0;
    // A key other than F11 and Esc (see formKeyDown).
    virtual bool editorKeyDown(QObject *watched, const QKeyEvent *key) = 0;

    bool formKeyDown(QObject *watched, const QKeyEvent *key) final;
    void leftByTitleBar() final { leaveWithoutSaving(); }

    // The form's set-up both editors begin with: the CUIT box, the option
    // frames (with their temporary values' boxes only withTemporaryValues),
    // the start-date box, and the exempt value shown with its entry of the
    // invoicing list.
    template <class Form> void setUpForm(Form &ui, bool withTemporaryValues)
    {
        ui.setupUi(this);
        new CuitBox(ui.TxtCuit);
        m_eximGan
            = new OptionFrame(ui.EXIMGANS, ui.EXIMGANN, ui.TxtEximGan, withTemporaryValues ? ui.TxtTemp : nullptr);
        m_reduction = new OptionFrame(ui.OpIVAREDS, ui.OpIVAREDN, ui.TxtIvaReduccion,
                                      withTemporaryValues ? ui.TxtIvaTemp : nullptr);
        new StartDateBox(ui.TxtIniactiv);
        connect(ui.cboIVAFACTU, &QComboBox::currentIndexChanged, this, guarded(this, "cboIVAFACTU_Click", [form = &ui] {
                    showExemptValue(form->cboIVAFACTU, form->lbIvaExento, form->txtIvaExcento);
                }));
    }

    // The store of this opening; the fee's box is shown where the store keeps the fee.
    template <class Form> void useStore(const CustomerStore &store, Form &ui)
    {
        m_store = store;
        ui.lbHonorario->setVisible(store.keepsFee());
        ui.txtHonorario->setVisible(store.keepsFee());
    }

    // The customer as the form's boxes hold it now (see typedCustomer).
    template <class Form> CustomerRecord typedIn(const Form &ui) const
    {
        return typedCustomer(ui, *m_eximGan, *m_reduction);
    }

    CustomerStore m_store;
    OptionFrame *m_eximGan = nullptr;
    OptionFrame *m_reduction = nullptr;
};

} // namespace felcora::customer
