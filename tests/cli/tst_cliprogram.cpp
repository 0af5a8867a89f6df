// kestrune-sim run as a user runs it: the built program started with
// QProcess, its CSV parsed and checked against hand-checked numbers
// and, bit for bit, against the simulation core; and every kind of bad input.

#include "plantmodel.h"
#include "simcli.h"
#include "simprocess.h"
#include "stepparameters.h"
#include "steprun.h"

#include <QtTest>

#include <atomic>
#include <cmath>
#include <cstring>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

Q_DECLARE_METATYPE(StepParameters)

namespace {

// Runs the program from a shell script, which names it "$0".
Run runSimInShell(const QString &script, const QStringList &arguments)
{
    return runProgram(QStringLiteral("/bin/sh"),
                      QStringList{ QStringLiteral("-c"), script, QStringLiteral(KESTRUNE_SIM_PATH) }
                              + arguments);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

QStringList entries(const QString &dir)
{
    QStringList names = QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden
                                            | QDir::System);
    names.sort();
    return names;
}

// The file type bits of what path names itself (a link is a link).
mode_t typeOf(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & S_IFMT;
}

bool makeNode(const QString &path, unsigned major, unsigned minor)
{
    return ::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(major, minor))
            == 0;
}

// Reads a field as the double it denotes; nan, inf and -inf included.
bool readDouble(const QString &text, double &value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok;
}

bool sameBits(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

const QString kSamplesHeader = QStringLiteral("t,closed_loop,pid_loop,fuzzy_control");

// Runs the program and parses its CSV. False, with the reason in why, when
// the program fails, writes to stderr or writes no well-formed table.
bool runCsv(const QStringList &arguments, Table &table, QByteArray &why)
{
    const Run run = runSim(arguments);
    if (run.exitCode != 0 || !run.err.isEmpty()) {
        why = "exit " + QByteArray::number(run.exitCode) + ": " + run.err;
        return false;
    }
    if (!parseCsv(run.out, table)) {
        why = "malformed CSV: " + run.out.left(200);
        return false;
    }
    return true;
}

} // namespace

class TestCliProgram : public QObject
{
    Q_OBJECT

private slots:
    void figuresNeedADrawer();
    void descriptorTargets_data();
    void descriptorTargets();
    void startValues();
    void bitIdenticalToCore_data();
    void bitIdenticalToCore();
    void acceptedValues_data();
    void acceptedValues();
    void traceOfStartValues();
    void traceMatchesCore_data() { bitIdenticalToCore_data(); }
    void traceMatchesCore();
    void metricsOfStartValues();
    void settlingOfStartValues_data();
    void settlingOfStartValues();
    void metricsOfSetpointZero_data();
    void metricsOfSetpointZero();
    void metricsOfDivergingPid();
    void outputFile();
    void outputIntoWhatExists_data();
    void outputIntoWhatExists();
    void writeErrors_data();
    void writeErrors();
    void helpAndVersion_data();
    void helpAndVersion();
    void badInput_data();
    void badInput();
    void badInputKeepsExistingFile();
    void interruptedWritesNothing_data();
    void interruptedWritesNothing();
};

void TestCliProgram::startValues()
{
    Table table;
    QByteArray why;
    QVERIFY2(runCsv({}, table, why), why);
    QCOMPARE(table.header.join(QLatin1Char(',')), kSamplesHeader);
    QCOMPARE(table.rows.size(), 99);

    QCOMPARE(table.rows.first().at(0), QStringLiteral("0.4"));
    QCOMPARE(table.number(0, QStringLiteral("t")), 0.2 + 0.2);
    QCOMPARE(table.number(98, QStringLiteral("t")), 19.99999999999996);

    // The closed loop's first five outputs, the fifth its peak.
    const double closed[] = { 0.1666, 0.55630778, 0.984391489, 1.292736942, 1.399404757 };
    for (int k = 0; k < 5; ++k)
        QVERIFY(std::fabs(table.number(k, QStringLiteral("closed_loop")) - closed[k]) < 1e-9);
    QCOMPARE(table.number(0, QStringLiteral("closed_loop")), 0.1666);
    int peakRow = 0;
    for (int k = 1; k < table.rows.size(); ++k) {
        if (table.number(k, QStringLiteral("closed_loop"))
            > table.number(peakRow, QStringLiteral("closed_loop")))
            peakRow = k;
    }
    QCOMPARE(peakRow, 4);

    // The PID loop: first input 1.56, so first output 0.1666 * 1.56.
    QVERIFY(std::fabs(table.number(0, QStringLiteral("pid_loop")) - 0.259896) < 1e-12);
    QVERIFY(std::fabs(table.number(1, QStringLiteral("pid_loop")) - 0.686988880) < 1e-9);

    // The fuzzy loop outputs 0, then 0.0833, 0.29203167, ...
    QCOMPARE(table.number(0, QStringLiteral("fuzzy_control")), 0.0);
    QVERIFY(std::fabs(table.number(1, QStringLiteral("fuzzy_control")) - 0.0833) < 1e-12);
    QVERIFY(std::fabs(table.number(2, QStringLiteral("fuzzy_control")) - 0.29203167) < 1e-9);
    QVERIFY(std::fabs(table.number(7, QStringLiteral("fuzzy_control")) - 0.925895059) < 1e-9);
}

void TestCliProgram::bitIdenticalToCore_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<StepParameters>("params");

    const StepParameters start;
    QTest::newRow("start values") << QStringList() << start;

    StepParameters unstable;
    unstable.modellingTime = 100.0;
    unstable.kp = 1000.0;
    unstable.ki = 100.0;
    unstable.kd = 100.0;
    QTest::newRow("diverging PID, inf and nan")
            << QStringList{ "--time", "100", "--kp", "1000", "--ki", "100", "--kd", "100" }
            << unstable;

    StepParameters odd;
    odd.setPoint = 3.7;
    odd.modellingTime = 33.3;
    odd.kp = 2.125;
    odd.ki = 0.05;
    odd.kd = 0.0;
    odd.amplification = 1.25;
    odd.errSets = { { { Negative, -2.0f, -0.3f }, { Zero, -0.25f, 0.35f }, { Positive, 0.2f, 2.5f } } };
    odd.dErrSets = { { { Negative, 0.5f, -0.5f }, { Zero, 1.0f, -1.0f }, { Positive, -0.07f, 1.9f } } };
    QTest::newRow("every option")
            << QStringList{ "--setpoint", "3.7", "--time", "33.3", "--kp", "2.125", "--ki",
                            "0.05", "--kd", "0", "--amp", "1.25", "--err-neg", "-2,-0.3",
                            "--err-zero", "-0.25,0.35", "--err-pos", "0.2,2.5", "--derr-neg",
                            "0.5,-0.5", "--derr-zero", "1,-1", "--derr-pos", "-0.07,1.9" }
            << odd;

    // The same through the other spellings: "=" and a single dash.
    QTest::newRow("every option, other spellings")
            << QStringList{ "-setpoint=3.7", "--time=33.3", "-kp", "2.125", "--ki=0.05",
                            "-kd=0", "--amp", "1.25", "--err-neg=-2,-0.3", "-err-zero",
                            "-0.25,0.35", "--err-pos", "0.2,2.5", "--derr-neg", "0.5,-0.5",
                            "--derr-zero", "1,-1", "--derr-pos", "-0.07,1.9" }
            << odd;

    StepParameters zero;
    zero.setPoint = 0.0;
    QTest::newRow("setpoint 0") << QStringList{ "--setpoint", "0" } << zero;

    StepParameters big;
    big.setPoint = 100.0;
    big.modellingTime = 100.0;
    big.amplification = 100.0;
    QTest::newRow("largest setpoint, time and amplification")
            << QStringList{ "--setpoint", "100", "--time", "100", "--amp", "100" } << big;

    StepParameters last;
    last.kp = 7.0;
    QTest::newRow("repeated option keeps the last value")
            << QStringList{ "--kp", "3", "--kp", "7" } << last;
}

void TestCliProgram::bitIdenticalToCore()
{
    QFETCH(QStringList, arguments);
    QFETCH(StepParameters, params);

    Table table;
    QByteArray why;
    QVERIFY2(runCsv(arguments, table, why), why);
    QCOMPARE(table.header.join(QLatin1Char(',')), kSamplesHeader);

    const StepRun::Result expected = StepRun::run(params);
    const auto &closed = expected.loops[StepRun::ClosedLoop];
    QCOMPARE(table.rows.size(), static_cast<int>(closed.t.size()));
    for (int k = 0; k < table.rows.size(); ++k) {
        const double want[4] = { closed.t[k], closed.y[k],
                                 expected.loops[StepRun::PidLoop].y[k],
                                 expected.loops[StepRun::FuzzyLoop].y[k] };
        for (int c = 0; c < 4; ++c) {
            double got = 0.0;
            QVERIFY2(readDouble(table.rows[k][c], got), qPrintable(table.rows[k][c]));
            QVERIFY2(sameBits(got, want[c]),
                     qPrintable(QStringLiteral("row %1 column %2: %3, expected %4")
                                        .arg(k)
                                        .arg(table.header[c], table.rows[k][c])
                                        .arg(want[c], 0, 'g', 17)));
        }
    }
}

void TestCliProgram::acceptedValues_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("rows");

    QTest::newRow("time 0.1: no step") << QStringList{ "--time", "0.1" } << 0;
    QTest::newRow("time 0.2: one step") << QStringList{ "--time", "0.2" } << 1;
    QTest::newRow("time 0.6: two steps") << QStringList{ "--time", "0.6" } << 2;
    QTest::newRow("time 100") << QStringList{ "--time", "100" } << 499;
    QTest::newRow("more decimals than the window") << QStringList{ "--time", "20.05" } << 100;
    QTest::newRow("range ends") << QStringList{ "--setpoint", "0", "--kp", "1000", "--ki", "0",
                                                "--kd", "100", "--amp", "0.1" }
                                << 99;
    QTest::newRow("bounds at the range ends")
            << QStringList{ "--err-neg", "-10,10", "--derr-pos", "10,-10" } << 99;
    QTest::newRow("error set with L = R") << QStringList{ "--err-zero", "0.5,0.5" } << 99;
    QTest::newRow("derivative set with L > R") << QStringList{ "--derr-zero", "2,1" } << 99;
    QTest::newRow("exponent and blanks") << QStringList{ "--kp", " 5e-1 ", "--amp", "+.5" }
                                         << 99;
    QTest::newRow("output - is stdout") << QStringList{ "--output", "-" } << 99;
}

void TestCliProgram::acceptedValues()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, rows);
    Table table;
    QByteArray why;
    QVERIFY2(runCsv(arguments, table, why), why);
    QCOMPARE(table.header.join(QLatin1Char(',')), kSamplesHeader);
    QCOMPARE(table.rows.size(), rows);
}

void TestCliProgram::traceOfStartValues()
{
    Table trace;
    QByteArray why;
    QVERIFY2(runCsv({ QStringLiteral("--trace") }, trace, why), why);
    QCOMPARE(trace.header.join(QLatin1Char(',')),
             QStringLiteral("t,e,de,mu_err_neg,mu_err_zero,mu_err_pos,mu_derr_neg,mu_derr_zero,"
                            "mu_derr_pos,err_set,derr_set,level,u,y"));
    QCOMPARE(trace.rows.size(), 99);

    // Step 1: e = 1, degrees (0, 0, 0.642857...), Positive; de = 5,
    // degrees (0, 0, 1), Positive; V = 0.
    const QStringList &first = trace.rows.at(0);
    QCOMPARE(first.mid(0, 3), (QStringList{ "0.4", "1", "5" }));
    QCOMPARE(first.mid(3, 2), (QStringList{ "0", "0" }));
    QVERIFY(std::fabs(trace.number(0, QStringLiteral("mu_err_pos")) - 0.642857) < 1e-6);
    QCOMPARE(first.mid(6, 8),
             (QStringList{ "0", "0", "1", "Positive", "Positive", "0", "0", "0" }));
    // Step 2: e = 1, de = 0, derivative Zero, V = +1, input 0.5.
    const QStringList &second = trace.rows.at(1);
    QCOMPARE(second.mid(1, 2), (QStringList{ "1", "0" }));
    QCOMPARE(second.mid(6, 7), (QStringList{ "0", "1", "0", "Positive", "Zero", "1", "0.5" }));
    // Step 3: e = 0.9167 as a float.
    // Step 3: e = 0.9167 as a float, de = (0.9167 - 1) / 0.2 = -0.4165 as a
    // float (as a double it would read -0.41650000214576721).
    QCOMPARE(trace.rows.at(2).at(1), QStringLiteral("0.9167"));
    QCOMPARE(trace.rows.at(2).at(2), QStringLiteral("-0.4165"));

    const double inputs[16] = { 0, 0.5, 0.5, 0, 0, 0.5, 0, 0, 0, 0, 0, 0.5, 0.5, -0.5, 0, 0 };
    for (int k = 0; k < 16; ++k)
        QCOMPARE(trace.number(k, QStringLiteral("u")), inputs[k]);

    // t and y are the samples' columns of the plain run.
    Table table;
    QVERIFY2(runCsv({}, table, why), why);
    for (int k = 0; k < 99; ++k) {
        QCOMPARE(trace.rows[k].at(trace.column(QStringLiteral("t"))), table.rows[k].at(0));
        QCOMPARE(trace.rows[k].at(trace.column(QStringLiteral("y"))), table.rows[k].at(3));
        const int level = trace.rows[k].at(trace.column(QStringLiteral("level"))).toInt();
        QVERIFY(level >= -1 && level <= 1);
        QCOMPARE(trace.number(k, QStringLiteral("u")), level * 0.5);
    }
}

void TestCliProgram::traceMatchesCore()
{
    QFETCH(QStringList, arguments);
    QFETCH(StepParameters, params);

    Table trace;
    QByteArray why;
    QVERIFY2(runCsv(arguments + QStringList{ QStringLiteral("--trace") }, trace, why), why);
    const StepRun::Result result = StepRun::run(params);
    const StepRun::Response &fuzzy = result.loops[StepRun::FuzzyLoop];
    QCOMPARE(trace.rows.size(), static_cast<int>(fuzzy.y.size()));

    // The trace's decisions, fed to a plant of our own, give the fuzzy
    // loop's outputs bit for bit; and each row's e is the setpoint minus the
    // previous output, rounded to float.
    PlantModel plant;
    plant.reset();
    double previous = 0.0;
    for (int k = 0; k < trace.rows.size(); ++k) {
        const QStringList &row = trace.rows.at(k);
        double t = 0.0, e = 0.0, u = 0.0, y = 0.0;
        QVERIFY(readDouble(row.at(trace.column(QStringLiteral("t"))), t));
        QVERIFY(readDouble(row.at(trace.column(QStringLiteral("e"))), e));
        QVERIFY(readDouble(row.at(trace.column(QStringLiteral("u"))), u));
        QVERIFY(readDouble(row.at(trace.column(QStringLiteral("y"))), y));
        QVERIFY(sameBits(t, fuzzy.t[k]));
        QCOMPARE(static_cast<float>(e), static_cast<float>(params.setPoint - previous));
        const int level = row.at(trace.column(QStringLiteral("level"))).toInt();
        QVERIFY(level >= -1 && level <= 1);
        QVERIFY(sameBits(u, level * params.amplification));
        const double output = plant.step(u);
        QVERIFY2(sameBits(output, fuzzy.y[k]), qPrintable(QStringLiteral("row %1").arg(k)));
        QVERIFY(sameBits(y, fuzzy.y[k]));
        previous = output;
    }
}

namespace {

// The --metrics table by metric name; each value a string per loop.
QMap<QString, QStringList> metricsTable(const QByteArray &out)
{
    QMap<QString, QStringList> metrics;
    Table table;
    if (!parseCsv(out, table))
        return metrics;
    if (table.header.join(QLatin1Char(','))
        != QLatin1String("metric,closed_loop,pid_loop,fuzzy_control"))
        return metrics;
    for (const QStringList &row : qAsConst(table.rows))
        metrics.insert(row.at(0), row.mid(1));
    return metrics;
}

double value(const QMap<QString, QStringList> &metrics, const char *name, int loop)
{
    bool ok = false;
    const double v = metrics.value(QLatin1String(name)).value(loop).toDouble(&ok);
    return ok ? v : std::nan("");
}

const QStringList kMetricNames = { "peak", "peak_time", "overshoot_percent", "rise_time",
                                   "settling_time", "final_value", "steady_state_error",
                                   "iae", "ise", "itae" };

} // namespace

void TestCliProgram::metricsOfStartValues()
{
    const Run run = runSim({ QStringLiteral("--metrics") });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    const auto m = metricsTable(run.out);
    QCOMPARE(m.keys().size(), kMetricNames.size());
    for (const QString &name : kMetricNames)
        QVERIFY2(m.contains(name), qPrintable(name));

    // Closed loop: peak 1.399404757 at the fifth sample (stamp 1.2), an
    // overshoot of 39.94 %, and it never enters the 2 % band (it settles at
    // 0.9074 of the target).
    QVERIFY(std::fabs(value(m, "peak", 0) - 1.399404757) < 1e-9);
    QVERIFY(std::fabs(value(m, "peak_time", 0) - 1.2) < 1e-12);
    QVERIFY(std::fabs(value(m, "overshoot_percent", 0) - 39.9404757) < 1e-6);
    QCOMPARE(m.value(QStringLiteral("settling_time")).at(0), QStringLiteral("n/a"));
    QVERIFY(std::fabs(value(m, "final_value", 0) - 0.9074) < 1e-3);
    QVERIFY(std::fabs(value(m, "steady_state_error", 0) - (1.0 - value(m, "final_value", 0)))
            < 1e-15);
    // 0.1666 (stamp 0.4) is past 10 %, 0.984 (0.8) the first past 90 %.
    QVERIFY(std::fabs(value(m, "rise_time", 0) - 0.4) < 1e-12);

    // PID loop: peak 1.04684 and it settles; fuzzy loop: peak 1.08507.
    QVERIFY(std::fabs(value(m, "peak", 1) - 1.04684) < 1e-5);
    QVERIFY(!std::isnan(value(m, "settling_time", 1)));
    QVERIFY(std::fabs(value(m, "peak", 2) - 1.08507) < 1e-5);

    // IAE of the closed loop recomputed from the samples.
    const StepRun::Result result = StepRun::run(StepParameters());
    double iae = 0.0;
    for (double y : result.loops[StepRun::ClosedLoop].y)
        iae += std::fabs(1.0 - y) * 0.2;
    QVERIFY(std::fabs(value(m, "iae", 0) - iae) < 1e-12);
}

void TestCliProgram::settlingOfStartValues_data()
{
    QTest::addColumn<QString>("time");
    QTest::newRow("20 s") << QStringLiteral("20");
    // The fuzzy loop's limit cycle ends on a sample inside the band here.
    QTest::newRow("40 s") << QStringLiteral("40");
    QTest::newRow("41 s") << QStringLiteral("41");
}

// The PID loop settles, the closed loop stays outside the band and the
// fuzzy loop's limit cycle of about +-8 % never settles, wherever it ends.
void TestCliProgram::settlingOfStartValues()
{
    QFETCH(QString, time);
    const Run run = runSim({ QStringLiteral("--metrics"), QStringLiteral("--time"), time });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(metricsTable(run.out).value(QStringLiteral("settling_time")),
             (QStringList{ "n/a", "2.8000000000000003", "n/a" }));
}

void TestCliProgram::metricsOfSetpointZero_data()
{
    QTest::addColumn<QString>("setpoint");
    QTest::newRow("0") << QStringLiteral("0");
    // Read as 0: a negative zero would show as -0 in the errors.
    QTest::newRow("-0") << QStringLiteral("-0");
}

void TestCliProgram::metricsOfSetpointZero()
{
    QFETCH(QString, setpoint);
    const Run run = runSim({ QStringLiteral("--metrics"), QStringLiteral("--setpoint"), setpoint });
    QCOMPARE(run.exitCode, 0);
    const auto m = metricsTable(run.out);
    QCOMPARE(m.keys().size(), kMetricNames.size());
    for (int loop = 0; loop < 3; ++loop) {
        for (const char *name : { "overshoot_percent", "rise_time", "settling_time" })
            QCOMPARE(m.value(QLatin1String(name)).at(loop), QStringLiteral("n/a"));
        for (const char *name : { "peak", "final_value", "steady_state_error", "iae", "ise" })
            QCOMPARE(m.value(QLatin1String(name)).at(loop), QStringLiteral("0"));
    }
    QVERIFY(!run.out.contains("nan"));
    QVERIFY(!run.out.contains("inf"));
}

void TestCliProgram::metricsOfDivergingPid()
{
    // Kp 1000, Ki 100, Kd 100 over 100 s: the PID loop reaches inf, then NaN.
    const Run run = runSim({ "--metrics", "--time", "100", "--kp", "1000", "--ki", "100",
                             "--kd", "100" });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    const auto m = metricsTable(run.out);
    QCOMPARE(m.keys().size(), kMetricNames.size());
    QCOMPARE(m.value(QStringLiteral("peak")).at(1), QStringLiteral("inf"));
    QCOMPARE(m.value(QStringLiteral("settling_time")).at(1), QStringLiteral("n/a"));
    QCOMPARE(m.value(QStringLiteral("final_value")).at(1), QStringLiteral("n/a"));
    QCOMPARE(m.value(QStringLiteral("steady_state_error")).at(1), QStringLiteral("n/a"));
    QCOMPARE(m.value(QStringLiteral("iae")).at(1), QStringLiteral("inf"));
    QCOMPARE(m.value(QStringLiteral("ise")).at(1), QStringLiteral("inf"));
    QVERIFY(!run.out.contains("nan"));
    // The other two loops are untouched by the PID gains.
    QVERIFY(std::fabs(value(m, "peak", 0) - 1.399404757) < 1e-9);
    QVERIFY(std::isfinite(value(m, "iae", 2)));

    // The samples themselves carry the inf and nan as computed.
    const Run samples = runSim({ "--time", "100", "--kp", "1000", "--ki", "100", "--kd", "100" });
    QCOMPARE(samples.exitCode, 0);
    QVERIFY(samples.out.contains(",inf,") || samples.out.contains(",-inf,"));
    QVERIFY(samples.out.contains(",nan,"));
}

void TestCliProgram::outputFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("run.csv"));
    const Run plain = runSim({});

    for (const QString &option : { QStringLiteral("--output"), QStringLiteral("-o") }) {
        QFile::remove(path);
        const Run run = runSim({ option, path });
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray());
        QCOMPARE(run.err, QByteArray());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), plain.out);
    }

    // An existing file is replaced whole.
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(100000, 'x'));
    }
    const Run metrics = runSim({ QStringLiteral("--metrics"), QStringLiteral("--output=") + path });
    QCOMPARE(metrics.exitCode, 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), runSim({ QStringLiteral("--metrics") }).out);
    // Nothing but the file is left in the directory.
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList{ QStringLiteral("run.csv") });
}

void TestCliProgram::outputIntoWhatExists_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("FIFO with a reader") << QStringLiteral("fifo");
    QTest::newRow("device node") << QStringLiteral("null");
    QTest::newRow("link to a device node") << QStringLiteral("link-null");
    QTest::newRow("link to a regular file") << QStringLiteral("link-file");
    QTest::newRow("/dev/stdout") << QStringLiteral("/dev/stdout");
    QTest::newRow("/dev/stdout appended by the shell") << QStringLiteral("append");
}

// What -o names is written into, never replaced: a FIFO or a device stays
// what it is, a link stays a link, /dev/stdout is the program's own
// standard output as the shell opened it.
void TestCliProgram::outputIntoWhatExists()
{
    QFETCH(QString, target);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    const QString null = dir.filePath(QStringLiteral("null"));
    const QString file = dir.filePath(QStringLiteral("file.csv"));
    const QByteArray expected = runSim({ QStringLiteral("--metrics") }).out;
    QVERIFY(expected.startsWith("metric,"));
    const QStringList metrics{ QStringLiteral("--metrics"), QStringLiteral("-o") };

    if (target == QLatin1String("null") || target == QLatin1String("link-null")) {
        if (::geteuid() != 0)
            QSKIP("making a device node takes root");
        QVERIFY(makeNode(null, 1, 3));
        QVERIFY(QFile::link(QStringLiteral("null"), dir.filePath(QStringLiteral("link-null"))));
        const Run run = runSim(metrics + QStringList{ dir.filePath(target) });
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.out, QByteArray());
        QCOMPARE(typeOf(null), mode_t(S_IFCHR));
        QCOMPARE(typeOf(dir.filePath(QStringLiteral("link-null"))), mode_t(S_IFLNK));
        QCOMPARE(entries(dir.path()), (QStringList{ "link-null", "null" }));
    } else if (target == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QProcess reader;
        reader.start(QStringLiteral("cat"), { fifo });
        QVERIFY(reader.waitForStarted());
        const Run run = runSim(metrics + QStringList{ fifo });
        QVERIFY(reader.waitForFinished(10000));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(reader.readAllStandardOutput(), expected);
        QCOMPARE(typeOf(fifo), mode_t(S_IFIFO));
        QCOMPARE(entries(dir.path()), QStringList{ "fifo" });
    } else if (target == QLatin1String("link-file")) {
        {
            QFile old(file);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(5000, 'x'));
        }
        const QString link = dir.filePath(QStringLiteral("link-file"));
        QVERIFY(QFile::link(QStringLiteral("file.csv"), link));
        const Run run = runSim(metrics + QStringList{ link });
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(typeOf(link), mode_t(S_IFLNK));
        QCOMPARE(readFile(file), expected);
        QCOMPARE(entries(dir.path()), (QStringList{ "file.csv", "link-file" }));
    } else if (target == QLatin1String("append")) {
        {
            QFile old(file);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("earlier lines\n");
        }
        // The shell opens the file to append; reopening /dev/stdout by its
        // name would truncate it.
        const Run run = runSimInShell(
                QStringLiteral("f=\"$1\"; shift; exec \"$0\" \"$@\" >> \"$f\""),
                QStringList{ file } + metrics + QStringList{ QStringLiteral("/dev/stdout") });
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(readFile(file), "earlier lines\n" + expected);
        QCOMPARE(entries(dir.path()), QStringList{ "file.csv" });
    } else {
        const Run run = runSim(metrics + QStringList{ target });
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.out, expected);
    }
}

void TestCliProgram::writeErrors_data()
{
    QTest::addColumn<QString>("script"); // "$0" is the program, "$1" the full device
    QTest::addColumn<QString>("names");
    QTest::newRow("--output") << QStringLiteral("exec \"$0\" --metrics -o \"$1\"")
                              << QStringLiteral("--output: writing '");
    QTest::newRow("standard output") << QStringLiteral("exec \"$0\" --metrics > \"$1\"")
                                     << QStringLiteral("cannot write to standard output");
}

// Descriptors that cannot take the output: one line with the system's
// reason, exit status 2, nothing written.
void TestCliProgram::descriptorTargets_data()
{
    QTest::addColumn<QString>("script"); // "$0" is the program
    QTest::addColumn<QString>("reason");
    QTest::newRow("open only for reading")
            << QStringLiteral("exec \"$0\" --metrics -o /dev/fd/3 3</dev/null")
            << QStringLiteral("(Bad file descriptor)");
    QTest::newRow("not open") << QStringLiteral("exec 9>&-; exec \"$0\" --metrics -o /dev/fd/9")
                              << QStringLiteral("(No such file or directory)");
}

void TestCliProgram::descriptorTargets()
{
    QFETCH(QString, script);
    QFETCH(QString, reason);
    const Run run = runSimInShell(script, {});
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QByteArray());
    const QString err = QString::fromUtf8(run.err);
    QCOMPARE(err.count(QLatin1Char('\n')), 1);
    QVERIFY2(err.startsWith(QLatin1String("kestrune-sim: --output: cannot open '/dev/fd/"))
                     && err.contains(reason),
             qPrintable(err));
}

// A device that refuses every write (a copy of /dev/full): exit status 1 and
// one line that says what failed and why; the device stays a device.
void TestCliProgram::writeErrors()
{
    QFETCH(QString, script);
    QFETCH(QString, names);
    if (::geteuid() != 0)
        QSKIP("making a device node takes root");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString full = dir.filePath(QStringLiteral("full"));
    QVERIFY(makeNode(full, 1, 7));
    const Run run = runSimInShell(script, { full });
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QByteArray());
    const QString err = QString::fromUtf8(run.err);
    QVERIFY2(err.startsWith(QLatin1String("kestrune-sim: ")) && err.count(QLatin1Char('\n')) == 1
                     && err.endsWith(QLatin1Char('\n')),
             qPrintable(err));
    QVERIFY2(err.contains(names), qPrintable(err));
    QVERIFY2(err.contains(QLatin1String("No space left on device")), qPrintable(err));
    QCOMPARE(typeOf(full), mode_t(S_IFCHR));
    QCOMPARE(entries(dir.path()), QStringList{ "full" });
}

void TestCliProgram::helpAndVersion_data()
{
    QTest::addColumn<QString>("option");
    QTest::newRow("--help") << QStringLiteral("--help");
    QTest::newRow("-h") << QStringLiteral("-h");
    QTest::newRow("--version") << QStringLiteral("--version");
    QTest::newRow("-v") << QStringLiteral("-v");
}

void TestCliProgram::helpAndVersion()
{
    QFETCH(QString, option);
    const Run run = runSim({ option });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    if (option.contains(QLatin1Char('v'))) {
        QCOMPARE(run.out, QByteArray("kestrune-sim " KESTRUNE_VERSION "\n"));
        QCOMPARE(QByteArray(KESTRUNE_VERSION), QByteArray("1.0.0.0"));
        return;
    }
    QVERIFY(run.out.startsWith("Usage: kestrune-sim [options]\n"));
    for (const char *name : { "--setpoint", "--time", "--kp", "--ki", "--kd", "--amp",
                              "--err-neg", "--err-zero", "--err-pos", "--derr-neg",
                              "--derr-zero", "--derr-pos", "--output", "--metrics", "--trace",
                              "--help", "--version", "settling_time", "n/a", "Exit status",
                              "at least 5 samples and at least 10% of the run's" })
        QVERIFY2(run.out.contains(name), name);
}

void TestCliProgram::badInput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("names"); // what the message must name
    QTest::addColumn<QString>("accepts"); // and what it must say is accepted
    QTest::addColumn<QStringList>("says"); // and what else it must say

    const QString number0to1000 = QStringLiteral("a number from 0 to 1000");
    const QString errorPair = QStringLiteral("two numbers L,R from -10 to 10 with L <= R");
    const QString derivPair = QStringLiteral("two numbers L,R from -10 to 10");
    const QString path = QStringLiteral("file path");

    auto row = [](const char *tag, const QStringList &args, const char *names,
                  const QString &accepts, const QStringList &says = {}) {
        QTest::newRow(tag) << args << QString::fromUtf8(names) << accepts << says;
    };

    // Not a number.
    row("non-number", { "--kp", "abc" }, "--kp", number0to1000);
    row("comma as decimal point", { "--kp", "0,5" }, "--kp", number0to1000);
    row("hexadecimal", { "--kp", "0x10" }, "--kp", number0to1000);
    row("trailing garbage", { "--setpoint", "1x" }, "--setpoint",
        QStringLiteral("a number from 0 to 100"));
    row("empty value", { "--kp=" }, "--kp", number0to1000);
    row("option as value", { "--kp", "--metrics" }, "--kp", number0to1000);
    // Not finite.
    row("nan", { "--kp", "nan" }, "--kp", number0to1000, { "'nan' is not a number" });
    // Out of range, not "not a number": infinities and what overflows a double.
    row("inf", { "--setpoint", "inf" }, "--setpoint", QStringLiteral("a number from 0 to 100"),
        { "'inf' is out of range" });
    row("infinity", { "--kp", "infinity" }, "--kp", number0to1000,
        { "'infinity' is out of range" });
    row("1e400", { "--kp", "1e400" }, "--kp", number0to1000, { "'1e400' is out of range" });
    row("-inf", { "--time", "-inf" }, "--time", QStringLiteral("a number from 0.1 to 100"));
    row("overflow", { "--ki", "1e999" }, "--ki", QStringLiteral("a number from 0 to 100"),
        { "out of range" });
    // Out of range, one for each side of each number.
    row("setpoint below 0", { "--setpoint", "-0.1" }, "--setpoint",
        QStringLiteral("a number from 0 to 100"));
    row("setpoint above 100", { "--setpoint", "100.1" }, "--setpoint",
        QStringLiteral("a number from 0 to 100"));
    row("time below 0.1", { "--time", "0.09" }, "--time",
        QStringLiteral("a number from 0.1 to 100"));
    row("time above 100", { "--time", "100.01" }, "--time",
        QStringLiteral("a number from 0.1 to 100"));
    row("kp below 0", { "--kp", "-1" }, "--kp", number0to1000);
    row("kp above 1000", { "--kp", "1000.001" }, "--kp", number0to1000);
    row("ki above 100", { "--ki", "101" }, "--ki", QStringLiteral("a number from 0 to 100"));
    row("kd below 0", { "--kd", "-0.001" }, "--kd", QStringLiteral("a number from 0 to 100"));
    row("amp below 0.1", { "--amp", "0.05" }, "--amp", QStringLiteral("a number from 0.1 to 100"));
    row("amp above 100", { "--amp", "1000" }, "--amp", QStringLiteral("a number from 0.1 to 100"));
    // Fuzzy sets.
    row("error set with L above R", { "--err-zero", "0.2,0.1" }, "--err-zero", errorPair);
    row("one number for a set", { "--derr-pos", "1" }, "--derr-pos", derivPair);
    row("three numbers for a set", { "--err-pos", "1,2,3" }, "--err-pos", errorPair);
    row("bound below -10", { "--derr-neg", "-10.5,0" }, "--derr-neg", derivPair);
    row("bound above 10", { "--err-neg", "0,11" }, "--err-neg", errorPair);
    row("bound nan", { "--err-neg", "nan,0" }, "--err-neg", errorPair);
    row("bound not a number", { "--derr-zero", "-1,x" }, "--derr-zero", derivPair);
    row("empty bound", { "--derr-zero", ",1" }, "--derr-zero", derivPair);
    // Missing values (the option last on the line).
    row("missing number", { "--kp" }, "--kp", number0to1000);
    row("missing pair", { "--err-neg" }, "--err-neg", errorPair);
    row("missing path", { "--output" }, "--output", path);
    row("missing path, short", { "-o" }, "--output", path);
    // Unknown options and stray arguments.
    row("unknown option", { "--foo" }, "--foo", QStringLiteral("--help"));
    row("unknown short option", { "-x" }, "-x", QStringLiteral("--help"));
    row("unknown option with value", { "--gain=3" }, "--gain", QStringLiteral("--help"));
    row("stray argument", { "extra" }, "extra", QStringLiteral("options only"));
    row("stray number", { "--kp", "1", "2" }, "'2'", QStringLiteral("options only"));
    row("after --", { "--", "--kp" }, "--kp", QStringLiteral("options only"));
    row("flag with a value", { "--metrics=yes" }, "--metrics", QStringLiteral("expects no value"),
        { "'yes'" });
    // The option that lacks its value is named, not the argument after it.
    row("value missing before an option", { "--kp", "--ki", "1" }, "--kp: missing value",
        number0to1000);
    row("value missing before a short option", { "-o", "-v" }, "--output: missing value", path);
    row("L and R as two arguments", { "--err-neg", "-1.5", "-0.1" }, "--err-neg", errorPair,
        { "one argument", "'-1.5,-0.1'" });
    row("L= and R as two arguments", { "--derr-zero=-1", "1" }, "--derr-zero", derivPair,
        { "one argument", "'-1,1'" });
    // Every occurrence must be valid, not only the last.
    row("bad value given before a good one", { "--kp", "abc", "--kp", "1" }, "--kp",
        number0to1000, { "'abc' is not a number" });
    row("stray argument after --help", { "--help", "foo" }, "'foo'",
        QStringLiteral("options only"));
    row("stray argument after --version", { "-v", "foo" }, "'foo'",
        QStringLiteral("options only"));
    row("metrics and trace", { "--metrics", "--trace" }, "--metrics and --trace",
        QStringLiteral("at most one"));
    // Sweeps: the first bad point is named, before any run.
    const QString sweep = QStringLiteral("NAME=FROM:TO:STEP one to six times");
    row("sweep of no parameter", { "--sweep", "gain=0:1:0.1" }, "--sweep", sweep,
        { "'gain' is not the name of a parameter" });
    row("sweep without a range", { "--sweep", "kp" }, "--sweep", sweep);
    row("sweep with two numbers", { "--sweep", "kp=0:1" }, "--sweep", sweep, { "'0:1'" });
    row("sweep with step 0", { "--sweep", "kp=0:1:0" }, "--sweep", sweep, { "'0'", "STEP" });
    row("sweep with a negative step", { "--sweep=kd=0:1:-0.1" }, "--sweep", sweep, { "'-0.1'" });
    row("sweep from above to", { "--sweep", "ki=2:1:0.1" }, "--sweep", sweep, { "'2' is above" });
    row("sweep to infinity", { "--sweep", "kp=0:inf:1" }, "--sweep", sweep, { "'inf'" });
    row("sweep to nan", { "--sweep", "amp=nan:1:0.1" }, "--sweep", sweep, { "'nan'" });
    row("sweep past a range", { "--sweep", "kd=99:101:0.5" }, "--sweep", sweep,
        { "point 4 (kd=100.5)", "kd 100.5 is above its maximum 100" });
    row("sweep below a range", { "--sweep", "time=0:1:0.1" }, "--sweep", sweep,
        { "point 1 (time=0)", "below its minimum 0.1" });
    row("sweep past R", { "--sweep", "err-zero.l=-0.2:0.2:0.1" }, "--sweep", sweep,
        { "point 5 (err-zero.l=0.2)", "err-zero.l 0.2 is above err-zero.r 0.1" });
    row("sweep past R given as an option",
        { "--err-pos", "0.1,0.5", "--sweep", "err-pos.l=0:1:0.25" }, "--sweep", sweep,
        { "point 4 (err-pos.l=0.75)" });
    row("grid of both bounds crossing",
        { "--sweep", "err-neg.r=-1:0:0.5", "--sweep", "err-neg.l=-1:0:1" }, "--sweep", sweep,
        { "point 2 (err-neg.r=-1, err-neg.l=0)", "err-neg.l 0 is above err-neg.r -1" });
    row("sweep of a parameter twice", { "--sweep", "kp=0:1:1", "--sweep", "kp=0:2:1" }, "--sweep",
        sweep, { "kp is swept twice" });
    row("sweep of seven parameters",
        { "--sweep", "kp=0:1:1", "--sweep", "ki=0:1:1", "--sweep", "kd=0:1:1", "--sweep",
          "amp=1:2:1", "--sweep", "setpoint=1:2:1", "--sweep", "time=1:2:1", "--sweep",
          "err-neg.l=-1:0:1" },
        "--sweep", sweep, { "a seventh parameter" });
    row("sweep grid too large",
        { "--sweep", "kp=0:1000:1", "--sweep", "ki=0:100:0.1", "--sweep", "kd=0:100:0.1",
          "--sweep", "err-neg.l=-10:0:0.01", "--sweep", "derr-pos.r=0:10:0.01" },
        "--sweep", sweep, { "more than 1000000000000000 points" });
    row("figure of three swept parameters",
        { "--sweep", "kp=0:1:1", "--sweep", "ki=0:1:1", "--sweep", "kd=0:1:1", "--plot", "x.png" },
        "--plot", QStringLiteral("one or two --sweep with --plot"));
    const QString shard = QStringLiteral("K/N, whole numbers with 1 <= K <= N <= 1000000");
    row("shard 0", { "--sweep", "kp=0:1:1", "--shard", "0/4" }, "--shard", shard,
        { "'0/4' is out of range" });
    row("shard past its count", { "--sweep", "kp=0:1:1", "--shard", "5/4" }, "--shard", shard);
    row("shard of none", { "--sweep", "kp=0:1:1", "--shard", "1/0" }, "--shard", shard);
    row("shard not K/N", { "--sweep", "kp=0:1:1", "--shard", "1:4" }, "--shard", shard,
        { "is not K/N" });
    row("shard without a sweep", { "--shard", "1/4" }, "--shard", QString(), { "needs --sweep" });
    row("params file missing", { "--params", "no-such-file.csv" }, "--params",
        QStringLiteral("a file of option,value rows"), { "cannot be read" });
    row("pid limit 0", { "--pid-limit", "0" }, "--pid-limit",
        QStringLiteral("a number above 0 up to 1000"));
    row("sweep and metrics", { "--sweep", "kp=0:1:1", "--metrics" }, "--metrics and --sweep",
        QStringLiteral("at most one"));
    row("sweep and tune", { "--tune", "pid", "--sweep", "kp=0:1:1" }, "--sweep and --tune",
        QStringLiteral("at most one"));
    row("tune and trace", { "--trace", "--tune", "fuzzy" }, "--trace and --tune",
        QStringLiteral("at most one"));
    // Tuning.
    row("no such loop to tune", { "--tune", "PID" }, "--tune",
        QStringLiteral("one of pid, fuzzy"));
    row("tune a run without a step", { "--tune", "pid", "--time", "0.1" }, "--tune",
        QStringLiteral("no 0.2 s step"));
    row("tune at setpoint 0", { "--tune", "fuzzy", "--setpoint", "0" }, "--tune",
        QStringLiteral("the setpoint is 0: there is no step to tune for"));
    row("no such criterion", { "--tune", "pid", "--criterion", "mse" }, "--criterion",
        QStringLiteral("one of iae, ise, itae"));
    row("criterion without tune", { "--criterion", "ise" }, "--criterion",
        QStringLiteral("needs --tune"));
    row("overshoot limit without tune", { "--max-overshoot", "2" }, "--max-overshoot",
        QStringLiteral("needs --tune"));
    row("negative overshoot limit", { "--tune", "pid", "--max-overshoot", "-1" }, "--max-overshoot",
        QStringLiteral("a number from 0 to 1000"));
    row("budget below the least", { "--tune", "pid", "--evaluations", "99" }, "--evaluations",
        QStringLiteral("a whole number from 100 to 100000000"));
    row("fractional budget", { "--tune", "pid", "--evaluations", "1000.5" }, "--evaluations",
        QStringLiteral("whole number"), { "'1000.5' is not a whole number" });
    row("seed without tune", { "--seed", "7" }, "--seed", QStringLiteral("needs --tune"));
    row("seed beyond exact whole numbers", { "--tune", "pid", "--seed", "9007199254740992" },
        "--seed", QStringLiteral("a whole number from 0 to 9007199254740991"));
    row("no threads", { "--threads", "0" }, "--threads",
        QStringLiteral("a whole number from 1 to 256"));
    row("too many threads", { "--threads", "257" }, "--threads",
        QStringLiteral("a whole number from 1 to 256"));
    // The figure's choices are read, but draw nothing without a figure.
    row("no such metric to plot", { "--plot-metric", "gain" }, "--plot-metric",
        QStringLiteral("one of iae, peak"));
    row("metric to plot without a figure", { "--sweep", "kp=0:1:1", "--plot-metric", "ise" },
        "--plot-metric", QStringLiteral("needs --plot with --sweep"));
    row("loops without a figure", { "--loops", "pid" }, "--loops", QStringLiteral("needs --plot"));
    row("time limit without a tune", { "--time-limit", "5" }, "--time-limit",
        QStringLiteral("needs --tune"));
    row("y range of a sweep's figure",
        { "--sweep", "kp=0:1:1", "--plot", "@TMP@/s.png", "--y-range", "data" },
        "--y-range and --sweep", QStringLiteral("at most one of them"));
    row("map's loop with one sweep",
        { "--sweep", "kp=0:1:1", "--plot", "@TMP@/s.png", "--plot-loop", "pid_loop" },
        "--plot-loop", QStringLiteral("needs --plot with two --sweep"));
    row("no such loop to plot", { "--plot-loop", "pid" }, "--plot-loop",
        QStringLiteral("one of closed_loop, pid_loop, fuzzy_control"));
    row("loop to plot without a figure",
        { "--sweep", "kp=0:1:1", "--sweep", "kd=0:1:1", "--plot-loop", "pid_loop" }, "--plot-loop",
        QStringLiteral("needs --plot with two --sweep"));
    // Unwritable output paths (as root too: the directories do not exist).
    row("output in a missing directory", { "--output", "@TMP@/missing/run.csv" }, "--output",
        path);
    row("output is a directory", { "--output", "@TMP@" }, "--output", path);
    row("output under a file", { "-o", "@TMP@/file.txt/run.csv" }, "--output", path);
    row("empty output path", { "--output=" }, "--output", path);
    // A control character must not break the one-line message.
    row("newline in a value", { "--kp", "1\n2" }, "--kp", number0to1000, { "'1?2'" });
    row("C1 control and line separators in a value",
        { "--amp", QString::fromUtf8("1\u00852\u20283\u20294\u009f") }, "--amp",
        QStringLiteral("a number from 0.1 to 100"), { "'1?2?3?4?'" });
    // Paths are shown as values are: controls as '?', long ones shortened in
    // the middle so that the file name stays.
    row("control characters in an output path",
        { "-o", QString::fromUtf8("@TMP@/missing/a\u0085b\u2029c\x01" "d.csv") }, "--output", path,
        { "a?b?c?d.csv" });
    row("long output path", { "-o", "@TMP@/missing/" + QString(200, QLatin1Char('x')) + "/run.csv" },
        "--output", path, { "...", "xxx/run.csv'" });
    // Figures.
    const QString figureFile = QStringLiteral("a file name ending in .png, .svg or .pdf");
    const QString surfaceFile = QStringLiteral("a file name ending in .csv, .png, .svg or .pdf");
    const QString grid = QStringLiteral("two numbers LO,HI from -10 to 10 with LO < HI");
    const QString size = QStringLiteral("WxH, whole numbers W from 300 and H from 200, each up to 10000");
    row("figure without an extension", { "--plot", "@TMP@/results" }, "--plot", figureFile);
    row("figure in another format", { "--plot-membership", "@TMP@/sets.jpg" },
        "--plot-membership", figureFile, { "does not end in" });
    row("figure as CSV", { "--plot", "@TMP@/results.csv" }, "--plot", figureFile);
    row("surface as text", { "--surface", "@TMP@/surface.txt" }, "--surface", surfaceFile);
    row("extension of a directory only", { "--plot", "@TMP@/dir.png/results" }, "--plot",
        figureFile);
    row("missing figure path", { "--plot" }, "--plot", figureFile);
    row("surface points below 2", { "--surface-points", "1" }, "--surface-points",
        QStringLiteral("a whole number from 2 to 1001"));
    row("surface points above 1001", { "--surface-points", "1002" }, "--surface-points",
        QStringLiteral("a whole number from 2 to 1001"));
    row("surface points not whole", { "--surface-points", "2.5" }, "--surface-points",
        QStringLiteral("a whole number from 2 to 1001"), { "not a whole number" });
    row("surface range of one point", { "--surface-range", "1,1" }, "--surface-range", grid,
        { "not below" });
    row("surface range reversed", { "--surface-range", "3,-3" }, "--surface-range", grid,
        { "above" });
    row("surface range beyond the bounds", { "--surface-range", "-11,0" }, "--surface-range",
        grid);
    row("surface range as two arguments", { "--surface-range", "-1", "1" }, "--surface-range",
        grid, { "LO and HI are one argument" });
    row("size below 100", { "--size", "99x800" }, "--size", size, { "out of range" });
    const QString loops = QStringLiteral("one or more of closed, pid, fuzzy, separated by commas");
    const QString yRange = QStringLiteral("data, or LO,HI with finite numbers LO < HI");
    row("no such loop", { "--plot", "@TMP@/r.png", "--loops", "pid,plant" }, "--loops", loops,
        { "'plant' is no loop" });
    row("a loop twice", { "--plot", "@TMP@/r.png", "--loops", "pid,pid" }, "--loops", loops);
    row("no loop", { "--plot", "@TMP@/r.png", "--loops", "" }, "--loops", loops);
    row("y range reversed", { "--plot", "@TMP@/r.png", "--y-range", "1,0" }, "--y-range", yRange);
    row("y range not finite", { "--plot", "@TMP@/r.png", "--y-range", "0,inf" }, "--y-range",
        yRange);
    row("width below what draws", { "--size", "299x800" }, "--size", size, { "out of range" });
    row("height below what draws", { "--size", "800x199" }, "--size", size, { "out of range" });
    row("size above 10000", { "--size", "800x10001" }, "--size", size);
    row("size of one number", { "--size", "800" }, "--size", size, { "is not WxH" });
    row("size with a fraction", { "--size", "800.5x600" }, "--size", size);
    row("size negative", { "--size", "-800x600" }, "--size", size);
    // Two outputs into one file would leave only one of them.
    row("two figures into one file", { "--plot", "@TMP@/a.png", "--plot-membership",
                                       "@TMP@/./a.png" },
        "--plot-membership", QStringLiteral("a file of its own"), { "--plot" });
    row("CSV and a figure into one file", { "-o", "@TMP@/a.pdf", "--plot", "@TMP@/a.pdf" },
        "--plot", QStringLiteral("a file of its own"), { "--output" });
    // Every file opens before any is written: no figure is left behind.
    row("figure, then a file in a missing directory",
        { "--plot", "@TMP@/results.png", "--surface", "@TMP@/missing/surface.csv" }, "--surface",
        QStringLiteral("file path"));
    row("figure into a missing directory",
        { "--plot-membership", "@TMP@/missing/sets.svg", "--metrics" }, "--plot-membership",
        QStringLiteral("file path"));
}

void TestCliProgram::badInput()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, names);
    QFETCH(QString, accepts);
    QFETCH(QStringList, says);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    {
        QFile file(dir.filePath(QStringLiteral("file.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("a plain file\n");
    }
    for (QString &arg : arguments)
        arg.replace(QStringLiteral("@TMP@"), dir.path());

    const Run run = runSim(arguments);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QByteArray());
    const QString err = QString::fromUtf8(run.err);
    QVERIFY2(err.endsWith(QLatin1Char('\n')) && err.count(QLatin1Char('\n')) == 1,
             qPrintable(err));
    QVERIFY2(err.startsWith(QLatin1String("kestrune-sim: ")), qPrintable(err));
    QVERIFY2(err.contains(names), qPrintable(err));
    QVERIFY2(err.contains(accepts), qPrintable(err));
    for (const QString &part : qAsConst(says))
        QVERIFY2(err.contains(part), qPrintable(err));
    // One line that a terminal shows as one: no control or separator
    // character but the final newline, and no value or path in full length.
    for (int i = 0; i + 1 < err.size(); ++i) {
        const ushort c = err.at(i).unicode();
        QVERIFY2(c >= 0x20 && !(c >= 0x7f && c <= 0x9f) && c != 0x2028 && c != 0x2029,
                 qPrintable(err));
    }
    QVERIFY2(err.size() < 240, qPrintable(err));

    // No file was written or left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList{ QStringLiteral("file.txt") });
}

void TestCliProgram::badInputKeepsExistingFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("run.csv"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me\n");
    }
    const Run run = runSim({ QStringLiteral("--output"), path, QStringLiteral("--kp"),
                             QStringLiteral("-5") });
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QByteArray());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep me\n"));
}

// A long sweep or tune that is interrupted stops early and says so: the
// file it would have replaced keeps its bytes, and no partial result is
// reported as one.
void TestCliProgram::interruptedWritesNothing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("sweep") << QStringList{ "--sweep", "kp=0:10:0.0001", "--threads", "2" };
    QTest::newRow("tune") << QStringList{ "--tune", "fuzzy", "--evaluations", "2000000" };
}

void TestCliProgram::interruptedWritesNothing()
{
    QFETCH(QStringList, arguments);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write("keep me\n"), qint64(8));
    }
    std::atomic<int> asked{ 0 };
    simcli::ProgramIo io;
    io.interrupted = [&asked] { return ++asked > 3; };
    const simcli::ProgramOutput output = simcli::runProgram(
            QStringList{ "kestrune-sim", "-o", path } + arguments, io);
    QCOMPARE(output.exitCode, int(simcli::ExitInterrupted));
    QCOMPARE(output.err, QByteArray("kestrune-sim: interrupted\n"));
    QCOMPARE(output.out, QByteArray());
    QCOMPARE(entries(dir.path()), QStringList{ "out.csv" });
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep me\n"));
}

// A build without Qt Widgets and Qwt has no one to draw figures: a figure
// option is then bad input, and nothing is written, not even the CSV.
void TestCliProgram::figuresNeedADrawer()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const simcli::ProgramOutput output = simcli::runProgram(
            { "kestrune-sim", "-o", dir.filePath("run.csv"), "--plot-membership",
              dir.filePath("sets.svg") },
            simcli::ProgramIo());
    QCOMPARE(output.exitCode, 2);
    QCOMPARE(output.err, QByteArray("kestrune-sim: --plot-membership: this build of kestrune-sim "
                                    "has no figures; expects a build with Qt Widgets and Qwt\n"));
    QCOMPARE(output.out, QByteArray());
    QCOMPARE(entries(dir.path()), QStringList());
}

QTEST_GUILESS_MAIN(TestCliProgram)
#include "tst_cliprogram.moc"
