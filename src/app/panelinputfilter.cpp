#include "panelinputfilter.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>

namespace {

// Keys that step a box rather than edit its text.
bool stepsTheBox(const QKeyEvent *key)
{
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

} // namespace

PanelInputFilter::PanelInputFilter(QAbstractScrollArea *panel,
                                   const std::vector<QAbstractSpinBox *> &boxes,
                                   QObject *parent)
    : QObject(parent), panel(panel), boxes(boxes)
{
    for (QAbstractSpinBox *box : boxes) {
        box->installEventFilter(this);
        // Clicks in the text go to the line edit, not to the box.
        if (auto *edit = box->findChild<QLineEdit *>())
            edit->installEventFilter(this);
    }
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *now) {
        if (std::find(this->boxes.begin(), this->boxes.end(), now) != this->boxes.end())
            focusBefore = old;
    });
}

QAbstractSpinBox *PanelInputFilter::boxOf(QObject *watched) const
{
    for (QAbstractSpinBox *box : boxes) {
        if (watched == box || watched->parent() == box)
            return box;
    }
    return nullptr;
}

bool PanelInputFilter::eventFilter(QObject *watched, QEvent *event)
{
    QAbstractSpinBox *box = boxOf(watched);
    if (!box)
        return false;

    switch (event->type()) {
    case QEvent::KeyPress:
        keyBox = stepsTheBox(static_cast<QKeyEvent *>(event)) ? nullptr : box;
        focusedByMouse = nullptr;
        return false;
    case QEvent::KeyRelease:
    case QEvent::FocusOut:
        keyBox = nullptr;
        return false;
    case QEvent::FocusIn:
        focusedByMouse = static_cast<QFocusEvent *>(event)->reason() == Qt::MouseFocusReason
                ? box
                : nullptr;
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::TouchBegin:
        keyBox = nullptr;
        focusedByMouse = nullptr;
        return false;
    case QEvent::Wheel:
        keyBox = nullptr;
        // The line edit passes the wheel on to its box; decide there, once.
        return watched == box && wheel(box, event);
    default:
        return false;
    }
}

bool PanelInputFilter::wheel(QAbstractSpinBox *box, QEvent *event)
{
    const bool focusFromThisWheel = focusedByMouse == box;
    focusedByMouse = nullptr;
    if (box->hasFocus() && !focusFromThisWheel)
        return false;

    if (focusFromThisWheel) {
        if (focusBefore && focusBefore != box)
            focusBefore->setFocus(Qt::OtherFocusReason);
        else
            box->clearFocus();
    }
    const auto *turn = static_cast<QWheelEvent *>(event);
    QWidget *viewport = panel->viewport();
    QWheelEvent forwarded(box->mapTo(viewport, turn->position().toPoint()),
                          turn->globalPosition(), turn->pixelDelta(), turn->angleDelta(),
                          turn->buttons(), turn->modifiers(), turn->phase(), turn->inverted(),
                          turn->source());
    QApplication::sendEvent(viewport, &forwarded);
    event->accept();
    return true;
}
