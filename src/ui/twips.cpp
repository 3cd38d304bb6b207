#include "ui/twips.h"

#include <QWidget>

namespace felcora {

namespace {
constexpr double kDesignDpi = 96.0;
}

int twipsToPixelsX(int twips, const QWidget *onScreen)
{
    return qRound(twips * onScreen->logicalDpiX() / double(kTwipsPerInch));
}

void scaleToScreen(QWidget *window)
{
    const double f = window->logicalDpiX() / kDesignDpi;
    if (qFuzzyCompare(f, 1.0))
        return;
    auto scaled = [f](const QRect &r) {
        return QRect(qRound(r.x() * f), qRound(r.y() * f), qRound(r.width() * f), qRound(r.height() * f));
    };
    for (QWidget *child : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->setGeometry(scaled(child->geometry()));
    window->resize(qRound(window->width() * f), qRound(window->height() * f));
}

} // namespace felcora
