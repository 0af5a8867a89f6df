#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "dlgabout.h"
#include "numeric.h"
#include "toneplayer.h"

#include <QDoubleSpinBox>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent),
      ui(new Ui::MainWindow),
      toneSink(new TonePlayer(this))
{
    ui->setupUi(this);
    showMaximized();

    connect(ui->sbErrKNeg_L, SIGNAL(valueChanged(double)), this, SLOT(onSbErrNegLChanged(double)));
    connect(ui->sbErrKNeg_R, SIGNAL(valueChanged(double)), this, SLOT(onSbErrNegRChanged(double)));
    connect(ui->sbErrKZero_L, SIGNAL(valueChanged(double)), this, SLOT(onSbErrZeroLChanged(double)));
    connect(ui->sbErrKZero_R, SIGNAL(valueChanged(double)), this, SLOT(onSbErrZeroRChanged(double)));
    connect(ui->sbErrKPos_L, SIGNAL(valueChanged(double)), this, SLOT(onSbErrPosLChanged(double)));
    connect(ui->sbErrKPos_R, SIGNAL(valueChanged(double)), this, SLOT(onSbErrPosRChanged(double)));
    connect(ui->sbDErrKNeg_L, SIGNAL(valueChanged(double)), this, SLOT(onSbDErrNegLChanged(double)));
    connect(ui->sbDErrKNeg_R, SIGNAL(valueChanged(double)), this, SLOT(onSbDErrNegRChanged(double)));
    connect(ui->sbDErrKZero_L, SIGNAL(valueChanged(double)), this, SLOT(onSbDErrZeroLChanged(double)));
    connect(ui->sbDErrKZero_R, SIGNAL(valueChanged(double)), this, SLOT(onSbDErrZeroRChanged(double)));
    connect(ui->sbDErrKPos_L, SIGNAL(valueChanged(double)), this, SLOT(onSbDErrPosLChanged(double)));
    connect(ui->sbDErrKPos_R, SIGNAL(valueChanged(double)), this, SLOT(onSbDErrPosRChanged(double)));

    // The run starts as the button goes down, not on release.
    connect(ui->btnRunStep, SIGNAL(pressed()), this, SLOT(onStartModellingStep()));
    connect(ui->btnRunChirp, SIGNAL(pressed()), this, SLOT(onStartModellingChirp()));

    connect(ui->actionSave, SIGNAL(triggered()), this, SLOT(onSave()));
    connect(ui->actionLoad, SIGNAL(triggered()), this, SLOT(onLoad()));
    connect(ui->actionExit, SIGNAL(triggered()), this, SLOT(close()));
    connect(ui->actionAbout, SIGNAL(triggered()), this, SLOT(onAbout()));
    connect(ui->actionHelp, SIGNAL(triggered()), this, SLOT(onHelpContext()));
    connect(ui->actionStartStep, SIGNAL(triggered()), this, SLOT(onStartModellingStep()));
    connect(ui->actionStartChirp, SIGNAL(triggered()), this, SLOT(onStartModellingChirp()));

    fsErrNeg.kind = Negative;
    fsErrZero.kind = Zero;
    fsErrPos.kind = Positive;
    fsDErrNeg.kind = Negative;
    fsDErrZero.kind = Zero;
    fsDErrPos.kind = Positive;

    readParameters();
}

MainWindow::~MainWindow()
{
    delete ui;
}

std::array<FuzzySet, 6> MainWindow::fuzzySets() const
{
    return {fsErrNeg, fsErrZero, fsErrPos, fsDErrNeg, fsDErrZero, fsDErrPos};
}

void MainWindow::setToneSink(ToneSink *sink)
{
    toneSink = sink;
}

void MainWindow::readParameters()
{
    fsErrNeg.left = toFloat(ui->sbErrKNeg_L->value());
    fsErrNeg.right = toFloat(ui->sbErrKNeg_R->value());
    fsErrZero.left = toFloat(ui->sbErrKZero_L->value());
    fsErrZero.right = toFloat(ui->sbErrKZero_R->value());
    fsErrPos.left = toFloat(ui->sbErrKPos_L->value());
    fsErrPos.right = toFloat(ui->sbErrKPos_R->value());
    fsDErrNeg.left = toFloat(ui->sbDErrKNeg_L->value());
    fsDErrNeg.right = toFloat(ui->sbDErrKNeg_R->value());
    fsDErrZero.left = toFloat(ui->sbDErrKZero_L->value());
    fsDErrZero.right = toFloat(ui->sbDErrKZero_R->value());
    fsDErrPos.left = toFloat(ui->sbDErrKPos_L->value());
    fsDErrPos.right = toFloat(ui->sbDErrKPos_R->value());
}

void MainWindow::memberFuncChanged()
{
    readParameters();
}

void MainWindow::onStartModellingStep()
{
}

void MainWindow::onStartModellingChirp()
{
}

void MainWindow::onAbout()
{
    DlgAbout dlg(this);
    dlg.exec();
}

void MainWindow::onHelpContext()
{
    if (toneSink)
        toneSink->playTone(200, 100);
}

void MainWindow::onSave()
{
    if (toneSink)
        toneSink->playTone(500, 100);
}

void MainWindow::onLoad()
{
    if (toneSink)
        toneSink->playTone(1000, 100);
}

// The error's sets keep L <= R: the box just changed is put back onto its
// partner when it passes it; setValue re-enters the same slot at once.

void MainWindow::onSbErrNegLChanged(double newVal)
{
    const double r = ui->sbErrKNeg_R->value();
    if (newVal > r)
        ui->sbErrKNeg_L->setValue(r);
    memberFuncChanged();
}

void MainWindow::onSbErrNegRChanged(double newVal)
{
    const double l = ui->sbErrKNeg_L->value();
    if (l > newVal)
        ui->sbErrKNeg_R->setValue(l);
    memberFuncChanged();
}

void MainWindow::onSbErrZeroLChanged(double newVal)
{
    const double r = ui->sbErrKZero_R->value();
    if (newVal > r)
        ui->sbErrKZero_L->setValue(r);
    memberFuncChanged();
}

void MainWindow::onSbErrZeroRChanged(double newVal)
{
    const double l = ui->sbErrKZero_L->value();
    if (l > newVal)
        ui->sbErrKZero_R->setValue(l);
    memberFuncChanged();
}

void MainWindow::onSbErrPosLChanged(double newVal)
{
    const double r = ui->sbErrKPos_R->value();
    if (newVal > r)
        ui->sbErrKPos_L->setValue(r);
    memberFuncChanged();
}

void MainWindow::onSbErrPosRChanged(double newVal)
{
    const double l = ui->sbErrKPos_L->value();
    if (l > newVal)
        ui->sbErrKPos_R->setValue(l);
    memberFuncChanged();
}

// The derivative's sets are free: L may lie above R.

void MainWindow::onSbDErrNegLChanged([[maybe_unused]] double newVal)
{
    memberFuncChanged();
}

void MainWindow::onSbDErrNegRChanged([[maybe_unused]] double newVal)
{
    memberFuncChanged();
}

void MainWindow::onSbDErrZeroLChanged([[maybe_unused]] double newVal)
{
    memberFuncChanged();
}

void MainWindow::onSbDErrZeroRChanged([[maybe_unused]] double newVal)
{
    memberFuncChanged();
}

void MainWindow::onSbDErrPosLChanged([[maybe_unused]] double newVal)
{
    memberFuncChanged();
}

void MainWindow::onSbDErrPosRChanged([[maybe_unused]] double newVal)
{
    memberFuncChanged();
}
