#include "printdesk.h"

#include "felcora/error.h"
#include "printdesk/catalogue.h"
#include "printdesk/picklistdialog.h"

namespace felcora::hostkit {

namespace {

// A pick window: the operation that opens it (named in its errors), its title
// and the catalogue table it lists by its code column.
struct PickWindow
{
    const char *operation;
    const char *title;
    const char *table;
    const char *codeColumn;
};
constexpr PickWindow kBenefitRegimes{"getVentajasListado", "Ventajas", "Ventajas", "IdVentaja"};
constexpr PickWindow kSubRegimes{"getSubRegimenListado", "Sub Regímenes", "SubRegimenes", "IdSubRegimen"};

// The code picked in the window, "" when it was closed without a pick.
QString pick(QObject *dataAccessObject, const PickWindow &window)
{
    // An object that is not a data access (or one that has gone) is as good as none.
    auto *dataAccess = qobject_cast<IDataAccess *>(dataAccessObject);
    if (!dataAccess)
        throw objectNotSet(QStringLiteral("oPrintDesk.cMain.") + QLatin1StringView(window.operation),
                           QStringLiteral("DataAccess"));
    PickListDialog dialog(
        QString::fromUtf8(window.title),
        readCatalogue(*dataAccess, QString::fromLatin1(window.table), QString::fromLatin1(window.codeColumn)));
    return dialog.exec() == QDialog::Accepted ? dialog.chosenCode() : QString();
}

} // namespace

PrintDesk::PrintDesk(QObject *parent)
    : QObject(parent)
{
}

void PrintDesk::SetDataAccess(QObject *&dataAccess)
{
    m_dataAccess = dataAccess;
}

QString PrintDesk::getSubRegimenListado()
{
    return pick(m_dataAccess.data(), kSubRegimes);
}
QString PrintDesk::getVentajasListado()
{
    return pick(m_dataAccess.data(), kBenefitRegimes);
}

} // namespace felcora::hostkit
