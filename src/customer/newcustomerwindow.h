#pragma once

#include <memory>

#include "core/customerrecord.h"
#include "core/customerstore.h"
#include "customer/newcustomer.h"
#include "felcora/felcora_export.h"
#include "ui/modalwindow.h"

namespace Ui {
class FrmNewCliente;
}

namespace felcora::customer {

class OptionFrame;

// The new-customer window: the user types a customer, or takes one pending
// in the accounting database, and saves it (F11) or leaves (Esc).
class FELCORA_TESTS_EXPORT FrmNewCliente : public ModalWindow
{
    Q_OBJECT
public:
    FrmNewCliente();
    ~FrmNewCliente() override;

    // The load step: the fee by the store, the linked boxes and the two
    // condition lists at their first entry. The outcome is written where the
    // opener keeps it.
    void load(const CustomerStore &store, NewCustomerOutcome *outcome);

    // The customer as the boxes hold it now (see typedCustomer).
    CustomerRecord typed() const;

    void lpGuardar();
    void ControladorClientesPendientes();

protected:
    bool formKeyDown(QObject *watched, const QKeyEvent *key) override;
    void leftByTitleBar() override { leaveWithoutSaving(); }

private:
    void leaveWithoutSaving();

    std::unique_ptr<Ui::FrmNewCliente> ui;
    OptionFrame *m_eximGan = nullptr;
    OptionFrame *m_reduction = nullptr;
    CustomerStore m_store;
    NewCustomerOutcome *m_outcome = nullptr;
    NewCustomerOutcome m_unused;           // where the outcome goes before load()
    PendingImport m_pendingForThisOpening; // when the store keeps none
};

} // namespace felcora::customer
