#include "grossincome/windowstyle.h"

#include <QWidget>

#include "ui/twips.h"

namespace felcora::grossincome {

namespace {
constexpr double kWindowPointSize = 8.25;
}

void applyWindowStyle(QWidget *window)
{
    window->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPointSizeF(kWindowPointSize);
    window->setFont(tahoma);
    scaleToScreen(window);
    window->setFixedSize(window->size());
}

} // namespace felcora::grossincome
