#pragma once

#include <QLabel>

class QResizeEvent;
class QWidget;

// A label that stretches its pixmap over its whole area and keeps the
// pixmap's proportions by deriving its own height from the width its
// layout gives it. Without a usable pixmap it behaves like a plain label.
class XQScaledLabel : public QLabel
{
    Q_OBJECT

public:
    explicit XQScaledLabel(QWidget *parent = nullptr);
    ~XQScaledLabel() override;

protected:
    void resizeEvent(QResizeEvent *event) override;
};
