// The step-response metrics of kestrune-sim on hand-made series: the cases
// that are easy to get wrong (never settles, setpoint 0, a response that
// swings the wrong way or past the setpoint before it rises, NaN and inf from
// a diverging loop, no samples at all).

#include "csvwriter.h"
#include "metrics.h"
#include "numberformat.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

Q_DECLARE_METATYPE(std::vector<double>)

namespace {

const double NA = std::numeric_limits<double>::quiet_NaN(); // expected: n/a
const double INF = std::numeric_limits<double>::infinity();

// Stamps as the step run makes them: 0.4, 0.6000000000000001, ... (a running
// double sum from 0.2).
std::vector<double> stamps(std::size_t n)
{
    std::vector<double> t;
    double s = 0.2;
    for (std::size_t k = 0; k < n; ++k) {
        s += 0.2;
        t.push_back(s);
    }
    return t;
}

struct Expected {
    double peak, peakTime, overshoot, rise, settling, finalValue, error, iae, ise;
};

void checkMetric(const char *name, const std::optional<double> &actual, double expected)
{
    const QByteArray what = QByteArray(name);
    if (std::isnan(expected)) {
        QVERIFY2(!actual.has_value(),
                 (what + " should be n/a, is " + QByteArray::number(actual.value_or(0.0), 'g', 17))
                         .constData());
        return;
    }
    QVERIFY2(actual.has_value(), (what + " is n/a").constData());
    if (std::isinf(expected)) {
        QVERIFY2(*actual == expected, (what + " should be " + QByteArray::number(expected) + ", is "
                                       + QByteArray::number(*actual, 'g', 17))
                                              .constData());
        return;
    }
    const double tolerance = 1e-12 * std::max(1.0, std::fabs(expected));
    QVERIFY2(std::fabs(*actual - expected) <= tolerance,
             (what + " should be " + QByteArray::number(expected, 'g', 17) + ", is "
              + QByteArray::number(*actual, 'g', 17))
                     .constData());
}

} // namespace

class TestMetrics : public QObject
{
    Q_OBJECT

private slots:
    void metrics_data();
    void metrics();
    void mismatchedLengthsUseTheShorter();
    void csvWritesNotReachedAsNa();
    void numbersAsWritten_data();
    void numbersAsWritten();
};

void TestMetrics::metrics_data()
{
    QTest::addColumn<double>("setPoint");
    QTest::addColumn<std::vector<double>>("y");
    // peak, peak time, overshoot %, rise, settling, final, error, IAE, ISE
    QTest::addColumn<double>("peak");
    QTest::addColumn<double>("peakTime");
    QTest::addColumn<double>("overshoot");
    QTest::addColumn<double>("rise");
    QTest::addColumn<double>("settling");
    QTest::addColumn<double>("finalValue");
    QTest::addColumn<double>("error");
    QTest::addColumn<double>("iae");
    QTest::addColumn<double>("ise");

    auto row = [](const char *tag, double sp, std::vector<double> y, Expected e) {
        QTest::newRow(tag) << sp << y << e.peak << e.peakTime << e.overshoot << e.rise
                           << e.settling << e.finalValue << e.error << e.iae << e.ise;
    };

    // Stamps: 0.4, 0.6, 0.8, 1.0, 1.2, 1.4, 1.6, ...
    row("settles", 1.0, { 0.05, 0.5, 0.95, 1.1, 0.99, 1.01, 1.0, 1.0, 1.0 },
        { 1.1, 1.0, 10.0, 0.2, 1.2, 1.0, 0.0, 0.2 * 1.62, 0.2 * 1.1652 });

    // Samples exactly at 10 % and 90 % count as reached; |e| exactly 2 % of
    // sp (|50 - 51| = 1 = 0.02 * 50 in doubles) counts as inside the band.
    row("on the 10 and 90 percent marks", 1.0, { 0.05, 0.1, 0.5, 0.9, 1.0, 1.0, 1.0, 1.0, 1.0 },
        { 1.0, 1.2, 0.0, 0.4, 1.2, 1.0, 0.0, 0.2 * 2.45, 0.2 * 1.9725 });
    row("on the edge of the band", 50.0, { 10.0, 51.0, 49.0, 51.0, 49.0, 51.0 },
        { 51.0, 0.6, 2.0, 0.2, 0.6, 51.0, -1.0, 0.2 * 45.0, 0.2 * 1605.0 });

    // Settles at 0.9074 of the target (the closed loop): outside the 2 % band
    // of the setpoint, however flat the tail is.
    row("never settles", 1.0, { 0.1666, 0.5563, 0.9844, 1.2927, 1.3994, 0.9074, 0.9074 },
        { 1.3994, 1.2, 39.94, 0.4, NA, 0.9074, 1.0 - 0.9074, 0.434, 0.230802356 });

    // Inside the band only at the end, too briefly to count as settled: at
    // least 5 samples, and at least 10 % of the run's samples.
    row("in the band at the last sample only", 1.0, { 0.5, 1.1, 1.01 },
        { 1.1, 0.6, 10.0, 0.2, NA, 1.01, 1.0 - 1.01, 0.2 * 0.61, 0.2 * 0.2601 });
    row("in the band for 4 samples", 1.0, { 0.5, 1.0, 1.0, 1.0, 1.0 },
        { 1.0, 0.6, 0.0, 0.2, NA, 1.0, 0.0, 0.2 * 0.5, 0.2 * 0.25 });
    {
        // 5 samples of 50 are 10 %: settled; 5 of 51 are less.
        std::vector<double> y(45, 0.5);
        y.insert(y.end(), 5, 1.0);
        const double t45 = stamps(46).back();
        row("in the band for 5 of 50 samples", 1.0, y,
            { 1.0, t45, 0.0, t45 - 0.4, t45, 1.0, 0.0, 0.2 * 22.5, 0.2 * 11.25 });
        y.insert(y.begin(), 0.5);
        const double t46 = stamps(47).back();
        row("in the band for 5 of 51 samples", 1.0, y,
            { 1.0, t46, 0.0, t46 - 0.4, NA, 1.0, 0.0, 0.2 * 23.0, 0.2 * 11.5 });
    }

    // No percentage of 0 exists: overshoot, rise and settling are n/a, the
    // rest is measured.
    row("setpoint zero", 0.0, { 0.0, 0.1, -0.05, 0.0 },
        { 0.1, 0.6, NA, NA, NA, 0.0, 0.0, 0.2 * 0.15, 0.2 * 0.0125 });

    row("setpoint zero, all zero", 0.0, { 0.0, 0.0, 0.0 },
        { 0.0, 0.4, NA, NA, NA, 0.0, 0.0, 0.0, 0.0 });

    // Swings the wrong way (beyond the setpoint's magnitude) before it rises:
    // the peak is the largest value, not the largest magnitude, and the rise
    // is measured from the first upward crossing of 10 %.
    row("wrong way before rising", 1.0, { -0.5, -1.2, 0.05, 0.5, 0.95, 1.0 },
        { 1.0, 1.4, 0.0, 0.2, NA, 1.0, 0.0, 0.2 * 5.2, 0.2 * 8.245 });

    // Overshoots in the first step, past 10 % and 90 % at once, then falls
    // back below 10 % before it rises again: rise time 0, not negative and
    // not measured from the second rise.
    row("overshoots before it rises", 1.0, { 1.5, 0.05, 0.95, 1.0, 1.0 },
        { 1.5, 0.4, 50.0, 0.0, NA, 1.0, 0.0, 0.2 * 1.5, 0.2 * 1.155 });

    row("never reaches 90 percent", 1.0, { 0.05, 0.2, 0.5, 0.6 },
        { 0.6, 1.0, 0.0, NA, NA, 0.6, 0.4, 0.2 * 2.65, 0.2 * 1.9525 });

    // Ties: the first occurrence of the peak counts.
    row("peak tie", 1.0, { 1.2, 0.9, 1.2, 1.0 },
        { 1.2, 0.4, 20.0, 0.0, NA, 1.0, 0.0, 0.2 * 0.5, 0.2 * 0.09 });

    // A diverging loop: +inf, then NaN (inf - inf). The integrals stay inf:
    // the error grew without bound.
    row("diverges to inf then nan", 1.0, { 0.5, -3.0, INF, NA, NA },
        { INF, 0.8, INF, 0.4, NA, NA, NA, INF, INF });

    row("diverges to -inf then nan", 1.0, { 0.5, -INF, NA },
        { 0.5, 0.4, 0.0, NA, NA, NA, NA, INF, INF });

    // A NaN without an infinity: the integrals are undefined, the rest is
    // measured on the numbers; the NaN sample is outside the band.
    row("nan in the middle", 1.0, { 0.5, NA, 1.0, 1.0, 1.0, 1.0, 1.0 },
        { 1.0, 0.8, 0.0, 0.4, 0.8, 1.0, 0.0, NA, NA });

    row("all nan", 1.0, { NA, NA }, { NA, NA, NA, NA, NA, NA, NA, NA, NA });

    row("empty", 1.0, {}, { NA, NA, NA, NA, NA, NA, NA, NA, NA });
    row("empty, setpoint zero", 0.0, {}, { NA, NA, NA, NA, NA, NA, NA, NA, NA });

    // A negative setpoint mirrors every definition.
    row("negative setpoint", -1.0, { -0.5, -1.2, -1.0, -1.0, -1.0, -1.0, -1.0 },
        { -1.2, 0.6, 20.0, 0.2, 0.8, -1.0, 0.0, 0.2 * 0.7, 0.2 * 0.29 });

    // Within the band from the very first sample, for the 5 samples that
    // count.
    row("settled from the start", 2.0, { 2.01, 1.99, 2.0, 2.0, 2.0 },
        { 2.01, 0.4, 0.5, 0.0, 0.4, 2.0, 0.0, 0.2 * 0.02, 0.2 * 0.0002 });
}

void TestMetrics::metrics()
{
    QFETCH(double, setPoint);
    QFETCH(std::vector<double>, y);
    QFETCH(double, peak);
    QFETCH(double, peakTime);
    QFETCH(double, overshoot);
    QFETCH(double, rise);
    QFETCH(double, settling);
    QFETCH(double, finalValue);
    QFETCH(double, error);
    QFETCH(double, iae);
    QFETCH(double, ise);

    const LoopMetrics m = computeMetrics(setPoint, stamps(y.size()), y);
    checkMetric("peak", m.peak, peak);
    checkMetric("peak time", m.peakTime, peakTime);
    checkMetric("overshoot", m.overshootPercent, overshoot);
    checkMetric("rise time", m.riseTime, rise);
    checkMetric("settling time", m.settlingTime, settling);
    checkMetric("final value", m.finalValue, finalValue);
    checkMetric("steady-state error", m.steadyStateError, error);
    checkMetric("IAE", m.iae, iae);
    checkMetric("ISE", m.ise, ise);
}

void TestMetrics::mismatchedLengthsUseTheShorter()
{
    const LoopMetrics m = computeMetrics(1.0, stamps(2), { 0.5, 1.0, 7.0 });
    checkMetric("peak", m.peak, 1.0);
    checkMetric("final value", m.finalValue, 1.0);
}

void TestMetrics::csvWritesNotReachedAsNa()
{
    StepRun::Result result;
    result.loops[StepRun::ClosedLoop] = { stamps(7), { 0.5, 1.1, 1.01, 1.0, 1.0, 1.0, 1.0 } };
    result.loops[StepRun::PidLoop] = { stamps(3), { 0.0, 0.0, 0.0 } };
    result.loops[StepRun::FuzzyLoop] = { stamps(3), { 0.5, INF, NA } };
    const QStringList lines = simcli::metricsCsv(1.0, result).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 12); // header, ten metrics, empty after the last '\n'
    QCOMPARE(lines.at(0), QStringLiteral("metric,closed_loop,pid_loop,fuzzy_control"));
    QVERIFY(lines.at(11).isEmpty());

    const QStringList names = { "peak", "peak_time", "overshoot_percent", "rise_time",
                                "settling_time", "final_value", "steady_state_error",
                                "iae", "ise", "itae" };
    // Per metric: closed loop, PID loop, fuzzy loop; "n/a" where not reached.
    const QStringList expected[] = {
        { "1.1", "0", "inf" },   { "0.6", "0.4", "0.6" },   { "10", "0", "inf" },
        { "0.2", "n/a", "0.2" }, { "0.8", "n/a", "n/a" },   { "1", "0", "n/a" },
        { "0", "1", "n/a" }, { "0.122", "0.6", "inf" }, { "0.05202", "0.6", "inf" },
        { "0.0536", "0.36", "inf" },
    };
    for (int i = 0; i < names.size(); ++i) {
        const QStringList fields = lines.at(i + 1).split(QLatin1Char(','));
        QCOMPARE(fields.size(), 4);
        QCOMPARE(fields.at(0), names.at(i));
        for (int loop = 0; loop < 3; ++loop) {
            const QString &field = fields.at(loop + 1);
            const QString &want = expected[i].at(loop);
            if (want == QLatin1String("n/a") || want == QLatin1String("inf")) {
                QCOMPARE(field, want);
                continue;
            }
            bool ok = false;
            const double value = field.toDouble(&ok);
            QVERIFY2(ok, qPrintable(lines.at(i + 1)));
            QVERIFY2(std::fabs(value - want.toDouble()) < 1e-12, qPrintable(lines.at(i + 1)));
        }
    }
}

// Every output writes numbers the same way: the shortest text that reads
// back as the same double, and the infinities with their signs.
void TestMetrics::numbersAsWritten_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("inf") << INF << "inf";
    QTest::newRow("-inf") << -INF << "-inf";
    QTest::newRow("nan") << NA << "nan";
    QTest::newRow("a stamp") << 0.2 + 0.2 + 0.2 << "0.6000000000000001";
    QTest::newRow("negative") << -1.5 << "-1.5";
}

void TestMetrics::numbersAsWritten()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(simcli::formatNumber(value), text);
    std::string appended = "x";
    simcli::appendNumber(appended, value);
    QCOMPARE(QString::fromStdString(appended), "x" + text);
}

QTEST_APPLESS_MAIN(TestMetrics)
#include "tst_metrics.moc"
