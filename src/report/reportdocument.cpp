#include "reportdocument.h"

#include <array>

#include "felcora/hostcomponents.h"
#include "recordspool.h"
#include "textfit.h"

namespace felcora::report {

namespace {

constexpr qint64 kProgressEvery = 4096;

} // namespace

ReportDocument::ReportDocument(const ReportDefinition &definition)
    : m_definition(definition)
    , m_spool(std::make_unique<RecordSpool>(int(definition.fields.size())))
    , m_fit(std::make_unique<TextFit>(definition.fonts))
{
}

ReportDocument::~ReportDocument() = default;

std::unique_ptr<ReportDocument> ReportDocument::layOut(const ReportDefinition &d, IRecordset &rs,
                                                       const Progress &progress)
{
    std::unique_ptr<ReportDocument> doc(new ReportDocument(d));
    const int fieldCount = int(d.fields.size());
    std::vector<int> columns(size_t(fieldCount), -1);
    if (!rs.Eof()) {
        for (int f = 0; f < fieldCount; ++f) {
            columns[size_t(f)] = rs.fieldIndex(d.fields[f]);
            if (columns[size_t(f)] < 0)
                rs.Fields(d.fields[f]); // fails with the recordset's own error
        }
    }

    // Details fill each page down to the page footer; a page holds at least
    // one, however tall the detail is.
    const int pageHeight = d.pageTwips().height();
    const int detailLimit = pageHeight - d.margins.bottom() - d.pageFooter.height;
    int y = 0;
    int onPage = 0;
    auto startPage = [&](bool first) {
        y = d.margins.top() + (first ? d.reportHeader.height : 0);
        doc->m_pages.push_back({doc->m_spool->position(), y + d.pageHeader.height, first, false});
        y += d.pageHeader.height;
        onPage = 0;
    };
    startPage(true);

    for (; !rs.Eof(); rs.MoveNext()) {
        if (onPage > 0 && y + d.detail.height > detailLimit)
            startPage(false);
        for (int f = 0; f < fieldCount; ++f)
            doc->m_spool->appendField(rs.textUtf8(columns[size_t(f)]));
        doc->m_spool->endRecord();
        y += d.detail.height;
        ++onPage;
        ++doc->m_records;
        if (progress && doc->m_records % kProgressEvery == 0 && !progress(doc->m_records))
            return nullptr;
    }
    if (d.reportFooter.height > 0 && y + d.reportFooter.height > detailLimit)
        startPage(false);
    doc->m_pages.back().reportFooter = true;
    doc->m_spool->flush();
    return doc;
}

void ReportDocument::place(PageModel &page, const ReportSection &section, int top, const QStringList *record) const
{
    for (const ReportItem &item : section.items) {
        const QRect box = item.box.translated(m_definition.margins.left(), top);
        const QString &text = item.field >= 0 ? (record ? record->value(item.field) : QString()) : item.text;
        page.texts.append({box, m_fit->fitting(item.font, text, box.width()), item.font, item.background});
    }
}

PageModel ReportDocument::page(int index) const
{
    const ReportDefinition &d = m_definition;
    const PageStart &start = m_pages[size_t(index)];
    const qint64 end = size_t(index) + 1 < m_pages.size() ? m_pages[size_t(index) + 1].spoolOffset
                                                         : m_spool->position();
    PageModel page;
    page.number = index + 1;
    page.size = d.pageTwips();

    if (start.reportHeader && d.reportHeader.height > 0)
        place(page, d.reportHeader, d.margins.top(), nullptr);
    if (d.pageHeader.height > 0)
        place(page, d.pageHeader, start.detailTop - d.pageHeader.height, nullptr);
    int y = start.detailTop;
    const QList<QStringList> records = m_spool->read(start.spoolOffset, end);
    page.texts.reserve(page.texts.size() + records.size() * d.detail.items.size());
    for (const QStringList &record : records) {
        place(page, d.detail, y, &record);
        y += d.detail.height;
    }
    if (start.reportFooter && d.reportFooter.height > 0)
        place(page, d.reportFooter, y, nullptr);
    if (d.pageFooter.height > 0)
        place(page, d.pageFooter, page.size.height() - d.margins.bottom() - d.pageFooter.height, nullptr);
    return page;
}

} // namespace felcora::report
