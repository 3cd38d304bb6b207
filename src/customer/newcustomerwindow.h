#pragma once

#include <QDialog>
#include <memory>

#include "core/customerrecord.h"
#include "customer/newcustomer.h"
#include "felcora/felcora_export.h"

namespace Ui {
class FrmNewCliente;
}

namespace felcora::customer {

class OptionFrame;

// The new-customer window: the user types a customer, or takes one pending
// in the accounting database, and saves it (F11) or leaves (Esc).
class FELCORA_TESTS_EXPORT FrmNewCliente : public QDialog
{
    Q_OBJECT
public:
    FrmNewCliente();
    ~FrmNewCliente() override;

    // The load step: the fee by the session, the linked boxes and the two
    // condition lists at their first entry. The outcome is written where the
    // opener keeps it.
    void load(const EditorSession &session, NewCustomerOutcome *outcome);

    // The customer as the boxes hold it now (see typedCustomer).
    CustomerRecord typed() const;

    void lpGuardar();
    void ControladorClientesPendientes();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    bool formKeyDown(QObject *watched, const QKeyEvent *key);
    void leaveWithoutSaving();
    void unload();

    std::unique_ptr<Ui::FrmNewCliente> ui;
    OptionFrame *m_eximGan = nullptr;
    OptionFrame *m_reduction = nullptr;
    EditorSession m_session;
    NewCustomerOutcome *m_outcome = nullptr;
    NewCustomerOutcome m_unused; // where the outcome goes before load()
    PendingImport m_pendingForThisOpening; // when the session keeps none
    bool m_unloading = false;
};

} // namespace felcora::customer
