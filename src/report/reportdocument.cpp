#include "report/reportdocument.h"

#include <algorithm>
#include <limits>

#include "felcora/hostcomponents.h"
#include "report/recordspool.h"
#include "report/textfit.h"

namespace felcora::report {

namespace {

bool isControl(char16_t c)
{
    return c < u' ' || (c >= u'\x7f' && c <= u'\x9f'); // C0, DEL and C1
}

// A tab or a line break would move the painter's pen past what was measured
// (a tab into the next column): every control character prints as a blank.
QString blankControls(const QString &text)
{
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) { return isControl(c.unicode()); }))
        return text;
    QString blanked = text;
    for (QChar &c : blanked) {
        if (isControl(c.unicode()))
            c = u' ';
    }
    return blanked;
}

// How a print time reads in Argentina: 07/12/2026 13:45.
const QString kPrintTimeFormat = QStringLiteral("dd/MM/yyyy HH:mm");

// Where a text `width` wide starts in its box.
int indentFor(Qt::Alignment alignment, int boxWidth, double width)
{
    const double room = std::max(0.0, boxWidth - width);
    if (alignment & Qt::AlignRight)
        return int(room);
    if (alignment & Qt::AlignHCenter)
        return int(room / 2);
    return 0;
}

} // namespace

// The print values of one page as they are shown.
struct ReportDocument::PrintTexts
{
    QString pageNumber;
    QString pageCount;
    QString printTime;

    QString filled(const QString &pattern, const QList<PrintValue> &values) const
    {
        QString text = pattern;
        for (const PrintValue value : values) {
            switch (value) {
            case PrintValue::PageNumber: text = text.arg(pageNumber); break;
            case PrintValue::PageCount: text = text.arg(pageCount); break;
            case PrintValue::PrintTime: text = text.arg(printTime); break;
            }
        }
        return text;
    }
};

ReportDocument::ReportDocument(const ReportDefinition &definition, IRecordset &rs)
    : m_definition(definition)
    , m_spool(std::make_unique<RecordSpool>(int(definition.fields.size())))
    , m_fit(std::make_unique<TextFit>(definition.fonts))
    , m_startedAt(QDateTime::currentDateTime())
    , m_rs(&rs)
{
    if (!rs.Eof()) {
        for (const QString &field : definition.fields) {
            m_columns.push_back(rs.fieldIndex(field));
            if (m_columns.back() < 0)
                rs.Fields(field); // fails with the recordset's own error
        }
    }
    startPage(true);
}

ReportDocument::~ReportDocument() = default;

std::unique_ptr<ReportDocument> ReportDocument::layOut(const ReportDefinition &definition, IRecordset &rs)
{
    auto doc = std::make_unique<ReportDocument>(definition, rs);
    doc->layOutMore(std::numeric_limits<qint64>::max());
    return doc;
}

// Details fill each page down to the page footer; a page holds at least one,
// however tall the detail is.
int ReportDocument::detailLimit() const
{
    const ReportDefinition &d = m_definition;
    return d.pageTwips().height() - d.margins.bottom() - d.pageFooter.height;
}

void ReportDocument::startPage(bool first)
{
    const ReportDefinition &d = m_definition;
    m_y = d.margins.top() + (first ? d.reportHeader.height : 0);
    m_pages.push_back({m_spool->position(), m_y + d.pageHeader.height, first, false});
    m_y += d.pageHeader.height;
    m_onPage = 0;
}

bool ReportDocument::layOutMore(qint64 records)
{
    if (!m_rs)
        return true;
    const ReportDefinition &d = m_definition;
    const int limit = detailLimit();
    for (qint64 done = 0; done < records && !m_rs->Eof(); ++done, m_rs->MoveNext()) {
        if (m_onPage > 0 && m_y + d.detail.height > limit)
            startPage(false);
        for (const int column : m_columns)
            m_spool->appendField(m_rs->textUtf8(column));
        m_spool->endRecord();
        m_y += d.detail.height;
        ++m_onPage;
        ++m_records;
    }
    if (!m_rs->Eof())
        return false;
    if (d.reportFooter.height > 0 && m_y + d.reportFooter.height > limit)
        startPage(false);
    m_pages.back().reportFooter = true;
    m_rs = nullptr;
    return true;
}

int ReportDocument::readyPages() const
{
    return complete() ? pageCount() : pageCount() - 1;
}

void ReportDocument::place(PageModel &page, const ReportSection &section, int top, const QStringList *record,
                           const PrintTexts &print) const
{
    for (const ReportItem &item : section.items) {
        const QRect box = item.box.translated(m_definition.margins.left(), top);
        const QString &text = item.field >= 0 ? (record ? record->value(item.field) : QString())
            : item.values.isEmpty()           ? item.text
                                              : print.filled(item.text, item.values);
        const QString printed = blankControls(text);
        double width = 0;
        QString shown = m_fit->fitting(item.font, printed, box.width(), &width);
        page.texts.append(
            {box, std::move(shown), item.font, item.background, indentFor(item.alignment, box.width(), width)});
    }
}

PageModel ReportDocument::page(int index) const
{
    return page(index, m_startedAt);
}

PageModel ReportDocument::page(int index, const QDateTime &printedAt) const
{
    const ReportDefinition &d = m_definition;
    const PageStart &start = m_pages[size_t(index)];
    const qint64 end
        = size_t(index) + 1 < m_pages.size() ? m_pages[size_t(index) + 1].spoolOffset : m_spool->position();
    // The page being filled shows what it holds so far.
    PageModel page;
    page.number = index + 1;
    page.size = d.pageTwips();
    const PrintTexts print{QString::number(page.number),
                           complete() ? QString::number(pageCount())
                                      : QString::number(std::max(readyPages(), page.number)) + QStringLiteral("..."),
                           printedAt.toString(kPrintTimeFormat)};

    if (start.reportHeader && d.reportHeader.height > 0)
        place(page, d.reportHeader, d.margins.top(), nullptr, print);
    if (d.pageHeader.height > 0)
        place(page, d.pageHeader, start.detailTop - d.pageHeader.height, nullptr, print);
    int y = start.detailTop;
    const QList<QStringList> records = m_spool->read(start.spoolOffset, end);
    page.texts.reserve(page.texts.size() + records.size() * d.detail.items.size());
    for (const QStringList &record : records) {
        place(page, d.detail, y, &record, print);
        y += d.detail.height;
    }
    if (start.reportFooter && d.reportFooter.height > 0)
        place(page, d.reportFooter, y, nullptr, print);
    if (d.pageFooter.height > 0)
        place(page, d.pageFooter, page.size.height() - d.margins.bottom() - d.pageFooter.height, nullptr, print);
    return page;
}

} // namespace felcora::report
