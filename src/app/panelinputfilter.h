#pragma once

#include <QObject>
#include <QPointer>

#include <vector>

class QAbstractScrollArea;
class QAbstractSpinBox;
class QEvent;
class QWidget;

// Watches what the user does to the configuration panel's spin boxes.
//
// The wheel: a wheel turn over a box that does not have the keyboard focus
// scrolls the panel instead of changing the box; a box that has the focus
// takes the wheel as before. The boxes keep their wheel focus policy, under
// which Qt hands a box the focus on the wheel event itself, before any
// filter sees it: a box that got the focus from that very wheel event
// therefore counts as unfocused, and the focus goes back to where it was,
// so that the rest of the turn scrolls on.
//
// Typing: typing() tells whether a key the user typed into a box is being
// handled, so that the window can tell a value typed into a box (every
// accepted intermediate text, "-0" on the way to "-0.2") from one that comes
// from the arrow keys, Page Up/Down, the wheel or setValue.
class PanelInputFilter : public QObject
{
public:
    // Watches the boxes (which must lie inside the panel) until the filter,
    // a child of parent, dies.
    PanelInputFilter(QAbstractScrollArea *panel, const std::vector<QAbstractSpinBox *> &boxes,
                     QObject *parent);

    bool typing(const QAbstractSpinBox *box) const { return box && box == keyBox; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAbstractSpinBox *boxOf(QObject *watched) const;
    bool wheel(QAbstractSpinBox *box, QEvent *event);

    QAbstractScrollArea *panel;
    std::vector<QAbstractSpinBox *> boxes;
    // The box whose typed key is being handled, from its press to its
    // release.
    QAbstractSpinBox *keyBox = nullptr;
    // The box that last got the focus by the mouse and has had no input
    // since, and the widget that had the focus before it.
    QAbstractSpinBox *focusedByMouse = nullptr;
    QPointer<QWidget> focusBefore;
};
