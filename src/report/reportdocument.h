#pragma once

#include <QDateTime>
#include <QList>
#include <memory>
#include <vector>

#include "felcora/felcora_export.h"
#include "report/reportdefinition.h"

namespace felcora {
class IRecordset;
}

namespace felcora::report {

class RecordSpool;
class TextFit;

// One text on a page: its box in twips from the paper's top-left corner, the
// part of its text that fits the box (long text is cut and ends in an
// ellipsis, never spilled into the next column; control characters are
// blanks), its font, its background, and where the text starts in its box
// (more than 0 when it is aligned to the right or centred).
struct PlacedText
{
    QRect box;
    QString text;
    int font = 0;
    QColor background;
    int indent = 0; // twips
};

// A page as it will be printed: every text in its place.
struct PageModel
{
    int number = 0; // from 1
    QSize size;     // twips
    QList<PlacedText> texts;
};

// A report laid out into pages: the records are read once, in the order the
// recordset gives them, and each page's place in them is kept; a page's
// texts are placed when it is asked for. The layout may go a step at a time,
// so that the first page shows while the rest are still being read.
class FELCORA_TESTS_EXPORT ReportDocument
{
public:
    // Lays out every record of rs. The fields are bound to the columns by
    // name; a missing column fails as the recordset does.
    static std::unique_ptr<ReportDocument> layOut(const ReportDefinition &definition, IRecordset &rs);

    // Starts a layout of rs, which must stay open until it is complete.
    ReportDocument(const ReportDefinition &definition, IRecordset &rs);
    ~ReportDocument();

    // Lays out up to `records` more records; true once all are laid out.
    bool layOutMore(qint64 records);
    bool complete() const { return m_rs == nullptr; }
    // The pages that will not change: all of them once complete.
    int readyPages() const;

    const ReportDefinition &definition() const { return m_definition; }
    // The pages so far: all of them once complete.
    int pageCount() const { return int(m_pages.size()); }
    qint64 recordCount() const { return m_records; }
    // Page index from 0. Its print fields show the moment the layout began
    // and, until the layout is complete, the pages known so far followed by
    // "..." as the page count: only a complete document knows its own.
    PageModel page(int index) const;
    // The same, printed at printedAt.
    PageModel page(int index, const QDateTime &printedAt) const;

private:
    struct PageStart
    {
        qint64 spoolOffset; // where its first record is stored
        int detailTop;      // twips from the paper's top
        bool reportHeader;
        bool reportFooter;
    };

    struct PrintTexts;
    void place(PageModel &page, const ReportSection &section, int top, const QStringList *record,
               const PrintTexts &print) const;
    int detailLimit() const;
    void startPage(bool first);

    ReportDefinition m_definition;
    std::unique_ptr<RecordSpool> m_spool;
    std::unique_ptr<TextFit> m_fit;
    std::vector<PageStart> m_pages;
    qint64 m_records = 0;
    QDateTime m_startedAt;
    // While laying out: the records, their columns, and where the next detail goes.
    IRecordset *m_rs;
    std::vector<int> m_columns;
    int m_y = 0;
    int m_onPage = 0;
};

} // namespace felcora::report
