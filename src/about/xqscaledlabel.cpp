#include "xqscaledlabel.h"

#include <QPixmap>
#include <QResizeEvent>
#include <QWidget>

#include <algorithm>

XQScaledLabel::XQScaledLabel(QWidget *parent)
    : QLabel(parent)
{
    setScaledContents(true);
}

XQScaledLabel::~XQScaledLabel() = default;

void XQScaledLabel::resizeEvent(QResizeEvent *event)
{
    const QPixmap pix = pixmap(Qt::ReturnByValue);
    if (pix.isNull() || pix.width() <= 0 || pix.height() <= 0) {
        // Nothing to keep in proportion: take the size we were given.
        QLabel::resizeEvent(event);
        return;
    }

    const int w = width();
    const double aspect = static_cast<double>(pix.width()) / pix.height();
    const double h = std::min(w / aspect, static_cast<double>(QWIDGETSIZE_MAX));
    resize(w, static_cast<int>(h));
}
