#include "grossincome/grossincome.h"

#include <QScreen>

#include "grossincome/grossincomewindow.h"
#include "grossincome/jurisdictionlinewindow.h"
#include "ui/windows.h"

namespace felcora::grossincome {

void showGrossIncome(const GrossIncomeSession &session, const QString &cuit, QWidget *owner)
{
    const LoadedWindow<FrmIngresosBrutos> window(QStringLiteral("FrmIngresosBrutos"));
    window->load(session, cuit);
    if (owner)
        window->move(owner->frameGeometry().center() - window->rect().center());
    window->activate();
    window->exec();
}

bool showJurisdictionLine(const GrossIncomeSession &session, const QString &cuit, const QString &jurisdiction)
{
    // The answer lives here: the window may be gone by the time exec() returns.
    bool saved = false;
    const LoadedWindow<frmAMBIB> window(QStringLiteral("frmAMBIB"));
    window->load(session, cuit, jurisdiction, &saved);
    if (const QScreen *screen = window->screen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    window->activate();
    window->exec();
    return saved;
}

} // namespace felcora::grossincome
