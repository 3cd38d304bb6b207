#pragma once

#include <QDialog>
#include <QTimer>
#include <memory>

#include "felcora/felcora_export.h"
#include "report/reportdocument.h"
#include "report/reportpainter.h"

class QKeyEvent;
class QPrinter;

namespace Ui {
class ReportPreview;
}

namespace felcora::report {

class PageView;

// The preview window of a report: one page at a time, drawn when it is
// shown, with page navigation, zoom, printing and saving as PDF.
//   PgDn / PgUp        next / previous page
//   Ctrl+Home / End    first / last page
//   Ctrl++ / Ctrl+-    zoom in / out (Ctrl+= zooms in too)
//   Ctrl+P             print          Ctrl+S   save as PDF
//   Esc                close
class FELCORA_TESTS_EXPORT ReportPreview : public QDialog
{
    Q_OBJECT
public:
    explicit ReportPreview(ReportDefinition definition);
    ~ReportPreview() override;

    const ReportDefinition &definition() const { return m_definition; }

    // Takes the records of rs as the report's: the first page is laid out
    // at once, the others while the window is open (the page count grows
    // until it is complete). A failure then is reported and closes the window.
    void bind(std::unique_ptr<IRecordset> rs);
    const ReportDocument *document() const { return m_document.get(); }
    // Lays out what is left, with a progress window that can be cancelled;
    // false when it was.
    bool finishLayout();

    int currentPage() const { return m_page; } // from 0
    void showPage(int index);
    // Completes the layout first.
    void showLastPage();
    PageView *pageView() const;

    // The zoom choices, in the order of the zoom list.
    enum Zoom { FitWidth, FitPage, Percent50, Percent75, Percent100, Percent150, Percent200 };

    // Prints the pages the printer's range asks for (all when none);
    // false when the user cancelled.
    bool printTo(QPrinter &printer);
    // Writes the report to a PDF file with a progress window that can be
    // cancelled; false when it was.
    bool savePdf(const QString &path);

    // What the buttons do: ask for a printer or a file name, then as above;
    // a failure is reported in a message box, and so is where a PDF was saved.
    void print();
    void exportPdf();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool previewKey(const QKeyEvent *key);
    void choosePrinterAndPrint();
    void chooseFileAndSave();
    void applyZoom();
    void stepZoom(int step);
    // Runs paint with a progress window; false when it was cancelled.
    bool withPageProgress(const QString &label, int pages, const std::function<bool(const PageProgress &)> &paint);
    void layOutStep();
    void showPageCount();
    int lastPage() const;

    std::unique_ptr<Ui::ReportPreview> ui;
    ReportDefinition m_definition;
    std::unique_ptr<IRecordset> m_records; // until the layout is complete
    std::unique_ptr<ReportDocument> m_document;
    QTimer m_layoutTimer;
    int m_page = 0;
    bool m_shownComplete = false; // the page shown was laid out with the final page count
};

} // namespace felcora::report
