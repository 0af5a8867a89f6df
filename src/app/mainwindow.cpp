#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "dlgabout.h"
#include "floatingdockfit.h"
#include "fuzzycontroller.h"
#include "numeric.h"
#include "panelinputfilter.h"
#include "steprun.h"
#include "toneplayer.h"
#include "xplot.h"

#include <QApplication>
#include <QColor>
#include <QDoubleSpinBox>
#include <QString>

#include <cfloat>
#include <cmath>
#include <utility>

namespace {

// Title and colour of the membership curves by position in their triple:
// Negative, Zero, Positive. The same for both charts.
struct MembershipStyle {
    const char *title;
    Qt::GlobalColor color;
};
constexpr MembershipStyle kMembershipStyle[3] = {
    { "Large Negative", Qt::red },
    { "Near Zero", Qt::green },
    { "Large Positive", Qt::blue },
};

CurveData membershipRecord(int position, std::vector<double> x, std::vector<double> y,
                           float width)
{
    const MembershipStyle &style = kMembershipStyle[position];
    return CurveData(std::move(x), std::move(y), QString::fromLatin1(style.title),
                     QColor(style.color), width);
}

// The membership polyline of the set at a position of its triple from -10
// to 10, the range of the bound boxes. The points are neither sorted nor
// clamped, and the Zero apex stays at the origin whatever the bounds, so
// the chart shows exactly what the user typed.
CurveData membershipCurve(int position, const FuzzySet &set)
{
    const double l = set.left;
    const double r = set.right;
    switch (position) {
    case 0:
        return membershipRecord(0, { -10.0, l, r, 10.0 }, { 1.0, 1.0, 0.0, 0.0 }, 2.0f);
    case 1:
        return membershipRecord(1, { -10.0, l, 0.0, r, 10.0 }, { 0.0, 0.0, 1.0, 0.0, 0.0 }, 2.0f);
    default:
        return membershipRecord(2, { -10.0, l, r, 10.0 }, { 0.0, 0.0, 1.0, 1.0 }, 2.0f);
    }
}

// The top of the results chart's y axis. The run's peak as a float, unless a
// diverging loop has pushed it past the float range: then the largest finite
// output, clamped to the float range, so the axis keeps its ticks.
float resultsAxisTop(double peak, const std::vector<CurveData> &curves)
{
    const float top = toFloat(peak);
    if (std::isfinite(top))
        return top;
    double largest = 0.0;
    for (const CurveData &c : curves)
        for (double y : c.y)
            if (std::isfinite(y) && y > largest)
                largest = y;
    return static_cast<float>(std::min(largest, static_cast<double>(FLT_MAX)));
}

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

CurveData MainWindow::resultsCurve(int index, std::vector<double> x, std::vector<double> y) const
{
    switch (index) {
    case StepRun::ClosedLoop:
        return CurveData(std::move(x), std::move(y), tr("Closed loop"), QColor(Qt::blue), 3.0f);
    case StepRun::PidLoop:
        return CurveData(std::move(x), std::move(y), tr("PID loop"), QColor(Qt::darkGreen), 3.0f);
    default:
        return CurveData(std::move(x), std::move(y), tr("Fuzzy Control"), QColor(Qt::red), 3.0f);
    }
}

void MainWindow::setupFuncPlots()
{
    const auto emptyRecords = [](std::vector<CurveData> &records) {
        records.resize(3);
        for (int i = 0; i < 3; ++i)
            records[static_cast<std::size_t>(i)] = membershipRecord(i, {}, {}, 3.0f);
    };

    emptyRecords(curvesFuncErr);
    ui->plotFuncErr->init(-3.0f, 3.0f, 0.0f, 1.1f, false, tr("e"), tr("f"));
    ui->plotFuncErr->createCurves(curvesFuncErr);

    emptyRecords(curvesFuncDiffErr);
    ui->plotFuncDiffErr->init(-3.0f, 3.0f, 0.0f, 1.1f, false, tr("de"), tr("f"));
    ui->plotFuncDiffErr->createCurves(curvesFuncDiffErr);
}

void MainWindow::redrawFuncPlots()
{
    const FuzzySet err[3] = { fsErrNeg, fsErrZero, fsErrPos };
    for (int i = 0; i < 3; ++i)
        curvesFuncErr[static_cast<std::size_t>(i)] = membershipCurve(i, err[i]);
    ui->plotFuncErr->updateCurves(curvesFuncErr);

    const FuzzySet dErr[3] = { fsDErrNeg, fsDErrZero, fsDErrPos };
    for (int i = 0; i < 3; ++i)
        curvesFuncDiffErr[static_cast<std::size_t>(i)] = membershipCurve(i, dErr[i]);
    ui->plotFuncDiffErr->updateCurves(curvesFuncDiffErr);
}

void MainWindow::setupResultsPlot()
{
    curvesResults.resize(3);
    for (int i = 0; i < 3; ++i)
        curvesResults[static_cast<std::size_t>(i)] = resultsCurve(i, {}, {});

    ui->plotResults->init(0.0f, toFloat(ui->sbModelTime->value()), 0.0f,
                          toFloat(3.0 * ui->sbSetPoint->value()), true, QStringLiteral("t"),
                          QStringLiteral("f"));
    ui->plotResults->createCurves(curvesResults);
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
        resultsCurve(StepRun::ClosedLoop, std::move(closed.t), std::move(closed.y));

    StepRun::Response pid = StepRun::pidLoop(setPoint, steps, kp, ki, kd, peak);
    curvesResults[StepRun::PidLoop] =
        resultsCurve(StepRun::PidLoop, std::move(pid.t), std::move(pid.y));

    // The amplification is read only now, as the fuzzy loop starts.
    const FuzzyController fuzzy({ fsErrNeg, fsErrZero, fsErrPos },
                                { fsDErrNeg, fsDErrZero, fsDErrPos },
                                ui->sbOutputAmp->value());
    StepRun::Response fuzzyResponse = StepRun::fuzzyLoop(setPoint, steps, fuzzy, peak);
    curvesResults[StepRun::FuzzyLoop] = resultsCurve(
        StepRun::FuzzyLoop, std::move(fuzzyResponse.t), std::move(fuzzyResponse.y));

    ui->plotResults->setScales(0.0f, toFloat(modelTime), 0.0f,
                               resultsAxisTop(peak, curvesResults));
    ui->plotResults->updateCurves(curvesResults);
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
