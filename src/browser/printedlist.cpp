#include "browser/printedlist.h"

#include "core/customerstore.h"
#include "felcora/customerlistpdf.h"
#include "felcora/hostcomponents.h"
#include "ui/handlerguard.h"
#include "ui/windows.h"

namespace felcora::browser {

namespace {

enum Font { kReportFont, kTitleFont, kHeadingFont, kFooterFont };
const QColor kHeadingBackground(224, 224, 224);

// One column: its heading in the page header, its field in the detail.
struct Column
{
    const char *heading;
    int headingLeft, headingWidth;
    const char *fieldName;
    const char *boundColumn;
    int fieldLeft, fieldWidth;
};

constexpr Column kColumns[] = {
    {"Nombre", 0, 1665, "drTxt_Nombre", "Nombre", 0, 1650},
    {"C.U.I.T", 1695, 1125, "drTxt_Cuit", "Cuit", 1695, 1110},
    {"Dirección", 2850, 3660, "drTxt_Direccion", "Domicilio", 2835, 3660},
    {"Email", 6540, 2400, "drTxt_Email", "Email", 6525, 2400},
    {"Teléfono", 8975, 2250, "drTxt_Telefono", "Telefonos", 8975, 2250},
};

// The page footer: when it was printed on the left, the page on the right,
// each in a box as wide as the longest page count needs.
constexpr int kFooterHeight = 300;
constexpr int kFooterTop = 45;
constexpr int kFooterLineHeight = 255;
constexpr int kFooterBoxWidth = 2400;
constexpr int kReportWidth = 11205;

} // namespace

report::ReportDefinition customerListReport()
{
    using report::ReportItem;
    report::ReportDefinition d;
    d.title = QStringLiteral("Listado de Clientes");
    d.pageSize = QPageSize(QPageSize::A4);
    // The report is 11205 twips wide: centred on A4 paper, 1 cm above and below.
    d.margins = QMargins(345, 567, 345, 567);
    d.fonts = {{QStringLiteral("Arial"), 8.25, false},
               {QStringLiteral("Tahoma"), 14.25, true},
               {QStringLiteral("Tahoma"), 9.75, true},
               {QStringLiteral("Arial"), 7.5, false}};

    d.detail.name = QStringLiteral("Sección1");
    d.pageHeader.name = QStringLiteral("Sección2");
    d.pageFooter.name = QStringLiteral("Sección3");
    d.reportHeader.name = QStringLiteral("Sección4");
    d.reportFooter.name = QStringLiteral("Sección5");
    d.reportHeader.height = 555;
    d.reportHeader.items.append(ReportItem::label(QRect(0, 75, kReportWidth, 390), d.title, kTitleFont));
    d.pageHeader.height = 450;
    d.detail.height = 255;
    for (const Column &c : kColumns) {
        d.pageHeader.items.append(ReportItem::label(QRect(c.headingLeft, 90, c.headingWidth, 255),
                                                    QString::fromUtf8(c.heading), kHeadingFont, kHeadingBackground));
        ReportItem field
            = ReportItem::boundField(QRect(c.fieldLeft, 0, c.fieldWidth, 255), int(d.fields.size()), kReportFont);
        field.name = QString::fromLatin1(c.fieldName);
        d.detail.items.append(field);
        d.fields.append(QString::fromLatin1(c.boundColumn));
    }
    using report::PrintValue;
    d.pageFooter.height = kFooterHeight;
    ReportItem printedAt = ReportItem::printField(QRect(0, kFooterTop, kFooterBoxWidth, kFooterLineHeight),
                                                  QStringLiteral("%1"), {PrintValue::PrintTime}, kFooterFont);
    printedAt.name = QStringLiteral("drTxt_FechaImpresion");
    ReportItem pageOf
        = ReportItem::printField(QRect(kReportWidth - kFooterBoxWidth, kFooterTop, kFooterBoxWidth, kFooterLineHeight),
                                 QStringLiteral("Página %1 de %2"), {PrintValue::PageNumber, PrintValue::PageCount},
                                 kFooterFont, Qt::AlignRight);
    pageOf.name = QStringLiteral("drTxt_Pagina");
    d.pageFooter.items = {printedAt, pageOf};
    return d;
}

Dr_ListadoClientes::Dr_ListadoClientes()
    : ReportPreview(customerListReport())
{
    setObjectName(QStringLiteral("Dr_ListadoClientes"));
}

void ImprimirListadoClientes(IDataAccess &broker)
{
    guardHandler(QStringLiteral("basDrListadoClientes"), "ImprimirListadoClientes", [&broker] {
        std::unique_ptr<IRecordset> rs = openCustomerReport(broker);
        const LoadedWindow<Dr_ListadoClientes> report(QStringLiteral("Dr_ListadoClientes"));
        report->bind(std::move(rs));
        report->exec();
    });
}

} // namespace felcora::browser

namespace felcora {

int writeCustomerListPdf(IDataAccess &broker, const QString &path)
{
    std::unique_ptr<IRecordset> rs = openCustomerReport(broker);
    const auto document = report::ReportDocument::layOut(browser::customerListReport(), *rs);
    rs.reset();
    report::writePdf(*document, path);
    return document->pageCount();
}

} // namespace felcora
