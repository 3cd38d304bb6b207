#include "basdrlistadoclientes.h"

#include <QPointer>

#include "../entry/componentstate.h"
#include "../entry/statements.h"
#include "../entry/windowsupport.h"
#include "drlistadoclientes.h"
#include "felcora/customerlistpdf.h"
#include "felcora/hostcomponents.h"

namespace felcora::browser {

QString customerReportSql()
{
    return QStringLiteral("select Nombre, Cuit, Domicilio , Email, Telefonos From clientes order by Nombre");
}

std::unique_ptr<IRecordset> readCustomerReport(IDataAccess &broker)
{
    return openQuery(broker, QStringLiteral("PERSONAL"), customerReportSql());
}

void ImprimirListadoClientes()
{
    guardHandler(QStringLiteral("basDrListadoClientes"), "ImprimirListadoClientes", [] {
        std::unique_ptr<IRecordset> rs = readCustomerReport(state().broker());
        const QPointer<Dr_ListadoClientes> report = sharedWindow<Dr_ListadoClientes>(QStringLiteral("Dr_ListadoClientes"));
        try {
            report->bind(std::move(rs));
            report->exec();
        } catch (...) {
            releaseWindow(report);
            throw;
        }
        releaseWindow(report);
    });
}

} // namespace felcora::browser

namespace felcora {

int writeCustomerListPdf(IDataAccess &broker, const QString &path)
{
    std::unique_ptr<IRecordset> rs = browser::readCustomerReport(broker);
    const auto document = report::ReportDocument::layOut(browser::customerListReport(), *rs);
    rs.reset();
    report::writePdf(*document, path);
    return document->pageCount();
}

} // namespace felcora
