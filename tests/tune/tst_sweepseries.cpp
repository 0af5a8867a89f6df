// What a sweep's figure keeps of a long sweep: for every pixel column the
// same lowest and highest value, the same ends and the same breaks as the
// whole line, in sweep order; a short sweep and a grid are kept whole.

#include "sweep.h"
#include "sweepseries.h"

#include <QtTest>

#include <cmath>
#include <vector>

namespace {

const double NaN = std::nan("");

Sweep sweepOf(const char *axis, const char *second = nullptr)
{
    std::vector<SweepAxis> axes{ *Sweep::parseAxis(axis) };
    if (second)
        axes.push_back(*Sweep::parseAxis(second));
    return Sweep(StepParameters(), axes);
}

// A line with runs of n/a and of inf, and swings inside single columns.
double lineAt(std::size_t k)
{
    if (k % 997 < 30)
        return NaN;
    if (k % 1499 == 7)
        return INFINITY;
    return std::sin(double(k) * 0.37) * double(k % 101) + double(k) * 1e-3;
}

} // namespace

class TestSweepSeries : public QObject
{
    Q_OBJECT

private slots:
    void longSweepKeepsEveryColumnsExtremes_data();
    void longSweepKeepsEveryColumnsExtremes();
    void shortSweepAndGridKeptWhole();
};

void TestSweepSeries::longSweepKeepsEveryColumnsExtremes_data()
{
    QTest::addColumn<int>("columns");
    QTest::newRow("a column per 83 points") << 241;
    QTest::newRow("a column per 5 points, one short") << 4000;
}

void TestSweepSeries::longSweepKeepsEveryColumnsExtremes()
{
    QFETCH(int, columns);
    const Sweep sweep = sweepOf("kp=0:20:0.001");
    const std::size_t n = sweep.pointCount();
    SweepSeries series(sweep, &LoopMetrics::iae, columns, StepRun::PidLoop);
    for (std::size_t k = 0; k < n; ++k)
        series.add({ lineAt(k), NaN, 1.0 });

    const std::vector<double> &x = series.x()[0];
    const std::vector<double> &y = series.y()[0];
    QVERIFY(x.size() <= 5 * std::size_t(columns));
    QCOMPARE(x.front(), sweep.values(0)[0]);
    QCOMPARE(x.back(), sweep.values(n - 1)[0]);
    // Each kept point is a point of the line, in sweep order.
    std::size_t at = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        while (at < n && sweep.values(at)[0] != x[i])
            ++at;
        QVERIFY2(at < n, "a kept point out of order or not of the sweep");
        const double v = lineAt(at);
        QVERIFY(std::isfinite(v) ? v == y[i] : !std::isfinite(y[i]));
    }
    // Per column: the same extremes, and a break where the line has one.
    for (std::size_t c = 0; c < std::size_t(columns); ++c) {
        double low = INFINITY, high = -INFINITY, keptLow = INFINITY, keptHigh = -INFINITY;
        bool gap = false, keptGap = false;
        for (std::size_t k = 0; k < n; ++k) {
            if (k * std::size_t(columns) / n != c)
                continue;
            const double v = lineAt(k);
            gap = gap || !std::isfinite(v);
            if (std::isfinite(v))
                low = std::min(low, v), high = std::max(high, v);
        }
        const double from = sweep.values((c * n + std::size_t(columns) - 1) / std::size_t(columns))[0];
        const double to = sweep.values(((c + 1) * n - 1) / std::size_t(columns))[0];
        for (std::size_t i = 0; i < x.size(); ++i) {
            if (x[i] < from || x[i] > to)
                continue;
            keptGap = keptGap || !std::isfinite(y[i]);
            if (std::isfinite(y[i]))
                keptLow = std::min(keptLow, y[i]), keptHigh = std::max(keptHigh, y[i]);
        }
        QCOMPARE(keptLow, low);
        QCOMPARE(keptHigh, high);
        QCOMPARE(keptGap, gap);
    }
    // A constant line keeps only the ends of each column.
    QVERIFY(series.x()[2].size() <= 2 * std::size_t(columns));
    QVERIFY(series.x()[0].size() < n / 2);
}

void TestSweepSeries::shortSweepAndGridKeptWhole()
{
    const Sweep line = sweepOf("kd=0:1:0.25");
    SweepSeries lineSeries(line, &LoopMetrics::iae, 1200, StepRun::FuzzyLoop);
    for (std::size_t k = 0; k < line.pointCount(); ++k)
        lineSeries.add({ double(k), NaN, -double(k) });
    QCOMPARE(lineSeries.x()[1], (std::vector<double>{ 0, 0.25, 0.5, 0.75, 1 }));
    QCOMPARE(lineSeries.y()[2], (std::vector<double>{ 0, -1, -2, -3, -4 }));

    const Sweep grid = sweepOf("kp=0:1:0.5", "ki=0:1:0.5");
    SweepSeries map(grid, &LoopMetrics::iae, 10, StepRun::PidLoop);
    for (std::size_t k = 0; k < grid.pointCount(); ++k)
        map.add({ 0.0, double(k), 0.0 });
    QCOMPARE(map.map(), (std::vector<double>{ 0, 1, 2, 3, 4, 5, 6, 7, 8 }));
}

QTEST_GUILESS_MAIN(TestSweepSeries)
#include "tst_sweepseries.moc"
