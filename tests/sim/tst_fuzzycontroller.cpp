// Membership shapes, the choice of the dominant set, the rule table and the
// fuzzy loop's step response.

#include "fuzzycontroller.h"
#include "plantmodel.h"
#include "stepparameters.h"

#include <QtTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(FuzzySetKind)

namespace {

constexpr double kTol = 1e-12;
const float kNan = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

FuzzyController startController(double amplification = 0.5)
{
    const StepParameters p;
    return FuzzyController(p.errSets, p.dErrSets, amplification);
}

} // namespace

class TestFuzzyController : public QObject
{
    Q_OBJECT

private slots:
    void membership_data();
    void membership();
    void membershipStaysInUnitInterval();
    void dominantSet_data();
    void dominantSet();
    void ruleTable_data();
    void ruleTable();
    void firstSteps();
    void stepResponse();
    void gapClassifiesNegative();
    void loopLevelsFollowRuleTable_data();
    void loopLevelsFollowRuleTable();
    void roundsToFloatBeforeFuzzifying();
    void controlFormsDerivativeFromDoubles();
    void derivativeSetOutOfOrder();
};

void TestFuzzyController::membership_data()
{
    QTest::addColumn<FuzzySetKind>("kind");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("right");
    QTest::addColumn<float>("x");
    QTest::addColumn<double>("expected");

    // Shoulders in their usual order.
    QTest::newRow("neg below L") << Negative << -1.5f << -0.1f << -3.0f << 1.0;
    QTest::newRow("neg at L") << Negative << -1.5f << -0.1f << -1.5f << 1.0;
    // Off the middle, where |x - R| / |R - L| and its mirror |x - L| / |R - L|
    // differ (0.75 against 0.25).
    QTest::newRow("neg between") << Negative << -1.5f << 0.5f << -1.0f << 0.75;
    QTest::newRow("neg at R") << Negative << -1.5f << -0.1f << -0.1f << 0.0;
    QTest::newRow("neg above R") << Negative << -1.5f << -0.1f << 2.0f << 0.0;
    QTest::newRow("pos at L") << Positive << 0.1f << 1.5f << 0.1f << 0.0;
    QTest::newRow("pos between") << Positive << 0.0f << 2.0f << 0.5f << 0.25;
    QTest::newRow("pos at R") << Positive << 0.1f << 1.5f << 1.5f << 1.0;
    QTest::newRow("pos above R") << Positive << 0.1f << 1.5f << 9.0f << 1.0;
    QTest::newRow("pos first fuzzy step")
        << Positive << 0.1f << 1.5f << 1.0f << (1.0 - double(0.1f)) / (1.5 - double(0.1f));

    // The Zero triangle has its apex at the origin, not between L and R.
    QTest::newRow("zero apex") << Zero << -0.1f << 0.1f << 0.0f << 1.0;
    QTest::newRow("zero at L") << Zero << -0.1f << 0.1f << -0.1f << 0.0;
    QTest::newRow("zero at R") << Zero << -0.1f << 0.1f << 0.1f << 0.0;
    QTest::newRow("zero left flank") << Zero << -2.0f << 1.0f << -0.5f << 0.75;
    QTest::newRow("zero right flank") << Zero << -2.0f << 1.0f << 0.5f << 0.5;
    QTest::newRow("zero outside") << Zero << -1.0f << 1.0f << 3.0f << 0.0;

    // Bounds out of their usual order.
    QTest::newRow("neg L>R below L") << Negative << 1.0f << -1.0f << 0.5f << 1.0;
    QTest::newRow("neg L>R at L") << Negative << 1.0f << -1.0f << 1.0f << 1.0;
    QTest::newRow("neg L>R above L") << Negative << 1.0f << -1.0f << 1.5f << 0.0;
    QTest::newRow("pos L>R at L") << Positive << 1.0f << -1.0f << 1.0f << 0.0;
    QTest::newRow("pos L>R above L") << Positive << 1.0f << -1.0f << 1.01f << 1.0;
    QTest::newRow("neg L=R") << Negative << 0.5f << 0.5f << 0.5f << 1.0;
    QTest::newRow("pos L=R above") << Positive << 0.5f << 0.5f << 0.6f << 1.0;
    QTest::newRow("zero L>R") << Zero << 1.0f << -1.0f << 0.0f << 0.0;
    QTest::newRow("zero L=R=0") << Zero << 0.0f << 0.0f << 0.0f << 0.0;
    // Zero set right of the origin: jumps at L to (R-L)/R, falls to 0 at R.
    QTest::newRow("zero right of 0, just above L") << Zero << 0.5f << 1.5f << 0.5000001f
                                                   << (1.5 - double(0.5000001f)) / 1.5;
    QTest::newRow("zero right of 0, at L") << Zero << 0.5f << 1.5f << 0.5f << 0.0;
    // Zero set left of the origin: rises from 0 at L, drops to 0 at R.
    QTest::newRow("zero left of 0, mid") << Zero << -2.0f << -1.0f << -1.5f << 0.25;
    QTest::newRow("zero left of 0, at R") << Zero << -2.0f << -1.0f << -1.0f << 0.0;

    // Infinite inputs land on the outer plateaus.
    QTest::newRow("neg +inf") << Negative << -1.5f << -0.1f << kInf << 0.0;
    QTest::newRow("neg -inf") << Negative << -1.5f << -0.1f << -kInf << 1.0;
    QTest::newRow("pos +inf") << Positive << 0.1f << 1.5f << kInf << 1.0;
    QTest::newRow("zero -inf") << Zero << -0.1f << 0.1f << -kInf << 0.0;
    // Extreme bounds.
    QTest::newRow("neg at -10") << Negative << -10.0f << 10.0f << -10.0f << 1.0;
    QTest::newRow("zero wide") << Zero << -10.0f << 10.0f << 5.0f << 0.5;
}

void TestFuzzyController::membership()
{
    QFETCH(FuzzySetKind, kind);
    QFETCH(float, left);
    QFETCH(float, right);
    QFETCH(float, x);
    QFETCH(double, expected);
    const double mu = FuzzyController::membership({ kind, left, right }, x);
    QVERIFY2(std::fabs(mu - expected) < kTol, qPrintable(QString::number(mu, 'g', 17)));
}

void TestFuzzyController::membershipStaysInUnitInterval()
{
    // Sweep every kind against bounds in and out of order, including bounds
    // at zero where a careless Zero formula divides by zero.
    const float bounds[] = { -10.0f, -1.5f, -0.1f, 0.0f, 0.05f, 1.0f, 10.0f };
    for (int kind = Negative; kind <= Positive; ++kind) {
        for (float l : bounds) {
            for (float r : bounds) {
                for (int i = -1200; i <= 1200; ++i) {
                    const float x = static_cast<float>(i) / 100.0f;
                    const double mu = FuzzyController::membership(
                        { static_cast<FuzzySetKind>(kind), l, r }, x);
                    if (!(mu >= 0.0 && mu <= 1.0))
                        QFAIL(qPrintable(QStringLiteral("kind %1 L %2 R %3 x %4 -> %5")
                                             .arg(kind).arg(l).arg(r).arg(x).arg(mu)));
                }
            }
        }
    }
}

void TestFuzzyController::dominantSet_data()
{
    QTest::addColumn<double>("n");
    QTest::addColumn<double>("z");
    QTest::addColumn<double>("p");
    QTest::addColumn<FuzzySetKind>("expected");
    QTest::newRow("negative largest") << 0.9 << 0.1 << 0.0 << Negative;
    QTest::newRow("zero largest") << 0.1 << 0.9 << 0.2 << Zero;
    QTest::newRow("positive largest") << 0.0 << 0.2 << 0.7 << Positive;
    QTest::newRow("all zero: gap") << 0.0 << 0.0 << 0.0 << Negative;
    QTest::newRow("tie n=z above p") << 0.5 << 0.5 << 0.2 << Negative;
    QTest::newRow("tie n=p above z") << 0.5 << 0.2 << 0.5 << Negative;
    QTest::newRow("tie z=p above n") << 0.2 << 0.5 << 0.5 << Zero;
    QTest::newRow("three-way tie") << 1.0 << 1.0 << 1.0 << Negative;
    QTest::newRow("p above tie n=z") << 0.3 << 0.3 << 0.4 << Positive;
}

void TestFuzzyController::dominantSet()
{
    QFETCH(double, n);
    QFETCH(double, z);
    QFETCH(double, p);
    QFETCH(FuzzySetKind, expected);
    QCOMPARE(FuzzyController::dominantSet(n, z, p), expected);
}

void TestFuzzyController::ruleTable_data()
{
    QTest::addColumn<FuzzySetKind>("error");
    QTest::addColumn<FuzzySetKind>("derivative");
    QTest::addColumn<int>("level");
    QTest::newRow("N,N") << Negative << Negative << 0;
    QTest::newRow("N,Z") << Negative << Zero << -1;
    QTest::newRow("N,P") << Negative << Positive << 0;
    QTest::newRow("Z,N") << Zero << Negative << -1;
    QTest::newRow("Z,Z") << Zero << Zero << 0;
    QTest::newRow("Z,P") << Zero << Positive << 1;
    QTest::newRow("P,N") << Positive << Negative << 0;
    QTest::newRow("P,Z") << Positive << Zero << 1;
    QTest::newRow("P,P") << Positive << Positive << 0;
}

void TestFuzzyController::ruleTable()
{
    QFETCH(FuzzySetKind, error);
    QFETCH(FuzzySetKind, derivative);
    QFETCH(int, level);
    QCOMPARE(FuzzyController::ruleLevel(error, derivative), level);
}

void TestFuzzyController::firstSteps()
{
    FuzzyController fc = startController();
    fc.reset();

    // Step 1: e = 1, de = 5.
    auto ev = fc.evaluate(1.0);
    QCOMPARE(ev.derivative, 5.0f);
    QVERIFY(std::fabs(ev.errorDegrees[2] - 0.642857142857) < 1e-9);
    QCOMPARE(ev.errorDegrees[0], 0.0);
    QCOMPARE(ev.errorDegrees[1], 0.0);
    QCOMPARE(ev.errorSet, Positive);
    QCOMPARE(ev.derivativeDegrees[2], 1.0);
    QCOMPARE(ev.derivativeSet, Positive);
    QCOMPARE(ev.level, 0);
    QCOMPARE(ev.output, 0.0);

    // Step 2: same error, so de = 0 and the derivative is Zero.
    ev = fc.evaluate(1.0);
    QCOMPARE(ev.derivative, 0.0f);
    QCOMPARE(ev.derivativeDegrees[1], 1.0);
    QCOMPARE(ev.derivativeSet, Zero);
    QCOMPARE(ev.level, 1);
    QCOMPARE(ev.output, 0.5);
}

void TestFuzzyController::stepResponse()
{
    FuzzyController fc = startController();
    PlantModel plant;
    fc.reset();
    plant.reset();
    const double inputs[] = { 0, 0.5, 0.5, 0, 0, 0.5, 0, 0, 0, 0, 0, 0.5, 0.5, -0.5, 0, 0 };
    const double outputs[] = { 0, 0.0833, 0.29203167, 0.490010879,
                               0.59931678, 0.732313038, 0.868139629, 0.925895059 };
    double y = 0.0;
    for (int k = 0; k < 16; ++k) {
        const double u = fc.control(1.0 - y);
        QVERIFY2(u == inputs[k], qPrintable(QStringLiteral("input %1: %2").arg(k).arg(u)));
        y = plant.step(u);
        if (k < 8)
            QVERIFY2(std::fabs(y - outputs[k]) < 5e-9,
                     qPrintable(QStringLiteral("output %1: %2").arg(k).arg(y, 0, 'g', 17)));
    }
}

void TestFuzzyController::gapClassifiesNegative()
{
    const StepParameters p;
    FuzzyController::SetTriple err{ { { Negative, -1.5f, -1.0f },
                                      { Zero, -0.1f, 0.1f },
                                      { Positive, 1.0f, 1.5f } } };
    FuzzyController fc(err, p.dErrSets, 2.0);
    fc.reset();
    fc.control(0.5); // primes the previous error so that the next de is 0
    const auto ev = fc.evaluate(0.5);
    QCOMPARE(ev.errorDegrees[0] + ev.errorDegrees[1] + ev.errorDegrees[2], 0.0);
    QCOMPARE(ev.errorSet, Negative);
    QCOMPARE(ev.derivativeSet, Zero);
    QCOMPARE(ev.output, -2.0);
}

void TestFuzzyController::loopLevelsFollowRuleTable_data()
{
    QTest::addColumn<double>("amplification");
    QTest::addColumn<double>("setPoint");
    // The plant's static gain is 9.8: amplification 0.1 reaches at most
    // 0.98, and overshoots only a small setpoint.
    QTest::newRow("minimum") << 0.1 << 0.1;
    QTest::newRow("start") << 0.5 << 1.0;
    QTest::newRow("strong") << 3.0 << 1.0;
}

// A real loop: every output is the amplification times the level that the
// rule table, written out here, gives for the step's two winners; control()
// and evaluate() agree step by step; and the run meets all three levels.
void TestFuzzyController::loopLevelsFollowRuleTable()
{
    QFETCH(double, amplification);
    QFETCH(double, setPoint);
    static constexpr int rules[3][3] = { { 0, -1, 0 }, { -1, 0, 1 }, { 0, 1, 0 } };
    FuzzyController traced = startController(amplification);
    FuzzyController fast = startController(amplification);
    traced.reset();
    fast.reset();
    PlantModel plant;
    plant.reset();
    bool seen[3] = { false, false, false };
    double y = 0.0;
    for (int k = 0; k < 99; ++k) {
        const FuzzyController::Evaluation ev = traced.evaluate(setPoint - y);
        const double u = fast.control(setPoint - y);
        const int level = rules[ev.errorSet][ev.derivativeSet];
        QVERIFY2(u == level * amplification && ev.output == u,
                 qPrintable(QStringLiteral("step %1: u %2, level %3").arg(k).arg(u).arg(level)));
        seen[level + 1] = true;
        y = plant.step(u);
    }
    QVERIFY(seen[0] && seen[1] && seen[2]);
}

void TestFuzzyController::roundsToFloatBeforeFuzzifying()
{
    // An error of 0.1 in double lies below the stored bound 0.1f, but rounded
    // to float it equals that bound: Positive at L has degree 0 and Zero at R
    // has degree 0, so the gap rule decides.
    const StepParameters p;
    FuzzyController fc(p.errSets, p.dErrSets, 1.0);
    fc.reset();
    const auto ev = fc.evaluate(0.1);
    QCOMPARE(ev.error, 0.1f);
    QCOMPARE(ev.errorDegrees[1], 0.0);
    QCOMPARE(ev.errorDegrees[2], 0.0);
    QCOMPARE(ev.errorSet, Negative);
}

void TestFuzzyController::derivativeSetOutOfOrder()
{
    // Derivative Positive set with L > R acts as a step at L.
    const StepParameters p;
    FuzzyController::SetTriple d{ { { Negative, -10.0f, -9.0f },
                                    { Zero, 1.0f, -1.0f },
                                    { Positive, 2.0f, 1.0f } } };
    FuzzyController fc(p.errSets, d, 1.0);
    fc.reset();
    auto ev = fc.evaluate(0.4); // de = 2.0 exactly at L: degree 0
    QCOMPARE(ev.derivativeDegrees[2], 0.0);
    fc.reset();
    ev = fc.evaluate(0.41); // de = 2.05, above L: degree 1
    QCOMPARE(ev.derivativeDegrees[2], 1.0);
    QCOMPARE(ev.derivativeDegrees[1], 0.0);
}

void TestFuzzyController::controlFormsDerivativeFromDoubles()
{
    // e 1.0 then 1.0000001: de from the doubles is 5.0e-7 (derivative Zero,
    // level +1); from the float-rounded errors it would be 5.96e-7, past R
    // of Zero and into Positive (level 0).
    const StepParameters p;
    const FuzzyController::SetTriple d{ { { Negative, -1.5f, -1.0f },
                                          { Zero, -5.5e-7f, 5.5e-7f },
                                          { Positive, 5.5e-7f, 1.5f } } };
    FuzzyController fc(p.errSets, d, 2.0);
    fc.reset();
    QCOMPARE(fc.control(1.0), 0.0); // de = 5: Positive with Positive
    QCOMPARE(fc.control(1.0000001), 2.0);
}

QTEST_APPLESS_MAIN(TestFuzzyController)
#include "tst_fuzzycontroller.moc"
