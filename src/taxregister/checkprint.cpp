#include "taxregister/checkprint.h"

#include <QPageSize>
#include <QSizeF>

#include "browser/printedlist.h"
#include "felcora/error.h"
#include "felcora/hostcomponents.h"
#include "report/reportpreview.h"

namespace felcora::taxregister {

namespace {

enum Font { kReportFont, kTitleFont, kHeadingFont, kFooterFont };
const QColor kHeadingBackground(224, 224, 224);

// Six columns with names of 30 characters and more do not fit a portrait
// page: the report is printed across an A4 sheet.
constexpr double kPaperWidthMm = 297;
constexpr double kPaperHeightMm = 210;
constexpr int kReportWidth = 15700;
constexpr int kSideMargin = 570;
constexpr int kTopMargin = 567;

// Each column's place, in the order of CheckColumn; the field is a little
// narrower than its heading, so that a cut text keeps clear of the next one.
struct Column
{
    const char *fieldName;
    int left, width;
};
constexpr Column kColumns[] = {
    {"drTxt_Cliente", 0, 3600},       {"drTxt_Cuit", 3630, 1250},       {"drTxt_Observacion", 4910, 3250},
    {"drTxt_IvaMaestro", 8190, 2200}, {"drTxt_IvaPadron", 10420, 1900}, {"drTxt_NombrePadron", 12350, 3350},
};
constexpr int kFieldGap = 15;
constexpr int kLineHeight = 255;

constexpr int kTitleTop = 75;
constexpr int kTitleHeight = 390;
constexpr int kHeaderLinesTop = 495;
constexpr int kHeaderBottomGap = 90;
constexpr int kHeadingTop = 90;
constexpr int kPageHeaderHeight = 450;

// The check's rows, read one after the other by the report.
class CheckRecordset final : public IRecordset
{
public:
    explicit CheckRecordset(QList<CheckRow> rows)
        : m_rows(std::move(rows))
        , m_table(checkTable(m_rows))
    {
    }

    bool Eof() const override { return m_row >= m_table.rowCount; }
    void MoveNext() override
    {
        requireCurrent();
        ++m_row;
    }
    int fieldCount() const override { return int(m_table.headers.size()); }
    QString fieldName(int column) const override { return m_table.headers.value(column); }
    QVariant value(int column) const override
    {
        requireCurrent();
        return m_table.text(m_row, column);
    }

private:
    void requireCurrent() const
    {
        if (Eof())
            throw Error(errnum::kNoCurrentRecord, QStringLiteral("CheckRecordset"),
                        QStringLiteral("No hay registro actual"));
    }

    QList<CheckRow> m_rows;
    tableexport::TableSource m_table;
    qsizetype m_row = 0;
};

} // namespace

report::ReportDefinition registerCheckReport(const QStringList &headerLines)
{
    using report::ReportItem;
    report::ReportDefinition d;
    d.title = QStringLiteral("Control contra el padrón");
    d.pageSize = QPageSize(QSizeF(kPaperWidthMm, kPaperHeightMm), QPageSize::Millimeter, QStringLiteral("A4 apaisado"),
                           QPageSize::ExactMatch);
    d.margins = QMargins(kSideMargin, kTopMargin, kSideMargin, kTopMargin);
    d.fonts = {{QStringLiteral("Arial"), 8.25, false},
               {QStringLiteral("Tahoma"), 14.25, true},
               {QStringLiteral("Tahoma"), 8.25, true},
               {QStringLiteral("Arial"), 7.5, false}};

    d.reportHeader.name = QStringLiteral("Encabezado");
    d.reportHeader.items.append(
        ReportItem::label(QRect(0, kTitleTop, kReportWidth, kTitleHeight), d.title, kTitleFont));
    int top = kHeaderLinesTop;
    for (const QString &line : headerLines) {
        d.reportHeader.items.append(ReportItem::label(QRect(0, top, kReportWidth, kLineHeight), line, kReportFont));
        top += kLineHeight;
    }
    d.reportHeader.height = top + kHeaderBottomGap;

    d.pageHeader.name = QStringLiteral("Titulos");
    d.pageHeader.height = kPageHeaderHeight;
    d.detail.name = QStringLiteral("Detalle");
    d.detail.height = kLineHeight;
    const QStringList headings = checkTable({}).headers;
    for (qsizetype c = 0; c < headings.size(); ++c) {
        const Column &column = kColumns[c];
        d.pageHeader.items.append(ReportItem::label(QRect(column.left, kHeadingTop, column.width, kLineHeight),
                                                    headings.at(c), kHeadingFont, kHeadingBackground));
        ReportItem field = ReportItem::boundField(QRect(column.left, 0, column.width - kFieldGap, kLineHeight),
                                                  int(d.fields.size()), kReportFont);
        field.name = QString::fromLatin1(column.fieldName);
        d.detail.items.append(field);
        d.fields.append(headings.at(c));
    }

    // The page footer is the printed list's (when it was printed, and "Página N de M"), its page at this
    // report's right edge.
    d.pageFooter = browser::customerListReport().pageFooter;
    for (ReportItem &item : d.pageFooter.items) {
        item.font = kFooterFont;
        if (item.alignment & Qt::AlignRight)
            item.box.moveRight(kReportWidth - 1);
    }
    return d;
}

std::unique_ptr<IRecordset> checkRecordset(QList<CheckRow> rows)
{
    return std::make_unique<CheckRecordset>(std::move(rows));
}

void previewRegisterCheck(QWidget *parent, const QList<CheckRow> &rows, const QStringList &headerLines)
{
    report::ReportPreview preview(registerCheckReport(headerLines));
    preview.setObjectName(QStringLiteral("Dr_ControlPadron"));
    if (parent)
        preview.move(parent->frameGeometry().center() - preview.rect().center());
    preview.bind(checkRecordset(rows));
    preview.exec();
}

} // namespace felcora::taxregister
