// The decision surface's map: at points of (e, de) away from the set
// bounds, the colour of the level that the controller decides there.

#include "decisionsurface.h"
#include "figurewriter.h"
#include "fontsubstitutes.h"
#include "stepparameters.h"
#include "surfacefigure.h"
#include "xplot.h"

#include <qwt_scale_map.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QtTest>

class TestSurfaceFigure : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitutes(); }
    void levelColours_data();
    void levelColours();
};

void TestSurfaceFigure::levelColours_data()
{
    QTest::addColumn<double>("e");
    QTest::addColumn<double>("de");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("points"); // of the grid on each axis

    // The start values' sets: error Zero -0.1 ... 0.1, derivative Zero
    // -1 ... 1, so 0.5 is Positive as an error and Zero as a derivative.
    QTest::newRow("positive error, steady") << 0.5 << 0.0 << 1 << 121;
    QTest::newRow("error near zero, rising a little") << 0.0 << 0.5 << 0 << 121;
    QTest::newRow("negative error, steady") << -2.0 << 0.0 << -1 << 121;
    QTest::newRow("error near zero, falling") << 0.0 << -2.0 << -1 << 121;
    QTest::newRow("error near zero, rising") << 0.0 << 2.0 << 1 << 121;
    QTest::newRow("both positive") << 2.0 << 2.0 << 0 << 121;
    QTest::newRow("both negative, far corner") << -2.9 << -2.9 << 0 << 121;
    // Three points, -3, 0 and 3: each cell is 3 wide, centred on its point,
    // so the middle one reaches from -1.5 to 1.5.
    QTest::newRow("three points, inside the middle cell's left edge") << -1.4 << 0.0 << 0 << 3;
    QTest::newRow("three points, inside the middle cell's right edge") << 1.4 << 0.0 << 0 << 3;
    QTest::newRow("three points, the left cell") << -1.6 << 0.0 << -1 << 3;
}

void TestSurfaceFigure::levelColours()
{
    QFETCH(double, e);
    QFETCH(double, de);
    QFETCH(int, level);
    QFETCH(int, points);

    const StepParameters params;
    const DecisionSurface surface(FuzzyController(params.errSets, params.dErrSets, 1.0), points,
                                  -3.0, 3.0);
    const QSize size(900, 700);
    const SurfaceFigure figure(surface, params.errSets, params.dErrSets, size);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    QString error;
    QVERIFY(FigureWriter::write(png, FigureWriter::Png, size,
                                [&](QPainter &p, const QRectF &r) { figure.paint(p, r); }, error));
    const QImage image = QImage::fromData(png.data(), "PNG");
    QCOMPARE(image.size(), size);

    // Laid out at the figure's size, the chart's canvas lies where the
    // figure drew it.
    const XPlot &plot = figure.plot();
    const QPoint at(plot.canvas()->x() + qRound(plot.canvasMap(QwtPlot::xBottom).transform(e)),
                    plot.canvas()->y() + qRound(plot.canvasMap(QwtPlot::yLeft).transform(de)));
    QCOMPARE(image.pixelColor(at).rgb(), SurfaceFigure::levelColor(level).rgb());
}

QTEST_MAIN(TestSurfaceFigure)
#include "tst_surfacefigure.moc"
