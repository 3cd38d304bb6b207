#pragma once

#include <QImage>
#include <QWidget>
#include <optional>

#include "felcora/felcora_export.h"
#include "report/reportdocument.h"

namespace felcora::report {

// One page of a report on screen, as on paper, at a resolution of the
// preview's choosing. The page is painted once per page and resolution.
class FELCORA_TESTS_EXPORT PageView : public QWidget
{
    Q_OBJECT
public:
    explicit PageView(QWidget *parent = nullptr);

    void setPage(const ReportDefinition *definition, PageModel page);
    void setDotsPerInch(double dpi);
    const PageModel &page() const { return m_page; }
    // The page as the screen shows it.
    const QImage &image();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSize paperPixels() const;

    const ReportDefinition *m_definition = nullptr;
    PageModel m_page;
    double m_dpi = 96;
    QImage m_image;
};

} // namespace felcora::report
