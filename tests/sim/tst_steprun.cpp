// The step modelling run: step count, time grid, the three loops and the
// running peak.

#include "stepparameters.h"
#include "steprun.h"

#include <QtTest>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

__extension__ typedef __int128 Int128;

// floor(T / d) for two doubles, in exact integer arithmetic: both are
// m * 2^e with integer m, so compare n * md * 2^ed <= mt * 2^et.
int exactStepCount(double T, double d)
{
    int et = 0;
    int ed = 0;
    const double ft = std::frexp(T, &et);
    const double fd = std::frexp(d, &ed);
    const auto mt = static_cast<Int128>(std::ldexp(ft, 53));
    const auto md = static_cast<Int128>(std::ldexp(fd, 53));
    // T = mt * 2^(et-53), d = md * 2^(ed-53); T / d = mt / md * 2^(et-ed).
    const int shift = et - ed;
    Int128 num = mt;
    Int128 den = md;
    if (shift >= 0)
        num <<= shift;
    else
        den <<= -shift;
    return static_cast<int>(num / den);
}

// The largest target, time and gains: the PID loop diverges to inf and NaN.
StepParameters divergingParameters()
{
    StepParameters p;
    p.setPoint = 100.0;
    p.modellingTime = 100.0;
    p.kp = 1000.0;
    p.ki = 100.0;
    p.kd = 100.0;
    return p;
}

bool sameSeries(const StepRun::Response &a, const StepRun::Response &b)
{
    return a.t == b.t && a.y == b.y;
}

std::uint64_t bitsOf(double v)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

// Index of the first value whose bits differ (NaN included), or -1.
int firstBitDifference(const std::vector<double> &a, const std::vector<double> &b)
{
    if (a.size() != b.size())
        return 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (bitsOf(a[i]) != bitsOf(b[i]))
            return static_cast<int>(i);
    }
    return -1;
}

// Random parameters within the panel's ranges. Gentle rows keep the PID
// loop finite to the end and move the fuzzy sets a little around their
// start values, so that the fuzzy loop keeps switching; the other rows take
// any gains (mostly driving the PID loop to infinity and NaN) and any
// bounds. The error's sets keep L <= R as the window does, the
// derivative's sets take any order.
StepParameters randomParameters(std::mt19937_64 &rng, bool gentle)
{
    auto uniform = [&rng](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    auto bound = [&](float start) {
        return static_cast<float>(gentle ? std::clamp(start + uniform(-0.5, 0.5), -10.0, 10.0)
                                         : uniform(-10.0, 10.0));
    };
    StepParameters p;
    p.setPoint = uniform(0.0, 100.0);
    p.modellingTime = uniform(0.1, 100.0);
    p.kp = uniform(0.0, gentle ? 2.0 : 1000.0);
    p.ki = uniform(0.0, gentle ? 1.0 : 100.0);
    p.kd = uniform(0.0, gentle ? 1.0 : 100.0);
    p.amplification = uniform(0.1, gentle ? 5.0 : 100.0);
    for (FuzzySet &set : p.errSets) {
        const float a = bound(set.left);
        const float b = bound(set.right);
        set.left = std::min(a, b);
        set.right = std::max(a, b);
    }
    for (FuzzySet &set : p.dErrSets) {
        set.left = bound(set.left);
        set.right = bound(set.right);
    }
    return p;
}

} // namespace

Q_DECLARE_METATYPE(StepParameters)

class TestStepRun : public QObject
{
    Q_OBJECT

private slots:
    void stepCount_data();
    void stepCount();
    void stepCountForEveryBoxValue();
    void startValues();
    void samplesBitForBit();
    void timeGrid();
    void shortRuns_data();
    void shortRuns();
    void zeroTarget();
    void repeatable();
    void amplificationOnlyMovesFuzzyLoop();
    void peakIsLargestOutputOfAllLoops_data();
    void peakIsLargestOutputOfAllLoops();
    void unstablePidLoopFinishes();
    void runMatchesLoopsOneAfterAnother_data();
    void runMatchesLoopsOneAfterAnother();
};

void TestStepRun::stepCount_data()
{
    QTest::addColumn<double>("time");
    QTest::addColumn<int>("steps");
    // The double nearest 0.2 lies slightly above it, so whole multiples of
    // 0.2 s mostly lose a step; 0.2, 0.4 and 0.8 divide exactly. Plain double
    // division rounds 20 / 0.2 to 100.
    QTest::newRow("20 s") << 20.0 << 99;
    QTest::newRow("10 s") << 10.0 << 49;
    QTest::newRow("1 s") << 1.0 << 4;
    QTest::newRow("0.6 s") << 0.6 << 2;
    QTest::newRow("100 s") << 100.0 << 499;
    QTest::newRow("0.2 s") << 0.2 << 1;
    QTest::newRow("0.4 s") << 0.4 << 2;
    QTest::newRow("0.8 s") << 0.8 << 4;
    QTest::newRow("0.1 s") << 0.1 << 0;
    QTest::newRow("just below 0.2") << std::nextafter(0.2, 0.0) << 0;
    QTest::newRow("zero") << 0.0 << 0;
    QTest::newRow("negative") << -5.0 << 0;
    QTest::newRow("nan") << std::nan("") << 0;
    QTest::newRow("+inf") << std::numeric_limits<double>::infinity() << 0;
    QTest::newRow("-inf") << -std::numeric_limits<double>::infinity() << 0;
}

void TestStepRun::stepCount()
{
    QFETCH(double, time);
    QFETCH(int, steps);
    QCOMPARE(StepRun::stepCount(time), steps);
}

void TestStepRun::stepCountForEveryBoxValue()
{
    // The modelling-time box holds one decimal from 0.1 to 100; its values
    // are the doubles nearest k / 10.
    for (int k = 1; k <= 1000; ++k) {
        const double T = QByteArray::number(k / 10) .append('.').append(QByteArray::number(k % 10)).toDouble();
        const int expected = exactStepCount(T, 0.2);
        if (StepRun::stepCount(T) != expected)
            QFAIL(qPrintable(QStringLiteral("T = %1: got %2, exact %3")
                                 .arg(T, 0, 'g', 17).arg(StepRun::stepCount(T)).arg(expected)));
    }
}

void TestStepRun::startValues()
{
    const StepRun::Result r = StepRun::run(StepParameters());
    for (const auto &loop : r.loops) {
        QCOMPARE(loop.t.size(), std::size_t(99));
        QCOMPARE(loop.y.size(), std::size_t(99));
    }
    // The closed loop's fifth output is the largest of all three loops.
    QVERIFY(std::fabs(r.peak - 1.399404757) < 5e-9);
    QCOMPARE(r.peak, r.loops[StepRun::ClosedLoop].y[4]);
    const auto &pid = r.loops[StepRun::PidLoop].y;
    const auto &fuzzy = r.loops[StepRun::FuzzyLoop].y;
    QVERIFY(std::fabs(*std::max_element(pid.begin(), pid.end()) - 1.04684) < 1e-5);
    QVERIFY(std::fabs(*std::max_element(fuzzy.begin(), fuzzy.end()) - 1.08507) < 1e-5);
    QCOMPARE(fuzzy[0], 0.0);
    QVERIFY(std::fabs(fuzzy[1] - 0.0833) < 1e-12);
}

// Samples as the core computes them today, to the last bit. They pin the
// order of every sum and product: the plant's ((b0 u + b1 u1) + a1 y1) + a2 y2
// and the PID law's (kp e + ((e - e_prev) / dt) kd) + ki I. Regrouping either
// changes the last bits of some of these values, and the command line and
// the window would no longer show the same numbers. The start values hide a
// regrouped derivative term (their Kd equals the step 0.2), so a second run
// with Kp 2.5, Ki 0.5, Kd 0.35 pins the PID law.
void TestStepRun::samplesBitForBit()
{
    StepParameters gains;
    gains.kp = 2.5;
    gains.ki = 0.5;
    gains.kd = 0.35;
    const StepRun::Result start = StepRun::run(StepParameters());
    const StepRun::Result other = StepRun::run(gains);
    struct Pin {
        const StepRun::Result *run;
        int loop;
        std::size_t k;
        double y;
    };
    const Pin pins[] = {
        { &start, StepRun::ClosedLoop, 9, 0x1.4804419621378p-1 },  // 0.64065747220648372
        { &start, StepRun::ClosedLoop, 98, 0x1.d0974ed512566p-1 }, // 0.90740438796016742
        { &start, StepRun::PidLoop, 9, 0x1.0648a3a36a98ap+0 },     // 1.024545886417942
        { &start, StepRun::PidLoop, 98, 0x1.fffffffbc963fp-1 },    // 0.99999999950950513
        { &start, StepRun::FuzzyLoop, 30, 0x1.f3124138a4c08p-1 },  // 0.97474864784669624
        { &start, StepRun::FuzzyLoop, 98, 0x1.c29928118b60fp-1 },  // 0.88007474149861931
        { &other, StepRun::PidLoop, 9, 0x1.272dda6efd3b2p-1 },     // 0.57652170758102828
        { &other, StepRun::PidLoop, 30, 0x1.edb2b1a85c66p-1 },     // 0.96425395183741713
        { &other, StepRun::PidLoop, 98, 0x1.ffc4e079646c8p-1 },    // 0.99954892618026125
    };
    for (const Pin &pin : pins) {
        const double y = pin.run->loops[static_cast<std::size_t>(pin.loop)].y.at(pin.k);
        QVERIFY2(bitsOf(y) == bitsOf(pin.y),
                 qPrintable(QStringLiteral("%1 run, loop %2, sample %3: %4, pinned %5")
                                    .arg(QLatin1String(pin.run == &start ? "start" : "other"))
                                    .arg(pin.loop)
                                    .arg(pin.k)
                                    .arg(y, 0, 'g', 17)
                                    .arg(pin.y, 0, 'g', 17)));
    }
    QCOMPARE(bitsOf(start.peak), bitsOf(0x1.663f63dfbd398p+0)); // the closed loop's fifth sample
}

void TestStepRun::timeGrid()
{
    const StepRun::Result r = StepRun::run(StepParameters());
    const auto &t = r.loops[StepRun::ClosedLoop].t;
    // A running double sum from 0.2, not k * 0.2: the rounding shows.
    QCOMPARE(t[0], 0.4);
    QCOMPARE(t[1], 0.6000000000000001);
    QCOMPARE(t[2], 0.8);
    QCOMPARE(t.back(), 19.99999999999996);
    QCOMPARE(r.loops[StepRun::PidLoop].t, t);
    QCOMPARE(r.loops[StepRun::FuzzyLoop].t, t);
}

void TestStepRun::shortRuns_data()
{
    QTest::addColumn<double>("time");
    QTest::addColumn<int>("points");
    QTest::addColumn<double>("closed");
    QTest::addColumn<double>("pid");
    QTest::addColumn<double>("fuzzy");
    QTest::addColumn<double>("peak");
    QTest::newRow("below one step") << 0.1 << 0 << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("one step") << 0.2 << 1 << 0.1666 << 0.259896 << 0.0 << 0.259896;
}

void TestStepRun::shortRuns()
{
    QFETCH(double, time);
    QFETCH(int, points);
    QFETCH(double, closed);
    QFETCH(double, pid);
    QFETCH(double, fuzzy);
    QFETCH(double, peak);
    StepParameters p;
    p.modellingTime = time;
    const StepRun::Result r = StepRun::run(p);
    QCOMPARE(int(r.loops[0].y.size()), points);
    QCOMPARE(int(r.loops[1].y.size()), points);
    QCOMPARE(int(r.loops[2].y.size()), points);
    QVERIFY(std::fabs(r.peak - peak) < 1e-12);
    if (points > 0) {
        QCOMPARE(r.loops[0].t[0], 0.4);
        QVERIFY(std::fabs(r.loops[0].y[0] - closed) < 1e-12);
        QVERIFY(std::fabs(r.loops[1].y[0] - pid) < 1e-12);
        QVERIFY(std::fabs(r.loops[2].y[0] - fuzzy) < 1e-12);
    }
}

void TestStepRun::zeroTarget()
{
    StepParameters p;
    p.setPoint = 0.0;
    const StepRun::Result r = StepRun::run(p);
    QCOMPARE(r.peak, 0.0);
    for (const auto &loop : r.loops) {
        QCOMPARE(loop.y.size(), std::size_t(99));
        for (double y : loop.y)
            QCOMPARE(y, 0.0);
    }
}

void TestStepRun::repeatable()
{
    const StepRun::Result a = StepRun::run(StepParameters());
    const StepRun::Result b = StepRun::run(StepParameters());
    for (int i = 0; i < 3; ++i)
        QVERIFY(sameSeries(a.loops[static_cast<std::size_t>(i)], b.loops[static_cast<std::size_t>(i)]));
    QCOMPARE(a.peak, b.peak);
}

void TestStepRun::amplificationOnlyMovesFuzzyLoop()
{
    StepParameters p;
    const StepRun::Result a = StepRun::run(p);
    p.amplification = 2.0;
    const StepRun::Result b = StepRun::run(p);
    QVERIFY(sameSeries(a.loops[StepRun::ClosedLoop], b.loops[StepRun::ClosedLoop]));
    QVERIFY(sameSeries(a.loops[StepRun::PidLoop], b.loops[StepRun::PidLoop]));
    QVERIFY(a.loops[StepRun::FuzzyLoop].y != b.loops[StepRun::FuzzyLoop].y);
    QCOMPARE(a.loops[StepRun::FuzzyLoop].t, b.loops[StepRun::FuzzyLoop].t);
}

void TestStepRun::peakIsLargestOutputOfAllLoops_data()
{
    QTest::addColumn<double>("setPoint");
    QTest::addColumn<double>("amplification");
    QTest::addColumn<double>("kp");
    QTest::newRow("start values") << 1.0 << 0.5 << 0.5;
    QTest::newRow("fuzzy loop peaks") << 1.0 << 20.0 << 0.5;
    QTest::newRow("PID loop peaks") << 1.0 << 0.5 << 30.0;
    QTest::newRow("large target") << 100.0 << 100.0 << 1000.0;
}

void TestStepRun::peakIsLargestOutputOfAllLoops()
{
    QFETCH(double, setPoint);
    QFETCH(double, amplification);
    QFETCH(double, kp);
    StepParameters p;
    p.setPoint = setPoint;
    p.amplification = amplification;
    p.kp = p.ki = p.kd = 0.0;
    p.kp = kp;
    p.modellingTime = 30.0;
    const StepRun::Result r = StepRun::run(p);
    double expected = 0.0;
    for (const auto &loop : r.loops)
        for (double y : loop.y)
            if (y > expected)
                expected = y;
    QCOMPARE(r.peak, expected);
}

void TestStepRun::unstablePidLoopFinishes()
{
    const StepRun::Result r = StepRun::run(divergingParameters());
    const auto &pid = r.loops[StepRun::PidLoop].y;
    QCOMPARE(pid.size(), std::size_t(499));
    QVERIFY(std::any_of(pid.begin(), pid.end(), [](double y) { return std::isinf(y); }));
    QVERIFY(std::any_of(pid.begin(), pid.end(), [](double y) { return std::isnan(y); }));
    // The peak is returned as computed, far beyond what a float holds.
    QVERIFY(r.peak > double(FLT_MAX));
    // The other loops stay bounded.
    for (int loop : { StepRun::ClosedLoop, StepRun::FuzzyLoop })
        for (double y : r.loops[static_cast<std::size_t>(loop)].y)
            QVERIFY(std::isfinite(y) && std::fabs(y) < 1e4);
}

void TestStepRun::runMatchesLoopsOneAfterAnother_data()
{
    QTest::addColumn<StepParameters>("params");
    QTest::addColumn<bool>("diverges");

    QTest::newRow("start values") << StepParameters() << false;
    StepParameters wild = divergingParameters();
    wild.amplification = 100.0;
    QTest::newRow("largest gains") << wild << true;
    wild.kp = 1000.0;
    wild.ki = wild.kd = 0.0;
    QTest::newRow("largest Kp alone") << wild << true;
    StepParameters shortest;
    shortest.modellingTime = 0.1;
    QTest::newRow("no step") << shortest << false;

    std::mt19937_64 rng(20110715);
    for (int i = 0; i < 400; ++i) {
        const bool gentle = i % 2 == 0;
        QTest::addRow("random %d, %s gains", i, gentle ? "gentle" : "any")
            << randomParameters(rng, gentle) << false;
    }
}

// The window runs the loops one after another (it reads the amplification
// between them); the command-line tool runs them side by side. Both must
// give the same numbers to the last bit, NaN and infinity included.
void TestStepRun::runMatchesLoopsOneAfterAnother()
{
    QFETCH(StepParameters, params);
    QFETCH(bool, diverges);

    const StepRun::Result together = StepRun::run(params);

    const int steps = StepRun::stepCount(params.modellingTime);
    double peak = 0.0;
    const StepRun::Response closed = StepRun::closedLoop(params.setPoint, steps, peak);
    const StepRun::Response pid =
        StepRun::pidLoop(params.setPoint, steps, PidController(params.kp, params.ki, params.kd), peak);
    const FuzzyController fuzzy(params.errSets, params.dErrSets, params.amplification);
    const StepRun::Response fuzzyResponse = StepRun::fuzzyLoop(params.setPoint, steps, fuzzy, peak);

    const StepRun::Response *apart[3] = { &closed, &pid, &fuzzyResponse };
    for (std::size_t loop = 0; loop < 3; ++loop) {
        const StepRun::Response &a = together.loops[loop];
        const StepRun::Response &b = *apart[loop];
        QCOMPARE(int(a.y.size()), steps);
        const int t = firstBitDifference(a.t, b.t);
        const int y = firstBitDifference(a.y, b.y);
        if (t >= 0 || y >= 0)
            QFAIL(qPrintable(QStringLiteral("loop %1: time differs at %2, output at %3")
                                 .arg(loop).arg(t).arg(y)));
    }
    QCOMPARE(bitsOf(together.peak), bitsOf(peak));
    if (diverges)
        QVERIFY(std::any_of(pid.y.begin(), pid.y.end(), [](double v) { return std::isnan(v); }));
}

QTEST_APPLESS_MAIN(TestStepRun)
#include "tst_steprun.moc"
