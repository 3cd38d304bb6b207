#include "grossincome/grossincome.h"

#include <QScreen>

#include "core/grossincomestore.h"
#include "grossincome/grossincomewindow.h"
#include "grossincome/jurisdictionlinewindow.h"
#include "ui/windows.h"

namespace felcora::grossincome {

void showGrossIncome(const GrossIncomeStore &store, const QString &cuit, QWidget *owner)
{
    const LoadedWindow<FrmIngresosBrutos> window(QStringLiteral("FrmIngresosBrutos"));
    window->load(store, cuit);
    if (owner)
        window->move(owner->frameGeometry().center() - window->rect().center());
    window->activate();
    window->exec();
}

bool showJurisdictionLine(const GrossIncomeStore &store, const QString &cuit, const QString &jurisdiction)
{
    // The answer lives here: the window may be gone by the time exec() returns.
    bool saved = false;
    const LoadedWindow<frmAMBIB> window(QStringLiteral("frmAMBIB"));
    window->load(store, cuit, jurisdiction, &saved);
    if (const QScreen *screen = window->screen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    window->activate();
    window->exec();
    return saved;
}

} // namespace felcora::grossincome
