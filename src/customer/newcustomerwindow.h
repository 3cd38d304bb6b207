#pragma once

#include <memory>
#include <optional>

#include "core/customerrecord.h"
#include "core/customerstore.h"
#include "customer/customereditor.h"
#include "customer/newcustomer.h"
#include "felcora/felcora_export.h"

namespace Ui {
class FrmNewCliente;
}

namespace felcora::customer {

// The new-customer window: the user types a customer, or takes one pending
// in the accounting database, and saves it (F11) or leaves (Esc).
class FELCORA_TESTS_EXPORT FrmNewCliente : public CustomerEditor
{
    Q_OBJECT
public:
    FrmNewCliente();
    ~FrmNewCliente() override;

    // The load step: the fee by the store, the linked boxes and the two
    // condition lists at their first entry. The outcome is written where the
    // opener keeps it; a valid CUIT typed is looked up with lookUp.
    void load(const CustomerStore &store, NewCustomerOutcome *outcome, const RegisterLookup &lookUp);

    // The customer as the boxes hold it now (see typedCustomer).
    CustomerRecord typed() const;

    void lpGuardar() override;
    void ControladorClientesPendientes();

protected:
    void leaveWithoutSaving() override;
    // A dash typed in the CUIT box, and Enter moving on.
    bool editorKeyDown(QObject *watched, const QKeyEvent *key) override;

private:
    // The CUIT changed: what the register filled for the previous one goes
    // (where the user left it untouched), and a valid CUIT is looked up.
    void cuitChanged();
    void withdrawRegisterFill();
    void fillFromRegister(const taxregister::RegisterAnswer &answer);

    std::unique_ptr<Ui::FrmNewCliente> ui;
    OutcomeSlot<NewCustomerOutcome> m_outcome;
    PendingImport m_pendingForThisOpening; // when the store keeps none

    RegisterLookup m_lookUp;
    // What the register filled in, for as long as it may be redone: the name
    // as filled, and the MARIA condition as it was before the proposal.
    std::optional<QString> m_filledName;
    std::optional<int> m_vatBeforeProposal;
    // The user chose the MARIA condition: the register proposes none from then on.
    bool m_vatChosen = false;
};

} // namespace felcora::customer
