#pragma once

#include <memory>

#include "core/grossincomestore.h"
#include "ui/modalwindow.h"

namespace Ui {
class frmAMBIB;
}

namespace felcora::grossincome {

// The editor of one distribution line: the jurisdiction, its share and the
// exempt flag. F11 saves (a new line when the tag is empty, the tag's line
// otherwise), Esc leaves.
class FELCORA_TESTS_EXPORT frmAMBIB : public ModalWindow
{
    Q_OBJECT
public:
    frmAMBIB();
    ~frmAMBIB() override;

    // The store, the customer, the tag (the line's jurisdiction, or empty for a new line),
    // and where the answer goes: whether a save changed a row.
    void load(const GrossIncomeStore &store, const QString &cuit, const QString &tag, bool *saved);
    // The first activation: the jurisdictions, then the tag's line.
    void activate();

    void lp_CargarNuevo();
    void lp_CargarExistente();
    bool f_Agregar();
    bool f_Modificar();

protected:
    bool formKeyDown(QObject *watched, const QKeyEvent *key) override;

private:
    // The chosen jurisdiction's number; empty when none is chosen.
    QString chosenJurisdiction() const;
    bool shareIsNumeric() const;

    std::unique_ptr<Ui::frmAMBIB> ui;
    GrossIncomeStore m_store{StoreContext()}; // no data access until load()
    QString m_cuit;
    QString m_tag;
    bool *m_saved = nullptr;
    bool m_unused = false; // where the answer goes before load()
    bool m_loaded = false;
};

} // namespace felcora::grossincome
