// The window's three charts read back through Qwt: the membership curves
// following the fuzzy sets, and the results chart after step runs.

#include "mainwindow.h"
#include "stepparameters.h"
#include "steprun.h"
#include "xplot.h"

#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot_curve.h>
#include <qwt_scale_div.h>
#include <qwt_scale_map.h>

#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QLayout>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

#include <cfloat>
#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// How many times a chart received new curves: every updateCurves detaches
// and re-attaches each of its curves, and ends with one redraw.
int curveUpdates(const QSignalSpy &attached, int curves)
{
    int attaches = 0;
    for (const QList<QVariant> &args : attached)
        if (args.at(1).toBool())
            ++attaches;
    return attaches / curves;
}

struct Points {
    QVector<double> x;
    QVector<double> y;
};

Points points(const QwtPlotCurve *curve)
{
    Points p;
    for (size_t i = 0; i < curve->dataSize(); ++i) {
        p.x.append(curve->sample(static_cast<int>(i)).x());
        p.y.append(curve->sample(static_cast<int>(i)).y());
    }
    return p;
}

QwtPlotCurve *curveByTitle(XPlot *plot, const QString &title)
{
    for (QwtPlotItem *item : plot->itemList(QwtPlotItem::Rtti_PlotCurve))
        if (item->title().text() == title)
            return static_cast<QwtPlotCurve *>(item);
    return nullptr;
}

QStringList legendOrder(XPlot *plot)
{
    QStringList titles;
    auto *legend = qobject_cast<QwtLegend *>(plot->legend());
    if (!legend)
        return titles;
    QLayout *layout = legend->contentsWidget()->layout();
    for (int i = 0; i < layout->count(); ++i)
        if (auto *label = qobject_cast<QwtLegendLabel *>(layout->itemAt(i)->widget()))
            titles << label->text().text();
    return titles;
}

QwtLegendLabel *legendLabel(XPlot *plot, QwtPlotItem *item)
{
    auto *legend = qobject_cast<QwtLegend *>(plot->legend());
    return legend ? qobject_cast<QwtLegendLabel *>(legend->legendWidget(plot->itemToInfo(item)))
                  : nullptr;
}

const QStringList kResultTitles = { "Closed loop", "PID loop", "Fuzzy Control" };
const QStringList kMembershipTitles = { "Large Negative", "Near Zero", "Large Positive" };

} // namespace

class TestMainWindowCharts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void resultsAtStart();
    void membershipAtStart_data();
    void membershipAtStart();
    void membershipFollowsEdits_data();
    void membershipFollowsEdits();
    void redrawsPerEdit_data();
    void redrawsPerEdit();
    void runAtStartValues();
    void shortRuns_data();
    void shortRuns();
    void runMatchesCore_data();
    void runMatchesCore();
    void runsAreRepeatable();
    void amplificationOnlyMovesFuzzyCurve();
    void runTriggers_data();
    void runTriggers();
    void runBringsBackUncheckedCurve();
    void chirpChangesNothing_data();
    void chirpChangesNothing();
    void unstableSettingsKeepAxisFinite();
    void divergingRunDrawsOnlyItsData();

private:
    XPlot *plot(const char *name) const { return window->findChild<XPlot *>(name); }
    QDoubleSpinBox *box(const char *name) const
    {
        return window->findChild<QDoubleSpinBox *>(name);
    }
    void run() { QMetaObject::invokeMethod(window.get(), "onStartModellingStep"); }
    QVector<Points> results() const;

    std::unique_ptr<MainWindow> window;
};

void TestMainWindowCharts::init()
{
    window = std::make_unique<MainWindow>();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestMainWindowCharts::cleanup()
{
    window.reset();
}

QVector<Points> TestMainWindowCharts::results() const
{
    QVector<Points> all;
    for (const QString &title : kResultTitles) {
        QwtPlotCurve *c = curveByTitle(plot("plotResults"), title);
        all.append(c ? points(c) : Points());
    }
    return all;
}

void TestMainWindowCharts::resultsAtStart()
{
    XPlot *p = plot("plotResults");
    QCOMPARE(p->axisScaleDiv(QwtPlot::xBottom).lowerBound(), 0.0);
    QCOMPARE(p->axisScaleDiv(QwtPlot::xBottom).upperBound(), 20.0);
    QCOMPARE(p->axisScaleDiv(QwtPlot::yLeft).lowerBound(), 0.0);
    QCOMPARE(p->axisScaleDiv(QwtPlot::yLeft).upperBound(), 3.0);
    QCOMPARE(p->axisTitle(QwtPlot::xBottom).text(), QString("t"));
    QCOMPARE(p->axisTitle(QwtPlot::yLeft).text(), QString("f"));
    QCOMPARE(legendOrder(p), kResultTitles);

    const QColor colors[] = { Qt::blue, Qt::darkGreen, Qt::red };
    for (int i = 0; i < 3; ++i) {
        QwtPlotCurve *c = curveByTitle(p, kResultTitles[i]);
        QVERIFY(c);
        QCOMPARE(int(c->dataSize()), 1);
        QCOMPARE(c->sample(0), QPointF(0, 0));
        QVERIFY(c->isVisible());
        QCOMPARE(c->pen().widthF(), 3.0);
        QCOMPARE(c->pen().color().rgb(), colors[i].rgb());
        QCOMPARE(c->pen().color().alpha(), 150);
        QCOMPARE(c->z(), double(-i));
        QwtLegendLabel *label = legendLabel(p, c);
        QVERIFY(label);
        QVERIFY(label->isChecked());
    }
}

void TestMainWindowCharts::membershipAtStart_data()
{
    QTest::addColumn<QString>("chart");
    QTest::addColumn<int>("position");
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<double>>("y");

    // The bounds are floats widened to double: -0.1 shows as
    // -0.10000000149011612.
    const double m01 = double(-0.1f), p01 = double(0.1f);
    const double m005 = double(-0.05f), p005 = double(0.05f);
    QTest::newRow("e negative") << "plotFuncErr" << 0 << QVector<double>{ -10, -1.5, m01, 10 }
                                << QVector<double>{ 1, 1, 0, 0 };
    QTest::newRow("e zero") << "plotFuncErr" << 1 << QVector<double>{ -10, m01, 0, p01, 10 }
                            << QVector<double>{ 0, 0, 1, 0, 0 };
    QTest::newRow("e positive") << "plotFuncErr" << 2 << QVector<double>{ -10, p01, 1.5, 10 }
                                << QVector<double>{ 0, 0, 1, 1 };
    QTest::newRow("de negative") << "plotFuncDiffErr" << 0
                                 << QVector<double>{ -10, -1.5, m005, 10 }
                                 << QVector<double>{ 1, 1, 0, 0 };
    QTest::newRow("de zero") << "plotFuncDiffErr" << 1 << QVector<double>{ -10, -1, 0, 1, 10 }
                             << QVector<double>{ 0, 0, 1, 0, 0 };
    QTest::newRow("de positive") << "plotFuncDiffErr" << 2
                                 << QVector<double>{ -10, p005, 1.5, 10 }
                                 << QVector<double>{ 0, 0, 1, 1 };
}

void TestMainWindowCharts::membershipAtStart()
{
    QFETCH(QString, chart);
    QFETCH(int, position);
    QFETCH(QVector<double>, x);
    QFETCH(QVector<double>, y);

    XPlot *p = plot(qPrintable(chart));
    QVERIFY(p);
    QCOMPARE(p->legend(), nullptr);
    QCOMPARE(p->axisScaleDiv(QwtPlot::xBottom).lowerBound(), -3.0);
    QCOMPARE(p->axisScaleDiv(QwtPlot::xBottom).upperBound(), 3.0);
    QCOMPARE(p->axisScaleDiv(QwtPlot::yLeft).lowerBound(), 0.0);
    QCOMPARE(p->axisScaleDiv(QwtPlot::yLeft).upperBound(), double(1.1f));
    QCOMPARE(p->axisTitle(QwtPlot::xBottom).text(),
             QString(chart == "plotFuncErr" ? "e" : "de"));

    QwtPlotCurve *c = curveByTitle(p, kMembershipTitles[position]);
    QVERIFY(c);
    const Points got = points(c);
    // Exact: the points are the stored floats themselves.
    QCOMPARE(got.x, x);
    QCOMPARE(got.y, y);
    QCOMPARE(c->pen().widthF(), 2.0);
    const QColor colors[] = { Qt::red, Qt::green, Qt::blue };
    QCOMPARE(c->pen().color().rgb(), colors[position].rgb());
}

void TestMainWindowCharts::membershipFollowsEdits_data()
{
    QTest::addColumn<QString>("boxName");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("chart");
    QTest::addColumn<int>("position");
    QTest::addColumn<QVector<double>>("x");

    // Derivative sets are free, so out-of-order bounds reach the chart,
    // which draws them as the controller takes them: Zero empty, a
    // shoulder as a step at L.
    QTest::newRow("de zero L above R") << "sbDErrKZero_L" << 2.0 << "plotFuncDiffErr" << 1
                                       << QVector<double>{ -10, 10 };
    QTest::newRow("de positive L above R") << "sbDErrKPos_L" << 3.0 << "plotFuncDiffErr" << 2
                                           << QVector<double>{ -10, 3, 3, 10 };
    QTest::newRow("de negative at -10") << "sbDErrKNeg_L" << -10.0 << "plotFuncDiffErr" << 0
                                        << QVector<double>{ -10, -10, double(-0.05f), 10 };
    QTest::newRow("e zero right bound") << "sbErrKZero_R" << 0.5 << "plotFuncErr" << 1
                                        << QVector<double>{ -10, double(-0.1f), 0, 0.5, 10 };
    // A raised L past R is put back onto R: a vertical edge.
    QTest::newRow("e negative L corrected") << "sbErrKNeg_L" << 0.5 << "plotFuncErr" << 0
                                            << QVector<double>{ -10, double(-0.1f),
                                                                double(-0.1f), 10 };
}

void TestMainWindowCharts::membershipFollowsEdits()
{
    QFETCH(QString, boxName);
    QFETCH(double, value);
    QFETCH(QString, chart);
    QFETCH(int, position);
    QFETCH(QVector<double>, x);

    box(qPrintable(boxName))->setValue(value);
    QwtPlotCurve *c = curveByTitle(plot(qPrintable(chart)), kMembershipTitles[position]);
    QVERIFY(c);
    QCOMPARE(points(c).x, x);
}

void TestMainWindowCharts::redrawsPerEdit_data()
{
    QTest::addColumn<QString>("boxName");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("redraws");

    QTest::newRow("derivative bound") << "sbDErrKNeg_R" << -0.5 << 1;
    QTest::newRow("error bound, no correction") << "sbErrKPos_R" << 2.0 << 1;
    QTest::newRow("error L corrected") << "sbErrKNeg_L" << 0.5 << 2;
    QTest::newRow("error R corrected") << "sbErrKPos_R" << -1.0 << 2;
    QTest::newRow("unchanged value") << "sbErrKPos_R" << 1.5 << 0;
    // Every error box, each pushed past its partner.
    QTest::newRow("error negative R corrected") << "sbErrKNeg_R" << -2.0 << 2;
    QTest::newRow("error zero L corrected") << "sbErrKZero_L" << 0.5 << 2;
    QTest::newRow("error zero R corrected") << "sbErrKZero_R" << -0.5 << 2;
    QTest::newRow("error positive L corrected") << "sbErrKPos_L" << 2.0 << 2;
}

void TestMainWindowCharts::redrawsPerEdit()
{
    QFETCH(QString, boxName);
    QFETCH(double, value);
    QFETCH(int, redraws);

    QSignalSpy errSpy(plot("plotFuncErr"), &QwtPlot::itemAttached);
    QSignalSpy dErrSpy(plot("plotFuncDiffErr"), &QwtPlot::itemAttached);
    QSignalSpy resultSpy(plot("plotResults"), &QwtPlot::itemAttached);

    box(qPrintable(boxName))->setValue(value);

    // A corrected edit redraws twice (once inside the nested slot call),
    // any other edit once, and both charts whichever bound changed.
    QCOMPARE(curveUpdates(errSpy, 3), redraws);
    QCOMPARE(curveUpdates(dErrSpy, 3), redraws);
    QCOMPARE(resultSpy.count(), 0);
}

void TestMainWindowCharts::runAtStartValues()
{
    run();
    XPlot *p = plot("plotResults");
    const auto all = results();
    for (const Points &pts : all) {
        QCOMPARE(pts.x.size(), 99);
        QCOMPARE(pts.x.first(), 0.4);
        QVERIFY(std::fabs(pts.x.last() - 20.0) < 1e-9);
    }
    QCOMPARE(p->axisScaleDiv(QwtPlot::xBottom).lowerBound(), 0.0);
    QCOMPARE(p->axisScaleDiv(QwtPlot::xBottom).upperBound(), 20.0);
    QCOMPARE(p->axisScaleDiv(QwtPlot::yLeft).lowerBound(), 0.0);
    // The closed loop's fifth output, handed over as a float.
    QCOMPARE(p->axisScaleDiv(QwtPlot::yLeft).upperBound(), double(float(all[0].y[4])));
    QVERIFY(std::fabs(p->axisScaleDiv(QwtPlot::yLeft).upperBound() - 1.39940) < 1e-5);
    QCOMPARE(legendOrder(p), kResultTitles);
}

void TestMainWindowCharts::shortRuns_data()
{
    QTest::addColumn<double>("time");
    QTest::addColumn<double>("setPoint");
    QTest::addColumn<QVector<double>>("firstValues");
    QTest::addColumn<double>("yTop");

    // Below one step the curves are empty and the chart shows (0, 0).
    QTest::newRow("0.1 s") << 0.1 << 1.0 << QVector<double>{ 0, 0, 0 } << 0.0;
    QTest::newRow("0.2 s") << 0.2 << 1.0 << QVector<double>{ 0.1666, 0.259896, 0 }
                           << double(float(0.259896));
    QTest::newRow("target 0") << 20.0 << 0.0 << QVector<double>{ 0, 0, 0 } << 0.0;
}

void TestMainWindowCharts::shortRuns()
{
    QFETCH(double, time);
    QFETCH(double, setPoint);
    QFETCH(QVector<double>, firstValues);
    QFETCH(double, yTop);

    box("sbModelTime")->setValue(time);
    box("sbSetPoint")->setValue(setPoint);
    run();
    XPlot *p = plot("plotResults");
    QCOMPARE(p->axisScaleDiv(QwtPlot::xBottom).upperBound(), double(float(time)));
    QVERIFY(std::fabs(p->axisScaleDiv(QwtPlot::yLeft).upperBound() - yTop) < 1e-7);
    QCOMPARE(p->axisScaleDiv(QwtPlot::yLeft).lowerBound(), 0.0);
    const auto all = results();
    for (int i = 0; i < 3; ++i) {
        QVERIFY(!all[i].y.isEmpty());
        QVERIFY2(std::fabs(all[i].y.first() - firstValues[i]) < 1e-12, qPrintable(kResultTitles[i]));
        if (time < 0.2) {
            QCOMPARE(all[i].x.size(), 1);
            QCOMPARE(all[i].x.first(), 0.0);
        } else {
            QCOMPARE(all[i].x.first(), 0.4);
        }
        if (setPoint == 0.0)
            for (double v : all[i].y)
                QCOMPARE(v, 0.0);
    }
}

void TestMainWindowCharts::runMatchesCore_data()
{
    QTest::addColumn<double>("setPoint");
    QTest::addColumn<double>("time");
    QTest::addColumn<double>("amplification");
    QTest::addColumn<double>("errZeroR");
    QTest::newRow("start values") << 1.0 << 20.0 << 0.5 << 0.1;
    QTest::newRow("long, strong") << 7.5 << 100.0 << 3.25 << 0.1;
    QTest::newRow("wide zero set") << 2.0 << 35.3 << 1.0 << 0.8;
    // 0.3 is no float: a window that passed the box's value on as a float
    // would move every step of the fuzzy loop in its last bits.
    QTest::newRow("amplification read as a double") << 1.0 << 20.0 << 0.3 << 0.1;
}

void TestMainWindowCharts::runMatchesCore()
{
    QFETCH(double, setPoint);
    QFETCH(double, time);
    QFETCH(double, amplification);
    QFETCH(double, errZeroR);

    box("sbSetPoint")->setValue(setPoint);
    box("sbModelTime")->setValue(time);
    box("sbOutputAmp")->setValue(amplification);
    box("sbErrKZero_R")->setValue(errZeroR);
    run();

    StepParameters params;
    params.setPoint = setPoint;
    params.modellingTime = time;
    params.amplification = amplification;
    params.errSets[1].right = float(errZeroR);
    const StepRun::Result expected = StepRun::run(params);
    const auto all = results();
    for (int i = 0; i < 3; ++i) {
        const auto &loop = expected.loops[static_cast<std::size_t>(i)];
        QCOMPARE(all[i].x, QVector<double>(loop.t.begin(), loop.t.end()));
        QCOMPARE(all[i].y, QVector<double>(loop.y.begin(), loop.y.end()));
    }
    QCOMPARE(plot("plotResults")->axisScaleDiv(QwtPlot::yLeft).upperBound(),
             double(float(expected.peak)));
}

void TestMainWindowCharts::runsAreRepeatable()
{
    run();
    const auto first = results();
    run();
    const auto second = results();
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(second[i].x, first[i].x);
        QCOMPARE(second[i].y, first[i].y);
    }
}

void TestMainWindowCharts::amplificationOnlyMovesFuzzyCurve()
{
    run();
    const auto before = results();
    box("sbOutputAmp")->setValue(2.0);
    // Changing a run parameter alone changes nothing until the next run.
    QCOMPARE(results()[2].y, before[2].y);
    run();
    const auto after = results();
    QCOMPARE(after[0].y, before[0].y);
    QCOMPARE(after[1].y, before[1].y);
    QVERIFY(after[2].y != before[2].y);
}

void TestMainWindowCharts::runTriggers_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("F5") << "F5";
    QTest::newRow("button press") << "press";
    QTest::newRow("menu entry") << "menu";
}

void TestMainWindowCharts::runTriggers()
{
    QFETCH(QString, how);
    QCOMPARE(results()[0].x.size(), 1);
    if (how == "F5") {
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_F5);
    } else if (how == "press") {
        // The run starts as the button goes down, before any release.
        QTest::mousePress(window->findChild<QPushButton *>("btnRunStep"), Qt::LeftButton);
    } else {
        window->findChild<QAction *>("actionStartStep")->trigger();
    }
    QCOMPARE(results()[0].x.size(), 99);
    if (how == "press")
        QTest::mouseRelease(window->findChild<QPushButton *>("btnRunStep"), Qt::LeftButton);
}

void TestMainWindowCharts::runBringsBackUncheckedCurve()
{
    run();
    XPlot *p = plot("plotResults");
    QwtPlotCurve *pid = curveByTitle(p, "PID loop");
    QwtLegendLabel *label = legendLabel(p, pid);
    QVERIFY(label);
    QTest::mouseClick(label, Qt::LeftButton);
    QVERIFY(!pid->isVisible());
    QVERIFY(!label->isChecked());

    run();
    label = legendLabel(p, pid);
    QVERIFY(label);
    QVERIFY(pid->isVisible());
    QVERIFY(label->isChecked());
}

void TestMainWindowCharts::chirpChangesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("F6") << "F6";
    QTest::newRow("button press") << "press";
    QTest::newRow("menu entry") << "menu";
}

void TestMainWindowCharts::chirpChangesNothing()
{
    QFETCH(QString, how);
    run();
    const auto before = results();
    const double top = plot("plotResults")->axisScaleDiv(QwtPlot::yLeft).upperBound();
    box("sbModelTime")->setValue(5.0);
    if (how == "F6") {
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_F6);
    } else if (how == "press") {
        QTest::mouseClick(window->findChild<QPushButton *>("btnRunChirp"), Qt::LeftButton);
    } else {
        window->findChild<QAction *>("actionStartChirp")->trigger();
    }
    const auto after = results();
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(after[i].x, before[i].x);
        QCOMPARE(after[i].y, before[i].y);
    }
    QCOMPARE(plot("plotResults")->axisScaleDiv(QwtPlot::yLeft).upperBound(), top);
    QCOMPARE(plot("plotResults")->axisScaleDiv(QwtPlot::xBottom).upperBound(), 20.0);
}

void TestMainWindowCharts::unstableSettingsKeepAxisFinite()
{
    box("sbKp")->setValue(1000.0);
    box("sbKi")->setValue(100.0);
    box("sbKd")->setValue(100.0);
    box("sbModelTime")->setValue(100.0);
    box("sbSetPoint")->setValue(100.0);
    run();

    const auto all = results();
    QCOMPARE(all[1].y.size(), 499);
    QVERIFY(std::any_of(all[1].y.begin(), all[1].y.end(), [](double v) { return !std::isfinite(v); }));

    const QwtScaleDiv &y = plot("plotResults")->axisScaleDiv(QwtPlot::yLeft);
    QCOMPARE(y.lowerBound(), 0.0);
    QVERIFY(std::isfinite(y.upperBound()));
    QVERIFY(y.upperBound() > 0.0);
    QVERIFY(y.upperBound() <= double(FLT_MAX));
    QVERIFY(!y.ticks(QwtScaleDiv::MajorTick).isEmpty());

    // Painting the diverged curves must not hang or crash.
    window->findChild<QTabWidget *>("tabScheme")->setCurrentIndex(1);
    QVERIFY(!plot("plotResults")->grab().isNull());
}

// A diverging run: the PID loop's outputs swing in sign, grow by about x250 a
// step, overflow to -inf at 25.8 s and are NaN from there on. The chart must
// show only what the samples say: the line hugs the bottom while the values
// are tiny against the axis, then nearly vertical strokes where it swings
// past the canvas, and nothing after the last finite sample.
void TestMainWindowCharts::divergingRunDrawsOnlyItsData()
{
    window->showNormal();
    window->resize(1920, 1080);
    box("sbKp")->setValue(1000.0);
    box("sbKi")->setValue(100.0);
    box("sbKd")->setValue(100.0);
    box("sbModelTime")->setValue(100.0);
    box("sbSetPoint")->setValue(100.0);
    window->findChild<QTabWidget *>("tabScheme")->setCurrentIndex(1);
    run();

    // The PID curve alone: the other two lie on the bottom line, over it.
    XPlot *chart = plot("plotResults");
    curveByTitle(chart, kResultTitles[0])->setVisible(false);
    curveByTitle(chart, kResultTitles[2])->setVisible(false);
    chart->replot();
    const QImage image = chart->canvas()->grab().toImage();
    if (qEnvironmentVariableIsSet("KESTRUNE_SAVE_IMAGES"))
        image.save("diverging-run.png");

    const Points pid = points(curveByTitle(chart, kResultTitles[1]));
    const double top = chart->axisScaleDiv(QwtPlot::yLeft).upperBound();
    int lastFinite = 0;
    int firstTall = -1; // the first sample that shows above the bottom line
    for (int k = 0; k < pid.y.size() && std::isfinite(pid.y[k]); ++k) {
        lastFinite = k;
        if (firstTall < 0 && pid.y[k] > 0.01 * top)
            firstTall = k;
    }
    QCOMPARE(pid.x[lastFinite + 1], 25.8);
    QVERIFY(firstTall > 1);

    const QwtScaleMap xMap = chart->canvasMap(QwtPlot::xBottom);
    const QwtScaleMap yMap = chart->canvasMap(QwtPlot::yLeft);
    const auto column = [&](double t) { return qRound(xMap.transform(t)); };
    const int bottom = qRound(yMap.transform(0.0));
    const auto greenIn = [&](int x0, int x1, int y0, int y1) {
        for (int x = std::max(x0, 0); x <= std::min(x1, image.width() - 1); ++x)
            for (int y = std::max(y0, 0); y <= std::min(y1, image.height() - 1); ++y) {
                const QColor c = image.pixelColor(x, y);
                if (c.green() > c.red() + 40 && c.green() > c.blue() + 40)
                    return true;
            }
        return false;
    };
    const int pen = 3;
    // Nothing after the last finite sample, nothing above the bottom line
    // before the swings begin.
    QVERIFY(!greenIn(column(pid.x[lastFinite]) + pen, image.width(), 0, image.height()));
    QVERIFY(!greenIn(0, column(pid.x[firstTall - 1]) - pen, 0, bottom - pen));
    // The line is there: along the bottom, and in the strokes of the swings.
    QVERIFY(greenIn(column(1.0), column(1.0), bottom - 1, bottom + 1));
    QVERIFY(greenIn(column(10.0) - pen, column(10.0) + pen, image.height() / 2,
                    image.height() / 2));
}

QTEST_MAIN(TestMainWindowCharts)
#include "tst_mainwindowcharts.moc"
