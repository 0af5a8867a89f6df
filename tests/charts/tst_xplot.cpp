#include "curvedata.h"
#include "xplot.h"

#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_item.h>
#include <qwt_plot_layout.h>
#include <qwt_point_data.h>
#include <qwt_scale_div.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_map.h>
#include <qwt_text.h>

#include <QApplication>
#include <QImage>
#include <QLayout>
#include <QMetaMethod>
#include <QPointer>
#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

using Points = std::vector<double>;

Q_DECLARE_METATYPE(Points)
Q_DECLARE_METATYPE(QColor)

namespace {

constexpr double tolerance = 1e-9;
const double infinity = std::numeric_limits<double>::infinity();
const double notANumber = std::numeric_limits<double>::quiet_NaN();

// Counts redraws: replot is virtual in QwtPlot.
class CountingPlot : public XPlot
{
public:
    using XPlot::XPlot;
    int replots = 0;
    void replot() override
    {
        ++replots;
        XPlot::replot();
    }
};

CurveData record(const QString &title, Points x, Points y, QColor color = Qt::blue)
{
    return CurveData(std::move(x), std::move(y), title, color, 3.0f);
}

std::vector<CurveData> threeRecords()
{
    return {record("a", {0, 10}, {1, 1}, Qt::blue), record("b", {0, 10}, {1, 1}, Qt::darkGreen),
            record("c", {0, 10}, {1, 1}, Qt::red)};
}

QList<QwtPlotCurve *> attachedCurves(const QwtPlot &plot)
{
    QList<QwtPlotCurve *> result;
    for (QwtPlotItem *item : plot.itemList(QwtPlotItem::Rtti_PlotCurve))
        result << static_cast<QwtPlotCurve *>(item);
    return result;
}

QwtPlotCurve *curveTitled(const QwtPlot &plot, const QString &title)
{
    for (QwtPlotCurve *curve : attachedCurves(plot)) {
        if (curve->title().text() == title)
            return curve;
    }
    return nullptr;
}

QwtLegendLabel *labelOf(QwtPlot &plot, QwtPlotItem *item)
{
    auto *legend = qobject_cast<QwtLegend *>(plot.legend());
    return legend ? qobject_cast<QwtLegendLabel *>(legend->legendWidget(plot.itemToInfo(item)))
                  : nullptr;
}

// Entries as the legend lays them out, top to bottom.
QStringList legendTexts(QwtPlot &plot)
{
    QStringList texts;
    auto *legend = qobject_cast<QwtLegend *>(plot.legend());
    QLayout *layout = legend ? legend->contentsWidget()->layout() : nullptr;
    for (int i = 0; layout && i < layout->count(); ++i) {
        if (auto *label = qobject_cast<QwtLegendLabel *>(layout->itemAt(i)->widget()))
            texts << label->text().text();
    }
    return texts;
}

// Paints the whole chart, so that every curve reads all of its samples.
QImage render(QwtPlot &plot)
{
    plot.resize(640, 400);
    return plot.grab().toImage();
}

} // namespace

class TestXPlot : public QObject
{
    Q_OBJECT

private slots:
    void metaObjectHasOnlyShowCurve();
    void recordConstructor_data();
    void recordConstructor();
    void samples_data();
    void samples();
    void stylingAndZOrder_data();
    void stylingAndZOrder();
    void filledCurveBecomesLineAgain();
    void samplesPointIntoOwnCopy();
    void legendToggle_data();
    void legendToggle();
    void uncheckedCurveReturnsOnUpdate();
    void setScalesDoesNotRedraw_data();
    void setScalesDoesNotRedraw();
    void axisSettings_data();
    void axisSettings();
    void callsOutOfOrder_data();
    void callsOutOfOrder();
    void legendMemberSurvivesTeardown_data();
    void legendMemberSurvivesTeardown();
    void drawsOnlyItsSamples_data();
    void drawsOnlyItsSamples();
    void grabToPng();
};

void TestXPlot::metaObjectHasOnlyShowCurve()
{
    const QMetaObject &meta = XPlot::staticMetaObject;
    QCOMPARE(meta.className(), "XPlot");
    QCOMPARE(meta.methodCount() - meta.methodOffset(), 1);
    const QMetaMethod slot = meta.method(meta.methodOffset());
    QCOMPARE(slot.methodSignature(), QByteArray("showCurve(QwtPlotItem*,bool)"));
    QCOMPARE(slot.access(), QMetaMethod::Private);
    QCOMPARE(slot.methodType(), QMetaMethod::Slot);
    QCOMPARE(slot.parameterNames().value(1), QByteArray("on"));
    QCOMPARE(meta.propertyCount() - meta.propertyOffset(), 0);
}

void TestXPlot::recordConstructor_data()
{
    QTest::addColumn<Points>("x");
    QTest::addColumn<Points>("y");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("takesLook");

    QTest::newRow("equal lengths") << Points{1, 2, 3} << Points{4, 5, 6} << 3 << true;
    QTest::newRow("both empty") << Points{} << Points{} << 0 << true;
    QTest::newRow("x longer") << Points{1, 2, 3} << Points{4, 5} << 0 << false;
    QTest::newRow("y longer") << Points{} << Points{4} << 0 << false;
}

void TestXPlot::recordConstructor()
{
    QFETCH(Points, x);
    QFETCH(Points, y);
    QFETCH(int, count);
    QFETCH(bool, takesLook);

    const CurveData r(x, y, "Closed loop", Qt::red, 3.0f);
    QCOMPARE(r.x, x);
    QCOMPARE(r.y, y);
    QCOMPARE(r.count, count);
    QCOMPARE(r.filled, false);
    QCOMPARE(r.color.isValid(), takesLook);
    QCOMPARE(r.title, takesLook ? QString("Closed loop") : QString());
    QCOMPARE(r.width, takesLook ? 3.0f : CurveData().width);

    const CurveData blank;
    QCOMPARE(blank.width, 2.0f);
    QCOMPARE(blank.count, 0);
    QVERIFY(!blank.color.isValid());
}

void TestXPlot::samples_data()
{
    QTest::addColumn<Points>("x");
    QTest::addColumn<Points>("y");
    QTest::addColumn<int>("count"); // -1: as the constructor sets it
    QTest::addColumn<bool>("viaUpdate");
    QTest::addColumn<QVector<QPointF>>("expected");

    for (bool update : {false, true}) {
        const char *how = update ? "update" : "create";
        QTest::addRow("%s: empty record", how)
            << Points{} << Points{} << -1 << update << QVector<QPointF>{{0, 0}};
        QTest::addRow("%s: lengths differ", how)
            << Points{1, 2, 3} << Points{1, 2} << -1 << update << QVector<QPointF>{};
        QTest::addRow("%s: only y", how)
            << Points{} << Points{7} << -1 << update << QVector<QPointF>{};
        QTest::addRow("%s: count below size", how)
            << Points{1, 2, 3} << Points{4, 5, 6} << 2 << update
            << QVector<QPointF>{{1, 4}, {2, 5}};
        QTest::addRow("%s: count beyond size", how)
            << Points{1, 2} << Points{4, 5} << 9 << update << QVector<QPointF>{{1, 4}, {2, 5}};
        QTest::addRow("%s: negative count", how)
            << Points{1, 2} << Points{4, 5} << -5 << update << QVector<QPointF>{};
    }
    QTest::newRow("non-finite values kept")
        << Points{0, infinity, 2} << Points{notANumber, 1, -infinity} << -1 << false
        << QVector<QPointF>{{0, notANumber}, {infinity, 1}, {2, -infinity}};
}

void TestXPlot::samples()
{
    QFETCH(Points, x);
    QFETCH(Points, y);
    QFETCH(int, count);
    QFETCH(bool, viaUpdate);
    QFETCH(QVector<QPointF>, expected);

    CurveData r(x, y, "r", Qt::blue, 2.0f);
    if (count != -1)
        r.count = count;
    const CurveData before = r;

    XPlot plot;
    plot.init(0, 10, 0, 10, true, "t", "f");
    plot.createCurves({viaUpdate ? record("r", {5}, {5}) : r});
    if (viaUpdate)
        plot.updateCurves({r});

    QCOMPARE(r.x, before.x);
    QCOMPARE(r.count, before.count);
    const QList<QwtPlotCurve *> curves = attachedCurves(plot);
    QCOMPARE(curves.size(), 1);
    const QwtSeriesData<QPointF> *data = curves.first()->data();
    QCOMPARE(int(data->size()), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QPointF p = data->sample(size_t(i));
        for (auto [got, want] : {std::pair{p.x(), expected[i].x()}, {p.y(), expected[i].y()}}) {
            if (std::isnan(want))
                QVERIFY(std::isnan(got));
            else if (std::isinf(want))
                QCOMPARE(got, want);
            else
                QVERIFY2(std::abs(got - want) <= tolerance, qPrintable(QString::number(got)));
        }
    }
    // A record whose lengths differ still gets an entry, titled as the record is.
    if (!viaUpdate)
        QCOMPARE(labelOf(plot, curves.first())->text().text(), r.title);
    QVERIFY(!render(plot).isNull());
}

void TestXPlot::stylingAndZOrder_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<bool>("filled");

    QTest::newRow("line, opaque colour") << QColor(Qt::darkGreen) << false;
    QTest::newRow("line, translucent colour") << QColor(10, 20, 30, 40) << false;
    QTest::newRow("filled") << QColor(Qt::red) << true;
}

void TestXPlot::stylingAndZOrder()
{
    QFETCH(QColor, color);
    QFETCH(bool, filled);

    std::vector<CurveData> data = threeRecords();
    data[1].color = color;
    data[1].filled = filled;
    data[1].width = 4.5f;

    XPlot plot;
    plot.init(0, 10, 0, 2, true, "t", "f");
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 0)
            plot.createCurves(data);
        else
            plot.updateCurves(data);

        QCOMPARE(curveTitled(plot, "a")->z(), 0.0);
        QCOMPARE(curveTitled(plot, "b")->z(), -1.0);
        QCOMPARE(curveTitled(plot, "c")->z(), -2.0);

        const QwtPlotCurve *curve = curveTitled(plot, "b");
        QVERIFY(curve->testRenderHint(QwtPlotItem::RenderAntialiased));
        const QPen pen = curve->pen();
        QCOMPARE(pen.color().rgb(), color.rgb());
        QCOMPARE(pen.color().alpha(), 150);
        QCOMPARE(data[1].color, color); // the record keeps its own colour
        if (filled) {
            QCOMPARE(pen.widthF(), 0.0);
            QVERIFY(pen.isCosmetic());
            QCOMPARE(curve->brush().style(), Qt::SolidPattern);
            QCOMPARE(curve->brush().color().alpha(), 150);
        } else {
            QCOMPARE(pen.widthF(), 4.5);
            QCOMPARE(pen.capStyle(), Qt::SquareCap);
            QCOMPARE(pen.joinStyle(), Qt::BevelJoin);
            QCOMPARE(pen.style(), Qt::SolidLine);
            QCOMPARE(curve->brush().style(), Qt::NoBrush);
        }
    }
    QCOMPARE(legendTexts(plot), QStringList({"a", "b", "c"}));
}

void TestXPlot::filledCurveBecomesLineAgain()
{
    std::vector<CurveData> data = threeRecords();
    data[0].filled = true;
    XPlot plot;
    plot.init(0, 10, 0, 2, false, "t", "f");
    plot.createCurves(data);
    data[0].filled = false;
    plot.updateCurves(data);
    QCOMPARE(curveTitled(plot, "a")->brush().style(), Qt::NoBrush);
}

void TestXPlot::samplesPointIntoOwnCopy()
{
    XPlot plot;
    plot.init(0, 10, 0, 10, false, "t", "f");
    for (int pass = 0; pass < 2; ++pass) {
        auto data = std::make_unique<std::vector<CurveData>>(
            std::vector<CurveData>{record("a", {1, 2, 3}, {4, 5, 6})});
        if (pass == 0)
            plot.createCurves(*data);
        else
            plot.updateCurves(*data);

        auto *points = dynamic_cast<const QwtCPointerData *>(curveTitled(plot, "a")->data());
        QVERIFY(points);
        QVERIFY(points->xData() != (*data)[0].x.data());
        QVERIFY(points->yData() != (*data)[0].y.data());

        (*data)[0].x.assign({9, 9, 9});
        (*data)[0].y.assign({9, 9, 9});
        data.reset();
        QCOMPARE(points->sample(2), QPointF(3, 6));
        QVERIFY(!render(plot).isNull());
    }
}

void TestXPlot::legendToggle_data()
{
    QTest::addColumn<bool>("legend");
    QTest::newRow("with legend") << true;
    QTest::newRow("without legend") << false;
}

// Toggles arrive from the legend's own signal; a chart without a legend
// must not react to its (unshown) legend widget at all.
void TestXPlot::legendToggle()
{
    QFETCH(bool, legend);

    CountingPlot plot;
    plot.init(0, 10, 0, 2, legend, "t", "f");
    plot.createCurves(threeRecords());
    QCOMPARE(plot.legend() != nullptr, legend);

    QList<QwtLegend *> legends;
    for (QWidget *widget : QApplication::allWidgets()) {
        if (auto *l = qobject_cast<QwtLegend *>(widget))
            legends << l;
    }
    QCOMPARE(legends.size(), 1);
    if (legend)
        QCOMPARE(legends.first(), plot.legend());
    else
        QVERIFY(!legends.first()->parent());

    QwtPlotCurve *b = curveTitled(plot, "b");
    const int replotsBefore = plot.replots;
    emit legends.first()->checked(plot.itemToInfo(b), false, 0);
    QCOMPARE(b->isVisible(), !legend);
    QCOMPARE(plot.replots - replotsBefore, legend ? 1 : 0);
    QVERIFY(curveTitled(plot, "a")->isVisible());
    if (legend) {
        QVERIFY(!labelOf(plot, b)->isChecked());
        QVERIFY(labelOf(plot, curveTitled(plot, "a"))->isChecked());
    }
}

void TestXPlot::uncheckedCurveReturnsOnUpdate()
{
    CountingPlot plot;
    plot.init(0, 10, 0, 2, true, "t", "f");
    plot.createCurves(threeRecords());
    plot.resize(640, 400);
    plot.show();

    QwtLegendLabel *label = labelOf(plot, curveTitled(plot, "c"));
    QVERIFY(label->isChecked());
    const int replotsBefore = plot.replots;
    QTest::mouseClick(label, Qt::LeftButton);
    QVERIFY(!curveTitled(plot, "c")->isVisible());
    QVERIFY(!labelOf(plot, curveTitled(plot, "c"))->isChecked());
    QCOMPARE(plot.replots - replotsBefore, 1);

    for (int run = 0; run < 3; ++run)
        plot.updateCurves(threeRecords());
    QVERIFY(curveTitled(plot, "c")->isVisible());
    QVERIFY(labelOf(plot, curveTitled(plot, "c"))->isChecked());
    QCOMPARE(legendTexts(plot), QStringList({"a", "b", "c"}));

    // The fresh entry is wired up as well.
    QTest::mouseClick(labelOf(plot, curveTitled(plot, "c")), Qt::LeftButton);
    QVERIFY(!curveTitled(plot, "c")->isVisible());
}

void TestXPlot::setScalesDoesNotRedraw_data()
{
    QTest::addColumn<float>("xMin");
    QTest::addColumn<float>("xMax");
    QTest::addColumn<float>("yMin");
    QTest::addColumn<float>("yMax");

    QTest::newRow("run of 35 s") << 0.0f << 35.0f << 0.0f << 1.25f;
    QTest::newRow("empty y range") << 0.0f << 0.1f << 0.0f << 0.0f;
    QTest::newRow("inverted") << 5.0f << -5.0f << 2.0f << -2.0f;
    QTest::newRow("huge peak") << 0.0f << 20.0f << 0.0f << 3.0e38f;
    QTest::newRow("infinite peak") << 0.0f << 20.0f << 0.0f << float(infinity);
    QTest::newRow("nan peak") << 0.0f << 20.0f << 0.0f << float(notANumber);
}

void TestXPlot::setScalesDoesNotRedraw()
{
    QFETCH(float, xMin);
    QFETCH(float, xMax);
    QFETCH(float, yMin);
    QFETCH(float, yMax);

    CountingPlot plot;
    plot.init(0, 20, 0, 3, true, "t", "f");
    plot.createCurves(threeRecords());
    const int replotsBefore = plot.replots;

    plot.setScales(xMin, xMax, yMin, yMax);
    QCOMPARE(plot.replots, replotsBefore);
    QCOMPARE(plot.axisScaleDiv(QwtPlot::xBottom).upperBound(), 20.0);
    QCOMPARE(plot.axisScaleDiv(QwtPlot::yLeft).upperBound(), 3.0);

    plot.updateCurves(threeRecords());
    QVERIFY(plot.replots > replotsBefore);
    const QwtScaleDiv x = plot.axisScaleDiv(QwtPlot::xBottom);
    const QwtScaleDiv y = plot.axisScaleDiv(QwtPlot::yLeft);
    QCOMPARE(x.lowerBound(), double(xMin));
    QCOMPARE(x.upperBound(), double(xMax));
    if (std::isfinite(yMax)) {
        QCOMPARE(y.lowerBound(), double(yMin));
        QCOMPARE(y.upperBound(), double(yMax));
    } else {
        QVERIFY(std::isfinite(y.lowerBound()) && std::isfinite(y.upperBound()));
    }
    QVERIFY(!render(plot).isNull());
}

void TestXPlot::axisSettings_data()
{
    QTest::addColumn<int>("axis");
    QTest::addColumn<int>("labelAlignment");

    QTest::newRow("x axis") << int(QwtPlot::xBottom) << int(Qt::AlignRight | Qt::AlignBottom);
    QTest::newRow("y axis") << int(QwtPlot::yLeft) << int(Qt::AlignLeft | Qt::AlignTop);
}

// What init and setScales leave on each axis: Qwt chooses the tick step
// (step 0), the scale stays fixed, the canvas lines up with the scale's
// ends, and the tick labels keep their alignment, unrotated.
void TestXPlot::axisSettings()
{
    QFETCH(int, axis);
    QFETCH(int, labelAlignment);

    XPlot plot;
    plot.init(-3.0f, 3.0f, 0.0f, 1.1f, true, "e", "f");
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1)
            plot.setScales(0.0f, 35.0f, 0.0f, 7.5f);
        QCOMPARE(plot.axisStepSize(axis), 0.0);
        QVERIFY(!plot.axisAutoScale(axis));
    }
    QVERIFY(plot.plotLayout()->alignCanvasToScale(axis));
    const QwtScaleDraw *draw = plot.axisScaleDraw(axis);
    QCOMPARE(int(draw->labelAlignment()), labelAlignment);
    QCOMPARE(draw->labelRotation(), 0.0);
}

enum Scenario { FewerRecords, MoreRecords, FewerThenAll, SecondCreate, CreateBeforeInit };

void TestXPlot::callsOutOfOrder_data()
{
    QTest::addColumn<int>("scenario");
    QTest::addColumn<QStringList>("attached"); // legend order
    QTest::addColumn<QStringList>("visible");

    QTest::newRow("update with fewer records")
        << int(FewerRecords) << QStringList{"a"} << QStringList{"a"};
    QTest::newRow("update with more records")
        << int(MoreRecords) << QStringList{"a", "b", "c"} << QStringList{"a", "b", "c"};
    QTest::newRow("fewer, then all again")
        << int(FewerThenAll) << QStringList{"a", "b", "c"} << QStringList{"a", "b", "c"};
    QTest::newRow("second createCurves")
        << int(SecondCreate) << QStringList{"x", "y"} << QStringList{"x", "y"};
    QTest::newRow("createCurves before init")
        << int(CreateBeforeInit) << QStringList{"a", "b", "c"} << QStringList{"a", "c"};
}

void TestXPlot::callsOutOfOrder()
{
    QFETCH(int, scenario);
    QFETCH(QStringList, attached);
    QFETCH(QStringList, visible);

    XPlot plot;
    if (scenario != CreateBeforeInit)
        plot.init(0, 10, 0, 2, true, "t", "f");
    plot.createCurves(threeRecords());

    switch (Scenario(scenario)) {
    case FewerRecords: {
        QwtPlotCurve *c = curveTitled(plot, "c");
        plot.updateCurves({record("ignored", {1, 2}, {1, 2})});
        // Detached, and holding nothing of the released records.
        QVERIFY(!c->plot());
        QCOMPARE(c->dataSize(), size_t(0));
        break;
    }
    case MoreRecords: {
        std::vector<CurveData> data = threeRecords();
        data.push_back(record("d", {1}, {1}));
        plot.updateCurves(data);
        break;
    }
    case FewerThenAll:
        plot.updateCurves({});
        QVERIFY(attachedCurves(plot).isEmpty());
        plot.updateCurves(threeRecords());
        break;
    case SecondCreate:
        plot.createCurves({record("x", {0, 1}, {0, 1}), record("y", {}, {})});
        break;
    case CreateBeforeInit:
        QVERIFY(!plot.legend());
        curveTitled(plot, "b")->setVisible(false);
        plot.init(0, 10, 0, 2, true, "t", "f");
        // Boxes follow visibility, and toggles are wired.
        QVERIFY(!labelOf(plot, curveTitled(plot, "b"))->isChecked());
        QVERIFY(labelOf(plot, curveTitled(plot, "a"))->isChecked());
        emit static_cast<QwtLegend *>(plot.legend())
            ->checked(plot.itemToInfo(curveTitled(plot, "c")), false, 0);
        emit static_cast<QwtLegend *>(plot.legend())
            ->checked(plot.itemToInfo(curveTitled(plot, "c")), true, 0);
        break;
    }

    QCOMPARE(legendTexts(plot), attached);
    QCOMPARE(attachedCurves(plot).size(), attached.size());
    QStringList shown;
    for (const QString &title : attached) {
        if (curveTitled(plot, title)->isVisible())
            shown << title;
    }
    QCOMPARE(shown, visible);
    if (scenario == SecondCreate)
        QCOMPARE(curveTitled(plot, "y")->sample(0), QPointF(0, 0));
    QVERIFY(!render(plot).isNull());
}

void TestXPlot::legendMemberSurvivesTeardown_data()
{
    QTest::addColumn<QList<bool>>("legendPerInit");
    QTest::addColumn<bool>("deletedByParent");

    QTest::newRow("legend") << QList<bool>{true} << false;
    QTest::newRow("legend, parent deletes") << QList<bool>{true} << true;
    QTest::newRow("no legend") << QList<bool>{false} << false;
    QTest::newRow("legend twice") << QList<bool>{true, true} << true;
    QTest::newRow("legend, then none") << QList<bool>{true, false} << false;
    QTest::newRow("on, off, on") << QList<bool>{true, false, true} << true;
}

// The legend is a member of the chart, handed to QwtPlot by address; under
// ASan any deletion of it by Qwt shows up here.
void TestXPlot::legendMemberSurvivesTeardown()
{
    QFETCH(QList<bool>, legendPerInit);
    QFETCH(bool, deletedByParent);

    auto parent = std::make_unique<QWidget>();
    QPointer<XPlot> plot = new XPlot(parent.get());
    for (bool legend : legendPerInit) {
        plot->init(0, 10, 0, 2, legend, "t", "f");
        if (plot->itemList().isEmpty())
            plot->createCurves(threeRecords());
        else
            plot->updateCurves(threeRecords());
    }
    parent->resize(640, 400);
    parent->show();

    const bool legendShown = legendPerInit.last();
    QCOMPARE(plot->legend() != nullptr, legendShown);
    QCOMPARE(plot->findChildren<QwtLegend *>().size(), legendShown ? 1 : 0);
    QCOMPARE(legendTexts(*plot), legendShown ? QStringList({"a", "b", "c"}) : QStringList());
    QVERIFY(!render(*plot).isNull());

    if (deletedByParent)
        parent.reset();
    else
        delete plot.data();
    QVERIFY(plot.isNull());
}

void TestXPlot::drawsOnlyItsSamples_data()
{
    QTest::addColumn<Points>("x");
    QTest::addColumn<Points>("y");
    QTest::addColumn<bool>("filled");
    QTest::addColumn<QVector<QPointF>>("on");  // data points the line covers
    QTest::addColumn<QVector<QPointF>>("off"); // data points it must leave blank

    const Points grid = {0, 2, 4, 6, 8, 10};
    QTest::newRow("finite line") << grid << Points{0.5, 0.5, 0.5, 0.5, 0.5, 0.5} << false
                                 << QVector<QPointF>{{1, 0.5}, {9, 0.5}}
                                 << QVector<QPointF>{{5, 0.9}, {5, 0.1}};
    QTest::newRow("NaN breaks the line")
        << grid << Points{0.5, 0.5, notANumber, 0.5, 0.5, 0.5} << false
        << QVector<QPointF>{{1, 0.5}, {7, 0.5}} << QVector<QPointF>{{3, 0.5}, {5, 0.5}};
    QTest::newRow("inf breaks the line")
        << grid << Points{0.5, 0.5, infinity, 0.5, 0.5, 0.5} << false
        << QVector<QPointF>{{1, 0.5}, {7, 0.5}}
        << QVector<QPointF>{{3, 0.5}, {3, 0.9}, {4, 0.9}, {5, 0.5}};
    QTest::newRow("-inf then NaN stop it")
        << grid << Points{0.5, 0.5, -infinity, notANumber, notANumber, notANumber} << false
        << QVector<QPointF>{{1, 0.5}}
        << QVector<QPointF>{{3, 0.5}, {4, 0.1}, {7, 0.5}, {9, 0.5}};
    // y = 0.5 + x out to 1e308: the line leaves the top at x = 0.5, at 45
    // degrees in data units, although its far end maps beyond the double
    // range in pixels.
    QTest::newRow("far point keeps the slope")
        << Points{0, 1e308} << Points{0.5, 1e308} << false
        << QVector<QPointF>{{0.1, 0.6}, {0.25, 0.75}, {0.4, 0.9}}
        << QVector<QPointF>{{2, 0.5}, {5, 0.9}, {0.25, 0.25}};
    // Swinging past the canvas by ever more: near-vertical strokes at the
    // samples, none between them.
    QTest::newRow("swings far past the canvas")
        << Points{1, 3, 5, 7} << Points{0.5, 1e150, -1e300, 1e100} << false
        << QVector<QPointF>{{1.0, 0.75}, {3, 0.5}, {7, 0.5}}
        << QVector<QPointF>{{2, 0.2}, {4, 0.8}, {5, 0.5}, {6, 0.2}, {8, 0.5}};
    // One far sample among near ones: the strokes up to it and back, no
    // spike or line anywhere else.
    QTest::newRow("near, far, near")
        << Points{1, 3, 5, 7} << Points{0.5, 1e308, 0.5, 0.5} << false
        << QVector<QPointF>{{1.0, 0.9}, {5.0, 0.9}, {6, 0.5}}
        << QVector<QPointF>{{2, 0.2}, {2, 0.8}, {4, 0.2}, {4, 0.8}, {6, 0.2}, {6, 0.8}};
    // A stretch that runs level far above the canvas leaves nothing along
    // its top edge.
    QTest::newRow("level far above the canvas")
        << Points{1, 3, 5, 7, 9} << Points{0.5, 1e308, 1e308, 1e308, 0.5} << false
        << QVector<QPointF>{{1.0, 0.9}, {9.0, 0.9}}
        << QVector<QPointF>{{4, 0.995}, {5, 0.995}, {6, 0.995}, {4, 0.5}, {6, 0.5}};
    // Filled down to the baseline 0: everything under the steep line.
    QTest::newRow("filled far point")
        << Points{0, 1e308} << Points{0.5, 1e308} << true
        << QVector<QPointF>{{0.25, 0.5}, {5, 0.5}, {9, 0.9}}
        << QVector<QPointF>{{0.1, 0.9}};
}

// Renders one blue curve on 0..10 x 0..1 and reads the canvas where the data
// says there is, or is not, a line.
void TestXPlot::drawsOnlyItsSamples()
{
    QFETCH(Points, x);
    QFETCH(Points, y);
    QFETCH(bool, filled);
    QFETCH(QVector<QPointF>, on);
    QFETCH(QVector<QPointF>, off);

    CurveData line = record("line", x, y, Qt::blue);
    line.filled = filled;
    XPlot plot(nullptr, 10.0f, 1.0f, {line}, false, "x", "y");
    plot.resize(640, 400);
    plot.replot();
    const QImage image = plot.canvas()->grab().toImage();
    const QwtScaleMap xMap = plot.canvasMap(QwtPlot::xBottom);
    const QwtScaleMap yMap = plot.canvasMap(QwtPlot::yLeft);
    const auto blue = [&](const QPointF &p) {
        const QColor c = image.pixelColor(qRound(xMap.transform(p.x())), qRound(yMap.transform(p.y())));
        return c.blue() > c.red() + 40;
    };
    for (const QPointF &p : on)
        QVERIFY2(blue(p), qPrintable(QString("no line at (%1, %2)").arg(p.x()).arg(p.y())));
    for (const QPointF &p : off)
        QVERIFY2(!blue(p), qPrintable(QString("a line at (%1, %2)").arg(p.x()).arg(p.y())));
}

void TestXPlot::grabToPng()
{
    XPlot plot(nullptr, 20.0f, 3.0f, {}, true, "t", "f");
    std::vector<CurveData> data = {
        record("Closed loop", {}, {}, Qt::blue),
        record("PID loop", {}, {}, Qt::darkGreen),
        record("Fuzzy Control", {}, {}, Qt::red),
    };
    plot.createCurves(data);
    for (int i = 0; i <= 100; ++i) {
        const double t = i * 0.2;
        data[0].x.push_back(t);
        data[0].y.push_back(0.5 * (1 - std::exp(-t / 2)));
        data[1].x.push_back(t);
        data[1].y.push_back(1 - std::exp(-t / 2) * std::cos(1.5 * t));
        data[2].x.push_back(t);
        data[2].y.push_back(std::min(1.0, t / 4));
    }
    for (CurveData &r : data)
        r.count = int(r.x.size());
    plot.updateCurves(data);
    plot.resize(800, 500);
    plot.show();
    plot.replot();

    const QImage image = plot.grab().toImage();
    QVERIFY(!image.isNull());
    QVERIFY(plot.legend()->geometry().left() >= plot.canvas()->geometry().right());
    const QString path = QCoreApplication::applicationDirPath() + "/xplot.png";
    QVERIFY(image.save(path));
}

QTEST_MAIN(TestXPlot)
#include "tst_xplot.moc"
