// The membership charts draw the degree that the controller computes, for
// bounds in any order: between the jumps each polyline runs through
// FuzzyController::membership at every x, and the usual orders keep the
// points that the window has always drawn.

#include "fuzzycontroller.h"
#include "membershipchart.h"

#include <QtTest>

#include <algorithm>
#include <random>

namespace {

// The polyline's height at x, which lies strictly inside one of its sloped
// or flat segments; NaN if x falls on a vertical edge or on a point.
double heightAt(const CurveData &curve, double x)
{
    for (std::size_t i = 0; i + 1 < curve.x.size(); ++i) {
        const double x0 = curve.x[i];
        const double x1 = curve.x[i + 1];
        if (x == x0 || x == x1)
            return std::nan("");
        if (x0 < x && x < x1)
            return curve.y[i] + (curve.y[i + 1] - curve.y[i]) * (x - x0) / (x1 - x0);
    }
    return std::nan("");
}

const FuzzySetKind kKinds[3] = { Negative, Zero, Positive };

} // namespace

class TestMembershipChart : public QObject
{
    Q_OBJECT

private slots:
    void followsTheController_data();
    void followsTheController();
    void usualOrderKeepsItsPoints();
};

void TestMembershipChart::followsTheController_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("right");
    const std::pair<float, float> orders[] = {
        { -1.5f, -0.1f }, { 0.2f, 0.5f },  { -0.64f, -0.02f }, { -0.02f, -0.64f },
        { 0.1f, 0.1f },   { 0.0f, 0.7f },  { -0.7f, 0.0f },    { 0.0f, 0.0f },
        { -10.0f, 10.0f }, { 10.0f, -10.0f }, { -6.56f, 6.2f },
    };
    for (int p = 0; p < 3; ++p) {
        for (const auto &[l, r] : orders)
            QTest::newRow(qPrintable(QStringLiteral("set %1 (%2, %3)").arg(p).arg(l).arg(r)))
                    << p << l << r;
        std::mt19937 random(20261209u + unsigned(p));
        std::uniform_int_distribution<int> bound(-1000, 1000);
        for (int k = 0; k < 40; ++k) {
            const float l = float(bound(random)) / 100.0f;
            const float r = float(bound(random)) / 100.0f;
            QTest::newRow(qPrintable(QStringLiteral("set %1 random %2").arg(p).arg(k)))
                    << p << l << r;
        }
    }
}

void TestMembershipChart::followsTheController()
{
    QFETCH(int, position);
    QFETCH(float, left);
    QFETCH(float, right);
    const FuzzySet set{ kKinds[position], left, right };
    const CurveData curve = MembershipChart::curve(position, set);
    QCOMPARE(curve.count, int(curve.x.size()));
    QCOMPARE(curve.x.front(), -10.0);
    QCOMPARE(curve.x.back(), 10.0);
    // A function of x: never running backwards, jumps as vertical edges.
    QVERIFY(std::is_sorted(curve.x.begin(), curve.x.end()));
    int compared = 0;
    // Every float x on a grid of 1/256 across the bounds' range.
    for (int i = -2559; i <= 2559; ++i) {
        const float x = float(i) / 256.0f;
        const double drawn = heightAt(curve, x);
        if (std::isnan(drawn))
            continue;
        const double computed = FuzzyController::membership(set, x);
        QVERIFY2(std::abs(drawn - computed) <= 1e-9,
                 qPrintable(QStringLiteral("x %1: drawn %2, computed %3")
                                    .arg(double(x))
                                    .arg(drawn)
                                    .arg(computed)));
        ++compared;
    }
    QVERIFY(compared > 5000);
}

// Bounds in their usual order give the points the charts have always had,
// so the start-up charts stay as they were, pixel for pixel.
void TestMembershipChart::usualOrderKeepsItsPoints()
{
    const float l = -0.1f;
    const float r = 0.1f;
    const double L = l;
    const double R = r;
    QCOMPARE(MembershipChart::curve(0, { Negative, l, r }).x,
             (std::vector<double>{ -10, L, R, 10 }));
    QCOMPARE(MembershipChart::curve(1, { Zero, l, r }).x,
             (std::vector<double>{ -10, L, 0, R, 10 }));
    QCOMPARE(MembershipChart::curve(1, { Zero, l, r }).y, (std::vector<double>{ 0, 0, 1, 0, 0 }));
    QCOMPARE(MembershipChart::curve(2, { Positive, l, r }).y,
             (std::vector<double>{ 0, 0, 1, 1 }));
}

QTEST_GUILESS_MAIN(TestMembershipChart)
#include "tst_membershipchart.moc"
