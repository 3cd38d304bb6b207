#pragma once

#include <QHash>
#include <memory>
#include <optional>

#include "core/grossincomerules.h"
#include "core/grossincomestore.h"
#include "grossincome/grossincome.h"
#include "ui/modalwindow.h"

namespace Ui {
class FrmIngresosBrutos;
}

namespace felcora::grossincome {

class DistributionModel;

// One customer's gross-income tax: its condition, the Convenio Multilateral,
// its inscription number and its distribution lines. Insert adds a line,
// Enter changes the selected one, Delete removes it, Esc checks and stores
// the customer's columns and leaves.
class FELCORA_TESTS_EXPORT FrmIngresosBrutos : public ModalWindow
{
    Q_OBJECT
public:
    FrmIngresosBrutos();
    ~FrmIngresosBrutos() override;

    // The customer (the tag) and the store the window reads and writes through.
    void load(const GrossIncomeStore &store, const QString &cuit);
    // The activation: loads what an opening or a line editor left to load.
    void activate();

    void CargarDatos();
    void CargarDIB();
    QString f_Provincia(const QString &p_Nro);
    void lpBloquear(qint16 p_Valor);
    void lpNuevo();
    void lpModificar();
    void lpEliminar();
    void SaliryGuardar();

protected:
    bool formKeyDown(QObject *watched, const QKeyEvent *key) override;

private:
    bool listHasLines() const;
    QString selectedJurisdiction() const;
    void showTotal(double total);
    bool saveAndLeave();
    void leave();

    std::unique_ptr<Ui::FrmIngresosBrutos> ui;
    DistributionModel *m_model;
    GrossIncomeStore m_store{StoreContext()}; // no data access until load()
    QString m_tag;
    bool m_loaded = false;
    bool m_lineSaved = false; // the line editor's last answer
    // The customer's columns as last loaded: what the save expects to find stored.
    std::optional<GrossIncomeData> m_expected;
    // The jurisdictions' names, read once per opening.
    std::optional<QHash<QString, QString>> m_names;
};

} // namespace felcora::grossincome
