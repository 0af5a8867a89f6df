// The results figure against the window: the same run drawn once by the
// window after F5 and once by the figure code at the same size must give
// the same canvas, pixel for pixel.

#include "figurewriter.h"
#include "fontsubstitutes.h"
#include "mainwindow.h"
#include "resultsfigure.h"
#include "stepparameters.h"
#include "xplot.h"

#include <qwt_scale_widget.h>
#include <qwt_abstract_legend.h>

#include <QBuffer>
#include <QScreen>
#include <QDoubleSpinBox>
#include <QImage>
#include <QPainter>
#include <QTabWidget>
#include <QtTest>

#include <memory>

class TestWindowFigure : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitutes(); }
    void sameCanvas();
};

void TestWindowFigure::sameCanvas()
{
    MainWindow window;
    window.showNormal();
    window.resize(1600, 900);
    window.findChild<QTabWidget *>("tabScheme")->setCurrentIndex(1);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QMetaObject::invokeMethod(&window, "onStartModellingStep");
    XPlot *shown = window.findChild<XPlot *>("plotResults");
    const QImage windowImage = shown->grab().toImage();

    const StepParameters params;
    ResultsFigure figure(params, shown->size());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    QVERIFY(FigureWriter::write(buffer, FigureWriter::Png, shown->size(),
                                [&](QPainter &p, const QRectF &r) { qDebug() << "dpi" << p.device()->logicalDpiX() << r << QGuiApplication::primaryScreen()->logicalDotsPerInchX() << QGuiApplication::primaryScreen()->physicalDotsPerInchX() << QWidget().logicalDpiX() << QImage(10,10,QImage::Format_RGB32).logicalDpiX(); figure.paint(p, r); }, error));
    QImage figureImage;
    QVERIFY(figureImage.loadFromData(buffer.data(), "PNG"));
    windowImage.save("/tmp/fig-window.png");
    figureImage.save("/tmp/fig-figure.png");
    for (XPlot *p : { shown, &figure.plot() })
        qDebug() << p->canvas()->geometry() << p->legend()->geometry() << p->axisWidget(0)->geometry() << p->axisWidget(2)->geometry() << p->logicalDpiX() << p->contentsMargins() << p->legend()->sizeHint() << p->axisWidget(0)->minimumSizeHint() << p->axisWidget(0)->font().toString() << p->axisWidget(2)->minimumSizeHint() << p->axisWidget(0)->title().font().toString() << p->axisWidget(0)->startBorderDist() << p->axisWidget(0)->endBorderDist();
    for (XPlot *p : { shown, &figure.plot() })
        qDebug() << p->font().toString() << p->fontInfo().family() << p->legend()->font().toString() << p->axisWidget(0)->font().toString() << p->axisTitle(0).font().toString();
    qDebug() << shown->size() << shown->canvas()->geometry() << figure.plot().canvas()->geometry()
             << shown->logicalDpiX();
    const QRect canvas = shown->canvas()->geometry();
    QCOMPARE(figureImage.copy(canvas).convertToFormat(QImage::Format_RGB32),
             windowImage.copy(canvas).convertToFormat(QImage::Format_RGB32));
}

QTEST_MAIN(TestWindowFigure)
#include "tst_windowfigure.moc"
