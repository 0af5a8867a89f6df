// The figures against the window: each chart drawn once by the window and
// once by the figure code at the same size must give the same canvas, pixel
// for pixel.

#include "figurewriter.h"
#include "fontsubstitutes.h"
#include "mainwindow.h"
#include "membershipfigure.h"
#include "resultsfigure.h"
#include "stepparameters.h"
#include "xplot.h"

#include <QBuffer>
#include <QDoubleSpinBox>
#include <QImage>
#include <QPainter>
#include <QTabWidget>
#include <QtTest>

namespace {

// The panel's boxes and the parameters that they make.
struct Setting {
    const char *box;
    double value;
    double StepParameters::*field;
};

QImage pngOf(QSize size, const FigureWriter::Painting &paint)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (!FigureWriter::write(buffer, FigureWriter::Png, size, paint, error))
        return QImage();
    return QImage::fromData(buffer.data(), "PNG").convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestWindowFigure : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitutes(); }
    void sameCanvas_data();
    void sameCanvas();
    void membershipRangeTakesInEveryBound_data();
    void membershipRangeTakesInEveryBound();
};

void TestWindowFigure::sameCanvas_data()
{
    QTest::addColumn<QString>("chart");
    QTest::addColumn<QVector<int>>("settings"); // indices into kSettings
    QTest::addColumn<QSize>("windowSize");

    QTest::newRow("results, start values") << "plotResults" << QVector<int>{} << QSize(1600, 900);
    // Outputs to 1e300 and beyond, then inf and NaN: the axis rule for a
    // diverging run and XCurve's far samples.
    QTest::newRow("results, diverging run")
            << "plotResults" << QVector<int>{ 0, 1, 2, 3, 4 } << QSize(1920, 1080);
    // No sample at all: each curve is the point (0, 0), the y axis 0 ... 0.
    QTest::newRow("results, shorter than a step") << "plotResults" << QVector<int>{ 5 }
                                                  << QSize(1200, 700);
    QTest::newRow("error's sets") << "plotFuncErr" << QVector<int>{ 6 } << QSize(1400, 1000);
    QTest::newRow("derivative's sets, L above R")
            << "plotFuncDiffErr" << QVector<int>{ 7 } << QSize(1400, 1000);
}

void TestWindowFigure::sameCanvas()
{
    QFETCH(QString, chart);
    QFETCH(QVector<int>, settings);
    QFETCH(QSize, windowSize);

    static const Setting kSettings[] = {
        { "sbKp", 1000.0, &StepParameters::kp },
        { "sbKi", 100.0, &StepParameters::ki },
        { "sbKd", 100.0, &StepParameters::kd },
        { "sbModelTime", 100.0, &StepParameters::modellingTime },
        { "sbSetPoint", 100.0, &StepParameters::setPoint },
        { "sbModelTime", 0.1, &StepParameters::modellingTime },
        { "sbErrKZero_R", 0.8, nullptr },
        { "sbDErrKPos_L", 2.0, nullptr },
    };
    StepParameters params;
    MainWindow window;
    window.showNormal();
    window.resize(windowSize);
    for (int i : settings) {
        window.findChild<QDoubleSpinBox *>(kSettings[i].box)->setValue(kSettings[i].value);
        if (kSettings[i].field)
            params.*kSettings[i].field = kSettings[i].value;
    }
    const std::array<FuzzySet, 6> sets = window.fuzzySets();
    params.errSets = { sets[0], sets[1], sets[2] };
    params.dErrSets = { sets[3], sets[4], sets[5] };

    const bool results = chart == QLatin1String("plotResults");
    window.findChild<QTabWidget *>("tabScheme")->setCurrentIndex(results ? 1 : 0);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (results)
        QMetaObject::invokeMethod(&window, "onStartModellingStep");
    XPlot *shown = window.findChild<XPlot *>(chart);
    QVERIFY(shown);
    const QImage windowImage = shown->grab().toImage().convertToFormat(QImage::Format_RGB32);

    QImage figureImage;
    if (results) {
        const ResultsFigure figure(params, StepRun::run(params), shown->size());
        figureImage = pngOf(shown->size(), [&](QPainter &painter, const QRectF &rect) {
            figure.paint(painter, rect);
        });
    } else {
        // The figure lays its charts out beside its legend, each a little
        // narrower than the figure: one this much larger puts the chart at
        // the window chart's size.
        const MembershipFigure probe(params.errSets, params.dErrSets, shown->size());
        const QSize grow = shown->size() - probe.errorPlot().size();
        const MembershipFigure figure(params.errSets, params.dErrSets,
                                      shown->size() + QSize(grow.width(), shown->height() + 6));
        XPlot &drawn = chart == QLatin1String("plotFuncErr") ? figure.errorPlot()
                                                              : figure.derivativePlot();
        figureImage = pngOf(shown->size(), [&](QPainter &painter, const QRectF &rect) {
            FigureWriter::renderPlot(drawn, painter, rect);
        });
    }
    QCOMPARE(figureImage.size(), windowImage.size());
    const QRect canvas = shown->canvas()->geometry();
    const QImage fromWindow = windowImage.copy(canvas);
    const QImage fromFigure = figureImage.copy(canvas);
    if (fromFigure != fromWindow && qEnvironmentVariableIsSet("KESTRUNE_SAVE_IMAGES")) {
        windowImage.save(QStringLiteral("window-%1.png").arg(QTest::currentDataTag()));
        figureImage.save(QStringLiteral("figure-%1.png").arg(QTest::currentDataTag()));
    }
    QVERIFY(fromFigure == fromWindow);
}

// The membership figure keeps the window's -3 ... 3 unless a bound lies
// beyond, as tuned bounds may; then each chart takes in its own bounds.
void TestWindowFigure::membershipRangeTakesInEveryBound_data()
{
    QTest::addColumn<float>("errLeft");  // of the error's Negative set
    QTest::addColumn<float>("dErrRight"); // of the derivative's Positive set
    QTest::addColumn<double>("errLow");
    QTest::addColumn<double>("dErrHigh");
    QTest::newRow("inside") << -1.5f << 1.5f << -3.0 << 3.0;
    QTest::newRow("at the ends") << -3.0f << 3.0f << -3.0 << 3.0;
    QTest::newRow("beyond") << -6.56f << 6.2f << double(-6.56f) << double(6.2f);
}

void TestWindowFigure::membershipRangeTakesInEveryBound()
{
    QFETCH(float, errLeft);
    QFETCH(float, dErrRight);
    QFETCH(double, errLow);
    QFETCH(double, dErrHigh);
    StepParameters params;
    params.errSets[0].left = errLeft;
    params.dErrSets[2].right = dErrRight;
    const MembershipFigure figure(params.errSets, params.dErrSets, QSize(900, 600));
    const QwtInterval err = figure.errorPlot().axisInterval(QwtPlot::xBottom);
    const QwtInterval dErr = figure.derivativePlot().axisInterval(QwtPlot::xBottom);
    QCOMPARE(err.minValue(), errLow);
    QCOMPARE(err.maxValue(), 3.0);
    QCOMPARE(dErr.minValue(), -3.0);
    QCOMPARE(dErr.maxValue(), dErrHigh);
}

QTEST_MAIN(TestWindowFigure)
#include "tst_windowfigure.moc"
