// The figures of parameter studies: when a metric's axis turns
// logarithmic, a sweep's line breaking where the metric has no value, the
// grid's map in the right orientation, and the tuned loop's two responses.

#include "figurewriter.h"
#include "fontsubstitutes.h"
#include "stepparameters.h"
#include "steprun.h"
#include "sweepfigure.h"
#include "sweepmapfigure.h"
#include "tunefigure.h"
#include "xplot.h"

#include <qwt_plot_curve.h>
#include <qwt_scale_div.h>
#include <qwt_text.h>
#include <qwt_scale_engine.h>
#include <qwt_scale_map.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

template<typename Figure>
QImage draw(const Figure &figure, QSize size)
{
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    QString error;
    if (!FigureWriter::write(png, FigureWriter::Png, size,
                             [&](QPainter &p, const QRectF &r) { figure.paint(p, r); }, error))
        return QImage();
    return QImage::fromData(png.data(), "PNG");
}

// The figure's pixel at data point (x, y) of its chart.
QColor at(const QImage &image, const XPlot &plot, double x, double y)
{
    return image.pixelColor(
            plot.canvas()->x() + qRound(plot.canvasMap(QwtPlot::xBottom).transform(x)),
            plot.canvas()->y() + qRound(plot.canvasMap(QwtPlot::yLeft).transform(y)));
}

} // namespace

class TestStudyFigures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitutes(); }
    void logScale_data();
    void logScale();
    void sweepLineBreaks();
    void mapOrientation();
    void tuneResponses();
};

void TestStudyFigures::logScale_data()
{
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<bool>("logarithmic");

    QTest::newRow("three decades") << 1.0 << 1e3 << 1e3 << true;
    QTest::newRow("a diverging tail") << 0.2 << 1e13 << 1e3 << true;
    QTest::newRow("just under") << 1.0 << 999.0 << 1e3 << false;
    QTest::newRow("a decade in a map") << 0.2 << 19.5 << 1e1 << true;
    QTest::newRow("reaching 0") << 0.0 << 1e9 << 1e2 << false;
    QTest::newRow("negative values") << -1.0 << 1e9 << 1e3 << false;
    QTest::newRow("no finite values") << Inf << -Inf << 1e3 << false;
    QTest::newRow("nan") << NaN << NaN << 1e3 << false;
}

void TestStudyFigures::logScale()
{
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(double, ratio);
    QFETCH(bool, logarithmic);
    QCOMPARE(SweepFigure::logScale(low, high, ratio), logarithmic);
}

// y = 1, 2, n/a, 2, 1 for the PID loop: the line runs from 0 to 1 and from
// 3 to 4, and nothing joins 1 to 3 across the missing point.
void TestStudyFigures::sweepLineBreaks()
{
    const std::vector<double> x = { 0, 1, 2, 3, 4 };
    const std::array<std::vector<double>, 3> y = { std::vector<double>(5, NaN),
                                                   std::vector<double>{ 1, 2, NaN, 2, 1 },
                                                   std::vector<double>(5, Inf) };
    const QSize size(800, 500);
    const SweepFigure figure("kd", "iae", { x, x, x }, y, 0.0, 4.0, size);
    QVERIFY(!dynamic_cast<const QwtLogScaleEngine *>(figure.plot().axisScaleEngine(QwtPlot::yLeft)));
    const QImage image = draw(figure, size);
    QVERIFY(!image.isNull());
    const auto green = [&](double px, double py) {
        const QColor c = at(image, figure.plot(), px, py);
        return c.green() > c.red() + 40 && c.green() > c.blue() + 40;
    };
    QVERIFY(green(0.5, 1.5));
    QVERIFY(green(3.5, 1.5));
    QVERIFY(!green(2.0, 2.0));
    QVERIFY(!green(1.5, 2.0));
}

// A 3 x 2 grid, x outer: the largest value at (x 2, y 1) is yellow, the
// smallest at (x 0, y 0) dark, the cell without a value blank.
void TestStudyFigures::mapOrientation()
{
    const std::vector<double> xs = { 0, 1, 2 };
    const std::vector<double> ys = { 10, 20 };
    const std::vector<double> values = { 0.0, 1.0, 2.0, NaN, 4.0, 5.0 };
    const QSize size(800, 500);
    const SweepMapFigure figure("kp", "kd", "iae, PID loop", xs, ys, values, size);
    const QImage image = draw(figure, size);
    QVERIFY(!image.isNull());
    const QColor high = at(image, figure.plot(), 2, 20);
    const QColor low = at(image, figure.plot(), 0, 10);
    const QColor blank = at(image, figure.plot(), 1, 20);
    QVERIFY2(high.red() > 200 && high.green() > 200 && high.blue() < 100, qPrintable(high.name()));
    QVERIFY2(low.red() < 80 && low.blue() > 90, qPrintable(low.name()));
    QVERIFY2(blank.red() > 200 && blank.green() > 200 && blank.blue() > 200,
             qPrintable(blank.name()));
}

// The tuned loop's response at the tuned values and at the given ones, no
// other loop, on the results chart's axes.
void TestStudyFigures::tuneResponses()
{
    StepParameters given;
    StepParameters tuned = given;
    tuned.kp = 0.705;
    tuned.ki = 0.329;
    tuned.kd = 0.339;
    const TuneFigure figure(StepRun::PidLoop, given, tuned, QSize(800, 500));
    const QwtPlotItemList items = figure.plot().itemList(QwtPlotItem::Rtti_PlotCurve);
    QCOMPARE(items.size(), 2);
    for (const QwtPlotItem *item : items) {
        const auto *curve = static_cast<const QwtPlotCurve *>(item);
        const bool isTuned = curve->title().text() == QLatin1String("PID loop, tuned");
        QVERIFY(isTuned || curve->title().text() == QLatin1String("PID loop, given values"));
        const StepRun::Response expected =
                StepRun::run(isTuned ? tuned : given).loops[StepRun::PidLoop];
        QCOMPARE(curve->dataSize(), expected.y.size());
        for (std::size_t k = 0; k < expected.y.size(); ++k)
            QCOMPARE(curve->sample(static_cast<int>(k)).y(), expected.y[k]);
    }
    QCOMPARE(figure.plot().axisScaleDiv(QwtPlot::xBottom).upperBound(), 20.0);
}

QTEST_MAIN(TestStudyFigures)
#include "tst_studyfigures.moc"
