// Sweeps: the parameters by name, validation before any run (the first bad
// point and why), and results that equal StepRun::run and computeMetrics at
// each point, bit for bit and in point order, for any number of threads.

#include "bitsof.h"
#include "metrics.h"
#include "modelparameter.h"
#include "stepparameters.h"
#include "steprun.h"
#include "sweep.h"

#include <QtTest>

#include <array>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t kFields = 18;

// Every number of a StepParameters, bounds widened from their floats, in the
// order of the parameter table.
std::array<double, kFields> fieldsOf(const StepParameters &p)
{
    std::array<double, kFields> f{ p.setPoint, p.modellingTime, p.kp, p.ki, p.kd,
                                   p.amplification };
    for (std::size_t s = 0; s < 6; ++s) {
        const FuzzySet &set = s < 3 ? p.errSets[s] : p.dErrSets[s - 3];
        f[6 + 2 * s] = set.left;
        f[7 + 2 * s] = set.right;
    }
    return f;
}

bool sameMetric(const std::optional<double> &a, const std::optional<double> &b)
{
    return a.has_value() == b.has_value() && (!a || bitsOf(*a) == bitsOf(*b));
}

bool sameMetrics(const LoopMetrics &a, const LoopMetrics &b)
{
    return sameMetric(a.peak, b.peak) && sameMetric(a.peakTime, b.peakTime)
            && sameMetric(a.overshootPercent, b.overshootPercent)
            && sameMetric(a.riseTime, b.riseTime) && sameMetric(a.settlingTime, b.settlingTime)
            && sameMetric(a.finalValue, b.finalValue)
            && sameMetric(a.steadyStateError, b.steadyStateError) && sameMetric(a.iae, b.iae)
            && sameMetric(a.ise, b.ise);
}

// The sweep of the axes over the panel's start values; fails the test on a
// bad axis text.
Sweep sweepOf(const QStringList &axes, const StepParameters &base = StepParameters())
{
    std::vector<SweepAxis> parsed;
    for (const QString &text : axes) {
        DecimalRange::Error error;
        const std::optional<SweepAxis> axis = Sweep::parseAxis(text.toStdString(), &error);
        if (!axis)
            qFatal("bad axis %s: %s %s", qPrintable(text), error.value.c_str(), error.reason.c_str());
        parsed.push_back(*axis);
    }
    return Sweep(base, parsed);
}

} // namespace

class TestSweep : public QObject
{
    Q_OBJECT

private slots:
    void parameterSetsItsFieldOnly_data();
    void parameterSetsItsFieldOnly();
    void badAxes_data();
    void badAxes();
    void validation_data();
    void validation();
    void recordsEqualDirectRuns();
    void blocksAndProgress();
    void gridOrder();
    void shards_data();
    void shards();
};

void TestSweep::parameterSetsItsFieldOnly_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("field");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("ordered");

    const char *const names[kFields] = { "setpoint",    "time",        "kp",         "ki",
                                         "kd",          "amp",         "err-neg.l",  "err-neg.r",
                                         "err-zero.l",  "err-zero.r",  "err-pos.l",  "err-pos.r",
                                         "derr-neg.l",  "derr-neg.r",  "derr-zero.l", "derr-zero.r",
                                         "derr-pos.l",  "derr-pos.r" };
    // Distinct per row; the bounds' two decimals are not exact in a float.
    const double values[kFields] = { 3.2, 7.3, 12.345, 6.789, 0.001, 0.35, -4.37, -3.84,
                                     -0.01, 0.07, 2.03, 9.99, -9.99, -1.27, 0.33, 4.41,
                                     5.55, -6.66 };
    for (int i = 0; i < int(kFields); ++i)
        QTest::newRow(names[i]) << names[i] << i << values[i] << (i >= 6 && i < 12);
}

void TestSweep::parameterSetsItsFieldOnly()
{
    QFETCH(QString, name);
    QFETCH(int, field);
    QFETCH(double, value);
    QFETCH(bool, ordered);
    const ModelParameter *p = ModelParameter::find(name.toStdString());
    QVERIFY(p);
    QCOMPARE(p->isOrderedBound(), ordered);
    StepParameters params;
    const std::array<double, kFields> before = fieldsOf(params);
    p->apply(params, value);
    const std::array<double, kFields> after = fieldsOf(params);
    for (int i = 0; i < int(kFields); ++i) {
        if (i != field)
            QCOMPARE(after[i], before[i]);
    }
    // Bounds are stored as the window stores them, rounded to float; read
    // back, they give the decimal that was set.
    QCOMPARE(after[field], field >= 6 ? double(float(value)) : value);
    QCOMPARE(bitsOf(p->value(params)), bitsOf(value));
    if (p->isBound()) {
        QVERIFY(p->partner() && p->partner() != p);
        QCOMPARE(p->partner()->partner(), p);
        QCOMPARE(p->partner()->set(), p->set());
    }
}

void TestSweep::badAxes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no range") << "kp" << "kp" << "is not NAME=FROM:TO:STEP";
    QTest::newRow("unknown name") << "kq=0:1:1" << "kq" << "is not the name of a parameter";
    QTest::newRow("set without bound") << "err-neg=0:1:1" << "err-neg"
                                       << "is not the name of a parameter";
    QTest::newRow("bad range") << "kp=0:1:0" << "0" << "is not a STEP above 0";
}

void TestSweep::badAxes()
{
    QFETCH(QString, text);
    QFETCH(QString, value);
    QFETCH(QString, reason);
    DecimalRange::Error error;
    QVERIFY(!Sweep::parseAxis(text.toStdString(), &error));
    QCOMPARE(QString::fromStdString(error.value), value);
    QCOMPARE(QString::fromStdString(error.reason), reason);
}

void TestSweep::validation_data()
{
    QTest::addColumn<QStringList>("axes");
    QTest::addColumn<int>("point"); // -1: valid
    QTest::addColumn<QString>("reason");

    QTest::newRow("kp to its maximum") << QStringList{ "kp=999:1000:0.5" } << -1 << "";
    QTest::newRow("kp past its maximum") << QStringList{ "kp=999:1001:0.5" } << 3
                                         << "kp 1000.5 is above its maximum 1000";
    QTest::newRow("time from 0") << QStringList{ "time=0:1:0.1" } << 0
                                 << "time 0 is below its minimum 0.1";
    QTest::newRow("amp below 0.1") << QStringList{ "amp=0.05:1:0.05" } << 0
                                   << "amp 0.05 is below its minimum 0.1";
    QTest::newRow("bound past 10") << QStringList{ "derr-pos.r=9.9:10.1:0.1" } << 2
                                   << "derr-pos.r 10.1 is above its maximum 10";
    QTest::newRow("second axis out of range")
            << QStringList{ "kd=0:1:0.5", "ki=99:101:1" } << 2 << "ki 101 is above its maximum 100";
    // The base's R is the float of -0.1; as the decimal it was typed from it
    // equals an L of -0.1, which the window accepts.
    QTest::newRow("L up to the base's R") << QStringList{ "err-neg.l=-0.3:-0.1:0.1" } << -1 << "";
    QTest::newRow("L past the base's R") << QStringList{ "err-neg.l=-0.3:0:0.1" } << 3
                                         << "err-neg.l 0 is above err-neg.r -0.1";
    QTest::newRow("R below the base's L") << QStringList{ "err-pos.r=0:1:0.05" } << 0
                                          << "err-pos.l 0.1 is above err-pos.r 0";
    QTest::newRow("grid of L and R") << QStringList{ "err-zero.l=-0.5:0.5:0.5",
                                                     "err-zero.r=-0.5:0.5:0.5" }
                                     << 3 << "err-zero.l 0 is above err-zero.r -0.5";
    QTest::newRow("grid of R and L") << QStringList{ "err-zero.r=-0.5:0.5:0.5",
                                                     "err-zero.l=-0.5:0.5:0.5" }
                                     << 1 << "err-zero.l 0 is above err-zero.r -0.5";
    QTest::newRow("derivative sets in any order")
            << QStringList{ "derr-zero.l=-2:2:1", "derr-zero.r=-2:2:1" } << -1 << "";
    QTest::newRow("swept twice") << QStringList{ "kp=0:1:1", "kp=2:3:1" } << 0 << "kp is swept twice";
    QTest::newRow("grid too large")
            << QStringList{ "kp=0:1000:1", "ki=0:100:0.1", "kd=0:100:0.1", "err-neg.l=-10:0:0.01",
                            "derr-pos.r=0:10:0.01" }
            << 0 << "the grid has more than 1000000000000000 points";
    // A trillion points, checked axis by axis, not point by point.
    QTest::newRow("grid of four, huge")
            << QStringList{ "kp=0:999.9:0.1", "ki=0:99.99:0.01", "kd=0:9.99:0.01", "amp=0.1:1:0.1" }
            << -1 << "";
    QTest::newRow("third of three out of range")
            << QStringList{ "kd=0:1:0.5", "kp=0:1:1", "ki=99:101:1" } << 2
            << "ki 101 is above its maximum 100";
    QTest::newRow("L and R on the first and third of three")
            << QStringList{ "err-zero.l=-0.5:0.5:0.5", "kp=0:1:1", "err-zero.r=-0.5:0.5:0.5" }
            << 6 << "err-zero.l 0 is above err-zero.r -0.5";
}

void TestSweep::validation()
{
    QFETCH(QStringList, axes);
    QFETCH(int, point);
    QFETCH(QString, reason);
    const Sweep sweep = sweepOf(axes);
    const std::optional<SweepProblem> problem = sweep.validate();
    if (point < 0) {
        QVERIFY2(!problem, problem ? problem->reason.c_str() : "");
        return;
    }
    QVERIFY(problem);
    QCOMPARE(QString::fromStdString(problem->reason), reason);
    QCOMPARE(int(problem->point), point);
    for (std::size_t a = 0; a < sweep.axes().size(); ++a)
        QCOMPARE(bitsOf(problem->values[a]), bitsOf(sweep.values(problem->point)[a]));
}

void TestSweep::recordsEqualDirectRuns()
{
    // No samples at 0.1 s, and a PID loop that diverges to inf and NaN at
    // the largest gains and time.
    StepParameters base;
    base.setPoint = 100.0;
    base.ki = 100.0;
    base.kd = 100.0;
    const Sweep sweep = sweepOf({ "time=0.1:100:33.3", "kp=0:1000:250" }, base);
    QVERIFY(!sweep.validate());
    QCOMPARE(sweep.pointCount(), std::size_t(4 * 5));

    const std::vector<SweepRecord> one = sweep.runAll(1);
    QCOMPARE(one.size(), sweep.pointCount() * 3);
    const double times[] = { 0.1, 33.4, 66.7, 100.0 };
    for (std::size_t point = 0; point < sweep.pointCount(); ++point) {
        StepParameters p = base;
        // The first axis varies slowest.
        p.modellingTime = times[point / 5];
        p.kp = 250.0 * double(point % 5);
        const StepRun::Result run = StepRun::run(p);
        for (int loop = 0; loop < 3; ++loop) {
            const SweepRecord &r = one[point * 3 + std::size_t(loop)];
            QCOMPARE(r.values[0], p.modellingTime);
            QCOMPARE(r.values[1], p.kp);
            QCOMPARE(int(r.loop), loop);
            const StepRun::Response &response = run.loops[std::size_t(loop)];
            QVERIFY2(sameMetrics(r.metrics, computeMetrics(p.setPoint, response.t, response.y)),
                     qPrintable(QStringLiteral("point %1 loop %2").arg(point).arg(loop)));
        }
    }
    QVERIFY(!one.front().metrics.iae);
    const std::optional<double> &divergedIae = one[3 * 19 + StepRun::PidLoop].metrics.iae;
    QVERIFY(!divergedIae || std::isinf(*divergedIae));
    QVERIFY(one[3 * 19 + StepRun::FuzzyLoop].metrics.iae);

    for (unsigned threads : { 2u, 3u }) {
        const std::vector<SweepRecord> many = sweep.runAll(threads);
        QCOMPARE(many.size(), one.size());
        for (std::size_t k = 0; k < one.size(); ++k)
            QVERIFY2(sameMetrics(many[k].metrics, one[k].metrics), qPrintable(QString::number(k)));
    }
}

void TestSweep::blocksAndProgress()
{
    // One step per run keeps a sweep over two blocks quick.
    StepParameters base;
    base.modellingTime = 0.2;
    const Sweep sweep = sweepOf({ "kp=0:65.536:0.001" }, base);
    QCOMPARE(sweep.pointCount(), Sweep::kBlockPoints + 1);

    std::vector<std::size_t> firsts;
    std::vector<std::size_t> sizes;
    std::vector<std::size_t> reported;
    bool otherThread = false;
    const std::thread::id caller = std::this_thread::get_id();
    std::size_t mismatches = 0;
    sweep.run(
            [&](std::size_t first, const std::vector<SweepRecord> &records) {
                firsts.push_back(first);
                sizes.push_back(records.size());
                for (std::size_t k = 0; k < records.size(); k += 3) {
                    if (bitsOf(records[k].values[0]) != bitsOf(sweep.values(first + k / 3)[0]))
                        ++mismatches;
                }
            },
            2,
            [&](std::size_t done, std::size_t total) {
                QCOMPARE(total, sweep.pointCount());
                otherThread = otherThread || std::this_thread::get_id() != caller;
                reported.push_back(done);
            });
    QCOMPARE(firsts, (std::vector<std::size_t>{ 0, Sweep::kBlockPoints }));
    QCOMPARE(sizes, (std::vector<std::size_t>{ 3 * Sweep::kBlockPoints, 3 }));
    QCOMPARE(mismatches, std::size_t(0));
    QVERIFY(!otherThread);
    QVERIFY(!reported.empty());
    QVERIFY(std::is_sorted(reported.begin(), reported.end()));
    QCOMPARE(reported.back(), sweep.pointCount());
}

// The first axis varies slowest, the last fastest, whatever their number.
void TestSweep::gridOrder()
{
    const Sweep sweep = sweepOf({ "kp=0:1:1", "ki=0:2:1", "kd=0:0.5:0.5", "amp=1:2:1" });
    QCOMPARE(sweep.pointCount(), std::size_t(2 * 3 * 2 * 2));
    std::size_t point = 0;
    for (double kp : { 0.0, 1.0 })
        for (double ki : { 0.0, 1.0, 2.0 })
            for (double kd : { 0.0, 0.5 })
                for (double amp : { 1.0, 2.0 }) {
                    const SweepValues v = sweep.values(point);
                    QCOMPARE(v[0], kp);
                    QCOMPARE(v[1], ki);
                    QCOMPARE(v[2], kd);
                    QCOMPARE(v[3], amp);
                    const StepParameters p = sweep.parameters(point++);
                    QCOMPARE(p.kd, kd);
                    QCOMPARE(p.amplification, amp);
                }
}

void TestSweep::shards_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("slices"); // first-end of each shard
    QTest::newRow("even") << 12 << 4 << "0-3 3-6 6-9 9-12";
    QTest::newRow("the larger first") << 10 << 4 << "0-3 3-6 6-8 8-10";
    QTest::newRow("more shards than points") << 2 << 3 << "0-1 1-2 2-2";
    QTest::newRow("one") << 7 << 1 << "0-7";
}

// Shards cover every point once, in order, and differ in size by one at most.
void TestSweep::shards()
{
    QFETCH(int, points);
    QFETCH(int, count);
    QFETCH(QString, slices);
    QStringList got;
    for (int k = 1; k <= count; ++k) {
        const auto s = Sweep::shard(std::size_t(points), std::size_t(k), std::size_t(count));
        got << QString("%1-%2").arg(s[0]).arg(s[1]);
    }
    QCOMPARE(got.join(' '), slices);
}

QTEST_APPLESS_MAIN(TestSweep)
#include "tst_sweep.moc"
