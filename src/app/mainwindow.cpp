#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "dlgabout.h"
#include "floatingdockfit.h"
#include "fuzzycontroller.h"
#include "membershipchart.h"
#include "numeric.h"
#include "panelinputfilter.h"
#include "resultschart.h"
#include "steprun.h"
#include "toneplayer.h"
#include "xplot.h"

#include <QApplication>
#include <QDoubleSpinBox>

#include <utility>

namespace {

// An L box raised past its R box goes back to R's value; an R box lowered
// past its L box goes back to L's. The comparison is strict, on the
// doubles the boxes hold, and the other box never moves. A value the user
// is typing waits for the end of the edit: every text the box accepts is a
// value, and the "-0" of "-0.2" would already be put back onto the partner.
void holdLeftAtMostRight(QDoubleSpinBox *left, QDoubleSpinBox *right, double newLeft,
                         bool typing)
{
    const double r = right->value();
    if (!typing && newLeft > r)
        left->setValue(r);
}

void holdRightAtLeastLeft(QDoubleSpinBox *left, QDoubleSpinBox *right, double newRight,
                          bool typing)
{
    const double l = left->value();
    if (!typing && l > newRight)
        right->setValue(l);
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent),
      ui(new Ui::MainWindow),
      toneSink(new TonePlayer(this)),
      panelInput(nullptr)
{
    ui->setupUi(this);
    showMaximized();

    // The wheel over the panel and typed values; see PanelInputFilter.
    panelInput = new PanelInputFilter(ui->scrollAreaConfigure,
        { ui->sbErrKNeg_L, ui->sbErrKNeg_R, ui->sbErrKZero_L, ui->sbErrKZero_R, ui->sbErrKPos_L,
          ui->sbErrKPos_R, ui->sbDErrKNeg_L, ui->sbDErrKNeg_R, ui->sbDErrKZero_L,
          ui->sbDErrKZero_R, ui->sbDErrKPos_L, ui->sbDErrKPos_R, ui->sbOutputAmp, ui->sbKp,
          ui->sbKi, ui->sbKd, ui->sbModelTime, ui->sbSetPoint },
        this);

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

    new FloatingDockFit(ui->dockWidgetConfig);

    // A typed bound meets the L <= R rule once the user is done with it:
    // Enter, Return and the focus leaving a box end its edit.
    for (QDoubleSpinBox *box : { ui->sbErrKNeg_L, ui->sbErrKNeg_R, ui->sbErrKZero_L,
                                 ui->sbErrKZero_R, ui->sbErrKPos_L, ui->sbErrKPos_R })
        connect(box, &QAbstractSpinBox::editingFinished, this, [this, box] { finishEdit(box); });

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
    setupFuncPlots();
    redrawFuncPlots();
    setupResultsPlot();
}

MainWindow::~MainWindow()
{
    // The boxes outlive this part of the window and end their edits as the
    // focus goes with them; nothing of the window may answer by then.
    for (QDoubleSpinBox *box : findChildren<QDoubleSpinBox *>())
        box->disconnect(this);
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

void MainWindow::setupFuncPlots()
{
    MembershipChart::setUp(*ui->plotFuncErr, curvesFuncErr, MembershipChart::Error);
    MembershipChart::setUp(*ui->plotFuncDiffErr, curvesFuncDiffErr, MembershipChart::Derivative);
}

void MainWindow::redrawFuncPlots()
{
    MembershipChart::show(*ui->plotFuncErr, curvesFuncErr, { fsErrNeg, fsErrZero, fsErrPos });
    MembershipChart::show(*ui->plotFuncDiffErr, curvesFuncDiffErr,
                          { fsDErrNeg, fsDErrZero, fsDErrPos });
}

void MainWindow::setupResultsPlot()
{
    ResultsChart::setUp(*ui->plotResults, curvesResults, ui->sbModelTime->value(),
                        ui->sbSetPoint->value());
}

void MainWindow::memberFuncChanged()
{
    readParameters();
    redrawFuncPlots();
}

void MainWindow::finishEdit(QDoubleSpinBox *box)
{
    const std::pair<QDoubleSpinBox *, QDoubleSpinBox *> errorSets[] = {
        { ui->sbErrKNeg_L, ui->sbErrKNeg_R },
        { ui->sbErrKZero_L, ui->sbErrKZero_R },
        { ui->sbErrKPos_L, ui->sbErrKPos_R },
    };
    for (const auto &[left, right] : errorSets) {
        if (box == left)
            holdLeftAtMostRight(left, right, left->value(), false);
        else if (box == right)
            holdRightAtLeastLeft(left, right, right->value(), false);
    }
}

void MainWindow::onStartModellingStep()
{
    // A bound still being typed (F5 with the cursor in its box) is taken as
    // Enter would take it, so that no run sees an error set with L > R.
    // Only the box with the focus can hold one.
    if (auto *box = qobject_cast<QDoubleSpinBox *>(QApplication::focusWidget())) {
        box->interpretText();
        finishEdit(box);
    }

    const double setPoint = ui->sbSetPoint->value();
    const double modelTime = ui->sbModelTime->value();
    const int steps = StepRun::stepCount(modelTime);
    const double kp = ui->sbKp->value();
    const double ki = ui->sbKi->value();
    const double kd = ui->sbKd->value();

    double peak = 0.0;
    StepRun::Response closed = StepRun::closedLoop(setPoint, steps, peak);
    curvesResults[StepRun::ClosedLoop] =
        ResultsChart::curve(StepRun::ClosedLoop, std::move(closed.t), std::move(closed.y));

    StepRun::Response pid = StepRun::pidLoop(setPoint, steps, PidController(kp, ki, kd), peak);
    curvesResults[StepRun::PidLoop] =
        ResultsChart::curve(StepRun::PidLoop, std::move(pid.t), std::move(pid.y));

    // The amplification is read only now, as the fuzzy loop starts.
    const FuzzyController fuzzy({ fsErrNeg, fsErrZero, fsErrPos },
                                { fsDErrNeg, fsDErrZero, fsDErrPos },
                                ui->sbOutputAmp->value());
    StepRun::Response fuzzyResponse = StepRun::fuzzyLoop(setPoint, steps, fuzzy, peak);
    curvesResults[StepRun::FuzzyLoop] = ResultsChart::curve(
        StepRun::FuzzyLoop, std::move(fuzzyResponse.t), std::move(fuzzyResponse.y));

    ResultsChart::show(*ui->plotResults, curvesResults, modelTime, peak);
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
    holdLeftAtMostRight(ui->sbErrKNeg_L, ui->sbErrKNeg_R, newVal,
                         panelInput->typing(ui->sbErrKNeg_L));
    memberFuncChanged();
}

void MainWindow::onSbErrNegRChanged(double newVal)
{
    holdRightAtLeastLeft(ui->sbErrKNeg_L, ui->sbErrKNeg_R, newVal,
                         panelInput->typing(ui->sbErrKNeg_R));
    memberFuncChanged();
}

void MainWindow::onSbErrZeroLChanged(double newVal)
{
    holdLeftAtMostRight(ui->sbErrKZero_L, ui->sbErrKZero_R, newVal,
                         panelInput->typing(ui->sbErrKZero_L));
    memberFuncChanged();
}

void MainWindow::onSbErrZeroRChanged(double newVal)
{
    holdRightAtLeastLeft(ui->sbErrKZero_L, ui->sbErrKZero_R, newVal,
                         panelInput->typing(ui->sbErrKZero_R));
    memberFuncChanged();
}

void MainWindow::onSbErrPosLChanged(double newVal)
{
    holdLeftAtMostRight(ui->sbErrKPos_L, ui->sbErrKPos_R, newVal,
                         panelInput->typing(ui->sbErrKPos_L));
    memberFuncChanged();
}

void MainWindow::onSbErrPosRChanged(double newVal)
{
    holdRightAtLeastLeft(ui->sbErrKPos_L, ui->sbErrKPos_R, newVal,
                         panelInput->typing(ui->sbErrKPos_R));
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
