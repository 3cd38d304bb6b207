#pragma once

#include <QColor>
#include <QList>
#include <QPageSize>
#include <QRect>
#include <QString>
#include <QStringList>

namespace felcora::report {

// A banded report as its designer draws it. Every position and size is in
// twips (1/1440 inch); section items are placed relative to their section.
struct ReportFont
{
    QString family;
    double pointSize = 8.25;
    bool bold = false;
};

// What a printing knows only as its pages are printed: the page's number,
// how many pages the document has, and when it is printed.
enum class PrintValue { PageNumber, PageCount, PrintTime };

// A label shows its own text; a field shows a column of the current record;
// a print field shows its text with the print values it lists put in for
// %1, %2 ... in that order ("Página %1 de %2").
struct ReportItem
{
    QRect box;
    QString text;      // a label's caption, a print field's pattern
    int field = -1;    // a field: index into ReportDefinition::fields
    int font = 0;      // index into ReportDefinition::fonts
    QColor background; // invalid: transparent
    QString name;      // how a host or a test finds it
    QList<PrintValue> values;
    Qt::Alignment alignment = Qt::AlignLeft; // of the text in its box: left, right or centred

    static ReportItem label(QRect box, QString text, int font, QColor background = {})
    {
        return {box, std::move(text), -1, font, background, {}, {}, Qt::AlignLeft};
    }
    static ReportItem boundField(QRect box, int field, int font)
    {
        return {box, {}, field, font, {}, {}, {}, Qt::AlignLeft};
    }
    static ReportItem printField(QRect box, QString pattern, QList<PrintValue> values, int font,
                                 Qt::Alignment alignment = Qt::AlignLeft)
    {
        return {box, std::move(pattern), -1, font, {}, {}, std::move(values), alignment};
    }
};

struct ReportSection
{
    int height = 0; // a section of height 0 prints nothing
    QList<ReportItem> items;
    QString name;
};

struct ReportDefinition
{
    QString title; // of the preview window and the PDF
    QPageSize pageSize = QPageSize(QPageSize::A4);
    QMargins margins;   // twips
    QStringList fields; // the recordset columns the fields are bound to, by name
    QList<ReportFont> fonts;

    ReportSection reportHeader; // once, at the top of the first page
    ReportSection pageHeader;   // at the top of every page (below the report header on the first)
    ReportSection detail;       // once per record
    ReportSection pageFooter;   // at the bottom of every page
    ReportSection reportFooter; // once, after the last record

    // The page size in twips.
    QSize pageTwips() const { return pageSize.sizePoints() * 20; }
};

} // namespace felcora::report
