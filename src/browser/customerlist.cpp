#include "browser/customerlist.h"

#include "browser/customerlistwindow.h"
#include "core/customerstore.h"
#include "ui/windows.h"

namespace felcora::browser {

std::optional<CustomerPick> showCustomerList(const CustomerStore &store, bool picking, const MakeEditors &makeEditors)
{
    const LoadedWindow<FrmABMClientes> window(QStringLiteral("FrmABMClientes"));
    window->setStore(store, picking, makeEditors);
    window->fill();
    window->exec();
    return window ? window->pick() : std::nullopt;
}

} // namespace felcora::browser
