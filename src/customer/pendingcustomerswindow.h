#pragma once

#include <memory>

#include "core/customerrecord.h"
#include "core/customerstore.h"
#include "felcora/felcora_export.h"
#include "ui/modalwindow.h"

namespace Ui {
class frmListadeClientesPendientes;
}

namespace felcora::customer {

// The agents of the accounting database that are not customers yet: the
// user double-clicks one (or presses Enter on it) to take it, or leaves with
// Esc. Its fields are kept by the opener, as they outlive the window.
class FELCORA_TESTS_EXPORT frmListadeClientesPendientes : public ModalWindow
{
    Q_OBJECT
public:
    frmListadeClientesPendientes();
    ~frmListadeClientesPendientes() override;

    // The load step: no pick yet in this opening; the list filled unless it is.
    void load(const CustomerStore &store, PendingImport &fields);
    // The activation step: a list the load step could not fill is tried again.
    void activate();

    // Fills the list from the accounting database. A failure comes back as
    // the compatibility error, which names the accounting system.
    void controladorCargarClientes();
    // Takes the selected row and closes the window; nothing without rows.
    void seleccionar();

protected:
    bool formKeyDown(QObject *watched, const QKeyEvent *key) override;
    void leftByTitleBar() override { leaveWithoutPick(); }

private:
    void leaveWithoutPick();

    std::unique_ptr<Ui::frmListadeClientesPendientes> ui;
    CustomerStore m_store;
    PendingImport *m_fields = nullptr;
    PendingImport m_unused; // where the fields go before load()
};

} // namespace felcora::customer
