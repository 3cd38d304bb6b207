#pragma once

#include <memory>

#include "core/customerrecord.h"
#include "core/customerstore.h"
#include "customer/customereditor.h"
#include "customer/modifycustomer.h"
#include "felcora/felcora_export.h"

namespace Ui {
class FrmModCliente;
}

namespace felcora::customer {

// The modify-customer window: one customer's row, its save (F11), and its
// benefit relations.
class FELCORA_TESTS_EXPORT FrmModCliente : public CustomerEditor
{
    Q_OBJECT
public:
    FrmModCliente();
    ~FrmModCliente() override;

    // The load step: what the store decides (the fee, the gross-income
    // button), the linked boxes and the condition lists. The outcome is
    // written where the opener keeps it.
    void load(const CustomerStore &store, ModifyOutcome *outcome);
    // Fills the boxes from the customer's row; the row's CUIT becomes the tag.
    void fill(const CustomerRecord &row);
    // The first activation: the benefit relations are listed once.
    void activate();

    // The customer as the boxes hold it now: texts as typed, the chosen
    // conditions as their letters ("" for none), the frames and the check box as S or N.
    CustomerRecord typed() const;
    // The CUIT the customer was loaded with: the key of the save, of the
    // benefit relations and of the gross-income window, whatever the CUIT box holds.
    const QString &tag() const { return m_loaded.cuit; }

    void lpGuardar() override;
    void CargarListaVentajasRel();
    void EliminarItemVentajasRel();

protected:
    void leaveWithoutSaving() override;
    // Delete in the benefit list, and Enter moving on.
    bool editorKeyDown(QObject *watched, const QKeyEvent *key) override;

private:
    void addBenefitTie();
    void openGrossIncome();

    std::unique_ptr<Ui::FrmModCliente> ui;
    OutcomeSlot<ModifyOutcome> m_outcome;
    // The customer as loaded (what the user changed is told against it), and
    // as the save expects to find it stored: as loaded, or as another
    // workstation left it when the user chose to save over that.
    CustomerRecord m_loaded;
    CustomerRecord m_expected;
    bool m_listLoaded = false;
};

} // namespace felcora::customer
