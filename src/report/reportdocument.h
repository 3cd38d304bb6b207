#pragma once

#include <QList>
#include <functional>
#include <memory>
#include <vector>

#include "felcora/felcora_export.h"
#include "reportdefinition.h"

namespace felcora {
class IRecordset;
}

namespace felcora::report {

class RecordSpool;
class TextFit;

// One text on a page: its box in twips from the paper's top-left corner, the
// part of its text that fits the box (long text is cut, never spilled into
// the next column), its font and its background.
struct PlacedText
{
    QRect box;
    QString text;
    int font = 0;
    QColor background;
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
// texts are placed when it is asked for.
class FELCORA_EXPORT ReportDocument
{
public:
    // Called every few thousand records with the count read so far; false
    // stops the layout.
    using Progress = std::function<bool(qint64 records)>;

    // Lays out every record of rs; nullptr when progress stopped it. The
    // fields are bound to the columns by name; a missing column fails as the
    // recordset does.
    static std::unique_ptr<ReportDocument> layOut(const ReportDefinition &definition, IRecordset &rs,
                                                  const Progress &progress = {});
    ~ReportDocument();

    const ReportDefinition &definition() const { return m_definition; }
    int pageCount() const { return int(m_pages.size()); }
    qint64 recordCount() const { return m_records; }
    // Page index from 0.
    PageModel page(int index) const;

private:
    explicit ReportDocument(const ReportDefinition &definition);

    struct PageStart
    {
        qint64 spoolOffset; // where its first record is stored
        int detailTop;      // twips from the paper's top
        bool reportHeader;
        bool reportFooter;
    };

    void place(PageModel &page, const ReportSection &section, int top, const QStringList *record) const;

    ReportDefinition m_definition;
    std::unique_ptr<RecordSpool> m_spool;
    std::unique_ptr<TextFit> m_fit;
    std::vector<PageStart> m_pages;
    qint64 m_records = 0;
};

} // namespace felcora::report
