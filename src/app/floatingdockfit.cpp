#include "floatingdockfit.h"

#include <QDockWidget>
#include <QEvent>
#include <QRect>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <algorithm>

FloatingDockFit::FloatingDockFit(QDockWidget *dock)
    : QObject(dock),
      dock(dock),
      dockedMinimumWidth(dock->minimumWidth()),
      dockedMaximumWidth(dock->maximumWidth())
{
    // A window takes the application's font, not its parent's: floated,
    // the panel would lose the window's font for a wider one and cut off
    // its content on the right. Docked, the attribute changes nothing.
    dock->setAttribute(Qt::WA_WindowPropagation);
    dock->installEventFilter(this);
    connect(dock, &QDockWidget::topLevelChanged, this, [this](bool floating) {
        floatingChanged(floating);
    });
}

void FloatingDockFit::floatingChanged(bool floating)
{
    if (!floating) {
        dock->setMinimumWidth(dockedMinimumWidth);
        dock->setMaximumWidth(dockedMaximumWidth);
        return;
    }
    // Floating, the dock draws a frame of this width on either side of its
    // content, unless the window system decorates it.
    const bool ownFrame = dock->windowFlags().testFlag(Qt::FramelessWindowHint);
    const int frame = ownFrame ? dock->style()->pixelMetric(QStyle::PM_DockWidgetFrameWidth,
                                                              nullptr, dock)
                               : 0;
    dock->setMinimumWidth(dockedMinimumWidth + 2 * frame);
    dock->setMaximumWidth(std::min(QWIDGETSIZE_MAX, dockedMaximumWidth + 2 * frame));
    queueFit();
}

bool FloatingDockFit::eventFilter(QObject *watched, QEvent *event)
{
    // The event's type first: while the dock is being destroyed it still
    // sends events (a child removed), and is no dock any more.
    const bool moved = event->type() == QEvent::Move || event->type() == QEvent::Resize
            || event->type() == QEvent::Show;
    if (moved && watched == dock && dock->isFloating())
        queueFit();
    return false;
}

// Later rather than at once: the dock is being moved or resized right now,
// by Qt or by the user's drag.
void FloatingDockFit::queueFit()
{
    if (fitQueued)
        return;
    fitQueued = true;
    QTimer::singleShot(0, this, [this] {
        fitQueued = false;
        fit();
    });
}

void FloatingDockFit::fit()
{
    if (!dock->isFloating() || !dock->screen())
        return;
    const QRect screen = dock->screen()->availableGeometry();
    const QRect frame = dock->frameGeometry();
    const int decoration = frame.height() - dock->height();
    if (frame.height() > screen.height()) {
        dock->resize(dock->width(),
                     std::max(dock->minimumHeight(), screen.height() - decoration));
    }
    const QRect fitted = dock->frameGeometry();
    const int x = std::clamp(fitted.x(), screen.left(),
                             std::max(screen.left(), screen.right() + 1 - fitted.width()));
    const int y = std::clamp(fitted.y(), screen.top(),
                             std::max(screen.top(), screen.bottom() + 1 - fitted.height()));
    if (x != fitted.x() || y != fitted.y())
        dock->move(x, y);
}
