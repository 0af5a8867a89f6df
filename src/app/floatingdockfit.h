#pragma once

#include <QObject>

class QDockWidget;
class QEvent;

// Keeps a floating dock widget on its screen. Docked, the dock keeps its own
// size; floated (by dragging it off the window or by a double click on its
// title), it would keep the height it had in the window, however tall, and
// stand wherever it was dropped, partly below the screen; and as a window
// it would take the application's font instead of the window's. So it keeps
// the window's font and palette, while it floats its frame is kept within
// the screen's available area (its height shrinks to fit; the content
// scrolls), and it is made wider by the frame it draws around its content,
// so that its content keeps the room it has docked. Docked again, it gets
// back its own width limits.
class FloatingDockFit : public QObject
{
public:
    // Watches the dock, whose child it becomes.
    explicit FloatingDockFit(QDockWidget *dock);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void floatingChanged(bool floating);
    void queueFit();
    void fit();

    QDockWidget *dock;
    int dockedMinimumWidth;
    int dockedMaximumWidth;
    bool fitQueued = false;
};
