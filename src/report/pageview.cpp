#include "report/pageview.h"

#include <QPainter>

#include "report/reportpainter.h"
#include "ui/twips.h"

namespace felcora::report {

namespace {
constexpr int kShadow = 4;
}

PageView::PageView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PageView::setPage(const ReportDefinition *definition, PageModel page)
{
    m_definition = definition;
    m_page = std::move(page);
    m_image = {};
    resize(sizeHint());
    update();
}

void PageView::setDotsPerInch(double dpi)
{
    if (qRound(dpi) == qRound(m_dpi))
        return;
    m_dpi = std::max(10, qRound(dpi)); // whole dots per inch, as images keep them
    m_image = {};
    resize(sizeHint());
    update();
}

QSize PageView::paperPixels() const
{
    return (QSizeF(m_page.size) * (m_dpi / double(kTwipsPerInch))).toSize();
}

QSize PageView::sizeHint() const
{
    return paperPixels() + QSize(kShadow, kShadow);
}

const QImage &PageView::image()
{
    if (m_image.isNull() && m_definition && !m_page.size.isEmpty()) {
        m_image = QImage(paperPixels(), QImage::Format_RGB32);
        const int dotsPerMeter = qRound(m_dpi / 0.0254);
        m_image.setDotsPerMeterX(dotsPerMeter);
        m_image.setDotsPerMeterY(dotsPerMeter);
        m_image.fill(Qt::white);
        QPainter painter(&m_image);
        painter.setRenderHint(QPainter::TextAntialiasing);
        paintPage(*m_definition, m_page, painter);
    }
    return m_image;
}

void PageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().dark());
    const QImage &paper = image();
    painter.fillRect(QRect(QPoint(kShadow, kShadow), paper.size()), Qt::black);
    painter.drawImage(QPoint(0, 0), paper);
}

} // namespace felcora::report
