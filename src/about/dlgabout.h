#pragma once

#include <QDialog>

#include "ui_dlgabout.h"

class QWidget;

// The about box: product name, credits, logo and the build-information
// line. Built from the designer form, which it inherits so that it reaches
// the widgets directly; its size is fixed at the layout's size hint.
class DlgAbout : public QDialog, public Ui::dlgAbout
{
    Q_OBJECT

public:
    explicit DlgAbout(QWidget *parent = nullptr);
    ~DlgAbout() override;
};
