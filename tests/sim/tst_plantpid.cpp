// The plant and the PID law against hand-checked step responses.

#include "pidcontroller.h"
#include "plantmodel.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kTol = 1e-9;

std::vector<double> closedLoop(double sp, int steps)
{
    PlantModel plant;
    plant.reset();
    std::vector<double> out;
    double y = 0.0;
    for (int k = 0; k < steps; ++k) {
        y = plant.step(sp - y);
        out.push_back(y);
    }
    return out;
}

std::vector<double> pidLoop(double sp, int steps, double kp, double ki, double kd,
                            std::vector<double> *inputs = nullptr)
{
    PlantModel plant;
    PidController pid(kp, ki, kd);
    plant.reset();
    pid.reset();
    std::vector<double> out;
    double y = 0.0;
    for (int k = 0; k < steps; ++k) {
        const double u = pid.control(sp - y);
        if (inputs)
            inputs->push_back(u);
        y = plant.step(u);
        out.push_back(y);
    }
    return out;
}

} // namespace

class TestPlantPid : public QObject
{
    Q_OBJECT

private slots:
    void plantImpulseResponse();
    void closedLoopStart_data();
    void closedLoopStart();
    void steadyState_data();
    void steadyState();
    void pidFirstInput();
    void zeroInputs_data();
    void zeroInputs();
    void linearInSetpoint_data();
    void linearInSetpoint();
    void resetRestartsFromRest();
    void actuatorLimit_data();
    void actuatorLimit();
};

void TestPlantPid::plantImpulseResponse()
{
    // y0 = b0, y1 = b1 + a1*b0, y2 = a1*y1 + a2*y0: checks each weight and the
    // order of the shift registers.
    PlantModel plant;
    plant.reset();
    const double y0 = plant.step(1.0);
    const double y1 = plant.step(0.0);
    const double y2 = plant.step(0.0);
    QVERIFY(std::fabs(y0 - 0.1666) < kTol);
    QVERIFY(std::fabs(y1 - (0.15092 + 1.5999 * 0.1666)) < kTol);
    QVERIFY(std::fabs(y2 - (1.5999 * y1 - 0.6323 * y0)) < kTol);
}

void TestPlantPid::closedLoopStart_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("expected");
    QTest::newRow("step 1") << 0 << 0.1666;
    QTest::newRow("step 2") << 1 << 0.55630778;
    QTest::newRow("step 3") << 2 << 0.984391489;
    QTest::newRow("step 4") << 3 << 1.292736942;
    QTest::newRow("step 5 (peak)") << 4 << 1.399404757;
}

void TestPlantPid::closedLoopStart()
{
    QFETCH(int, index);
    QFETCH(double, expected);
    const auto y = closedLoop(1.0, 200);
    // Published to nine decimals.
    QVERIFY2(std::fabs(y[static_cast<std::size_t>(index)] - expected) < 5e-9,
             qPrintable(QString::number(y[static_cast<std::size_t>(index)], 'g', 17)));
    QCOMPARE(std::max_element(y.begin(), y.end()) - y.begin(), 4);
}

void TestPlantPid::steadyState_data()
{
    QTest::addColumn<bool>("pid");
    QTest::addColumn<double>("expected");
    // Unity feedback around a static gain of 9.8 leaves 9.8 / 10.8 of the
    // target; the PID's integral removes that offset.
    QTest::newRow("closed loop") << false << 9.8 / 10.8;
    QTest::newRow("PID loop") << true << 1.0;
}

void TestPlantPid::steadyState()
{
    QFETCH(bool, pid);
    QFETCH(double, expected);
    const auto y = pid ? pidLoop(1.0, 2000, 0.5, 0.3, 0.2) : closedLoop(1.0, 2000);
    QVERIFY2(std::fabs(y.back() - expected) < 1e-9, qPrintable(QString::number(y.back(), 'g', 17)));
}

void TestPlantPid::pidFirstInput()
{
    std::vector<double> u;
    const auto y = pidLoop(1.0, 5, 0.5, 0.3, 0.2, &u);
    // kp*e + kd*e/0.2 + ki*e*0.2 = 0.5 + 1.0 + 0.06
    QVERIFY(std::fabs(u[0] - 1.56) < kTol);
    const double expected[] = { 0.259896, 0.686988880, 0.942606092, 1.034738481, 1.046838971 };
    for (int k = 0; k < 5; ++k)
        QVERIFY2(std::fabs(y[static_cast<std::size_t>(k)] - expected[k]) < 5e-9, qPrintable(QString::number(k)));
}

void TestPlantPid::zeroInputs_data()
{
    QTest::addColumn<double>("setPoint");
    QTest::addColumn<double>("kp");
    QTest::addColumn<double>("ki");
    QTest::addColumn<double>("kd");
    QTest::newRow("target 0, start gains") << 0.0 << 0.5 << 0.3 << 0.2;
    QTest::newRow("target 1, all gains 0") << 1.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("target 0, largest gains") << 0.0 << 1000.0 << 100.0 << 100.0;
}

void TestPlantPid::zeroInputs()
{
    QFETCH(double, setPoint);
    QFETCH(double, kp);
    QFETCH(double, ki);
    QFETCH(double, kd);
    std::vector<double> u;
    const auto y = pidLoop(setPoint, 100, kp, ki, kd, &u);
    for (std::size_t k = 0; k < y.size(); ++k) {
        QCOMPARE(u[k], 0.0);
        QCOMPARE(y[k], 0.0);
    }
    if (setPoint == 0.0) {
        for (double v : closedLoop(setPoint, 100))
            QCOMPARE(v, 0.0);
    }
}

void TestPlantPid::linearInSetpoint_data()
{
    QTest::addColumn<double>("factor");
    QTest::newRow("double") << 2.0;
    QTest::newRow("tenth") << 0.1;
    QTest::newRow("hundred") << 100.0;
}

void TestPlantPid::linearInSetpoint()
{
    QFETCH(double, factor);
    const auto c1 = closedLoop(1.0, 99);
    const auto cf = closedLoop(factor, 99);
    const auto p1 = pidLoop(1.0, 99, 0.5, 0.3, 0.2);
    const auto pf = pidLoop(factor, 99, 0.5, 0.3, 0.2);
    for (std::size_t k = 0; k < c1.size(); ++k) {
        QVERIFY(std::fabs(cf[k] - factor * c1[k]) <= 1e-12 * factor);
        QVERIFY(std::fabs(pf[k] - factor * p1[k]) <= 1e-12 * factor);
    }
}

void TestPlantPid::resetRestartsFromRest()
{
    PlantModel plant;
    PidController pid(0.5, 0.3, 0.2);
    const double first = plant.step(pid.control(1.0));
    for (int k = 0; k < 10; ++k)
        plant.step(pid.control(0.3));
    plant.reset();
    pid.reset();
    QCOMPARE(plant.step(pid.control(1.0)), first);
    QCOMPARE(pid.kp(), 0.5);
    QCOMPARE(pid.ki(), 0.3);
    QCOMPARE(pid.kd(), 0.2);
}

void TestPlantPid::actuatorLimit_data()
{
    QTest::addColumn<double>("kp");
    QTest::addColumn<double>("ki");
    QTest::addColumn<double>("kd");
    QTest::addColumn<double>("limit");
    QTest::addColumn<double>("setPoint");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("no limit: the unlimited law") << 0.5 << 0.3 << 0.2 << inf << 1.0;
    QTest::newRow("saturates while rising") << 0.938 << 1.741 << 0.251 << 0.31 << 1.0;
    QTest::newRow("negative setpoint") << 2.0 << 5.0 << 0.5 << 0.4 << -1.5;
    QTest::newRow("integral alone") << 0.0 << 10.0 << 0.0 << 0.15 << 1.0;
    QTest::newRow("derivative past the limit while above the setpoint") << 0.5 << 0.3 << 2.0 << 0.3 << 1.0;
    QTest::newRow("limit beyond any input") << 0.5 << 0.3 << 0.2 << 1000.0 << 1.0;
}

// The clamped law with conditional integration, written out from its
// definition: the integral stands still only while the output is beyond
// the limit on the side the error pushes it.
void TestPlantPid::actuatorLimit()
{
    QFETCH(double, kp);
    QFETCH(double, ki);
    QFETCH(double, kd);
    QFETCH(double, limit);
    QFETCH(double, setPoint);
    constexpr double dt = PlantModel::kSampleTime;
    PidController pid(kp, ki, kd, limit);
    pid.reset();
    PlantModel plant;
    plant.reset();
    double integral = 0.0;
    double prevError = 0.0;
    double y = 0.0;
    int clamped = 0;
    for (int k = 0; k < 200; ++k) {
        const double e = setPoint - y;
        const double c = integral + e * dt;
        const double v = (kp * e + ((e - prevError) / dt) * kd) + ki * c;
        const double u = v > limit ? limit : v < -limit ? -limit : v;
        if (!((v > limit && e > 0.0) || (v < -limit && e < 0.0)))
            integral = c;
        prevError = e;
        clamped += u != v;
        const double got = pid.control(e);
        QVERIFY2(got == u, qPrintable(QString("step %1: %2, expected %3")
                                              .arg(k)
                                              .arg(got, 0, 'g', 17)
                                              .arg(u, 0, 'g', 17)));
        QVERIFY(std::fabs(got) <= limit);
        y = plant.step(got);
    }
    // The rows with a limit that matters reach it.
    QCOMPARE(clamped > 0, limit < 1.0);
}

QTEST_APPLESS_MAIN(TestPlantPid)
#include "tst_plantpid.moc"
