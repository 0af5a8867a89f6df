// Parameter studies through the built kestrune-sim: a sweep's rows equal the
// --metrics of single runs at its points, its values are exact decimals, the
// tuned values read back to the tuned criterion and reach the quality the
// tuner promises, the output does not depend on the threads, and progress
// shows on a terminal only.

#include "simprocess.h"

#include <QtTest>

#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

namespace {

// Sweeps and tunes take seconds; far longer under the sanitizers.
constexpr int kLongRun = 600000;

Run runStudy(const QStringList &arguments, const QString &errPath = QString())
{
    return runProgram(QStringLiteral(KESTRUNE_SIM_PATH), arguments,
                      QProcessEnvironment::systemEnvironment(), kLongRun, errPath);
}

// The --metrics table: per metric name, the cells of the three loops.
QMap<QString, QStringList> metricsOf(const QStringList &arguments, QString &why)
{
    const Run run = runSim(arguments + QStringList{ QStringLiteral("--metrics") });
    Table table;
    QMap<QString, QStringList> metrics;
    if (run.exitCode != 0 || !parseCsv(run.out, table)) {
        why = QStringLiteral("--metrics failed: ") + QString::fromUtf8(run.err);
        return metrics;
    }
    for (const QStringList &row : qAsConst(table.rows))
        metrics.insert(row.at(0), row.mid(1));
    return metrics;
}

const QStringList kLoops = { QStringLiteral("closed_loop"), QStringLiteral("pid_loop"),
                             QStringLiteral("fuzzy_control") };

// The option,value rows of --tune as arguments: --kp 0.705, --err-neg -0.26,-0.19.
bool tunedArguments(const QByteArray &csv, QStringList &arguments)
{
    QStringList lines = QString::fromUtf8(csv).split(QLatin1Char('\n'));
    if (lines.takeFirst() != QLatin1String("option,value") || lines.takeLast() != QString())
        return false;
    for (const QString &line : qAsConst(lines)) {
        const int comma = line.indexOf(QLatin1Char(','));
        QString value = line.mid(comma + 1);
        if (value.startsWith(QLatin1Char('"'))) {
            if (!value.endsWith(QLatin1Char('"')) || value.size() < 2)
                return false;
            value = value.mid(1, value.size() - 2);
        }
        arguments << QStringLiteral("--") + line.left(comma) << value;
    }
    return true;
}

// The criterion after tuning, as the summary line writes it.
double tunedCriterion(const QString &summary)
{
    const QRegularExpression after(QStringLiteral(": [a-z]+ \\S+ -> (\\S+), overshoot"));
    const QRegularExpressionMatch match = after.match(summary);
    bool ok = false;
    const double v = match.captured(1).toDouble(&ok);
    return ok ? v : std::nan("");
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace

class TestStudyProgram : public QObject
{
    Q_OBJECT

private slots:
    void sweepEqualsSingleRuns_data();
    void sweepEqualsSingleRuns();
    void sweptValuesAreExactDecimals_data();
    void sweptValuesAreExactDecimals();
    void tunedValuesReadBack_data();
    void tunedValuesReadBack();
    void tunedPidBeatsCoarseGrid();
    void sameOutputForAnyThreads_data();
    void sameOutputForAnyThreads();
    void progressOnTerminalOnly();
    void limitNotMet();
    void shardsMakeTheWholeSweep_data();
    void shardsMakeTheWholeSweep();
};

void TestStudyProgram::sweepEqualsSingleRuns_data()
{
    QTest::addColumn<QStringList>("sweep");
    // The single run of a point: %1 and %2 stand for its swept values.
    QTest::addColumn<QStringList>("single");
    QTest::newRow("kd") << QStringList{ "--sweep", "kd=0:0.6:0.15" }
                        << QStringList{ "--kd", "%1" };
    // Setpoint 0 gives n/a; an error set's R as a float; the first varies slowest.
    QTest::newRow("setpoint x err-zero.r")
            << QStringList{ "--sweep", "setpoint=0:1:0.5", "--sweep", "err-zero.r=0.1:0.3:0.1" }
            << QStringList{ "--setpoint", "%1", "--err-zero", "-0.1,%2" };
    // Runs too short for a sample, and a diverging PID loop (inf).
    QTest::newRow("time x kp, other options kept")
            << QStringList{ "--ki", "0", "--sweep", "time=0.1:40.1:20", "--sweep", "kp=1:401:200" }
            << QStringList{ "--ki", "0", "--time", "%1", "--kp", "%2" };
    QTest::newRow("derivative bound past its partner")
            << QStringList{ "--sweep", "derr-zero.l=0.5:2:0.75", "--amp", "2" }
            << QStringList{ "--derr-zero", "%1,1", "--amp", "2" };
}

void TestStudyProgram::sweepEqualsSingleRuns()
{
    QFETCH(QStringList, sweep);
    QFETCH(QStringList, single);
    const Run run = runStudy(sweep);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    Table table;
    QVERIFY(parseCsv(run.out, table));
    const int axes = table.column(QStringLiteral("loop"));
    QVERIFY(axes == 1 || axes == 2);
    QCOMPARE(table.header.size(), axes + 11);
    QVERIFY(table.rows.size() % 3 == 0 && !table.rows.isEmpty());

    for (int row = 0; row < table.rows.size(); row += 3) {
        QStringList arguments = single;
        for (QString &a : arguments) {
            a.replace(QStringLiteral("%1"), table.rows.at(row).at(0));
            if (axes == 2)
                a.replace(QStringLiteral("%2"), table.rows.at(row).at(1));
        }
        QString why;
        const auto metrics = metricsOf(arguments, why);
        QVERIFY2(why.isEmpty(), qPrintable(why));
        for (int loop = 0; loop < 3; ++loop) {
            const QStringList &cells = table.rows.at(row + loop);
            QCOMPARE(cells.at(axes), kLoops.at(loop));
            // The same text is the same double: both are the shortest that
            // reads back.
            for (int c = axes + 1; c < table.header.size(); ++c) {
                QVERIFY2(metrics.value(table.header.at(c)).value(loop) == cells.at(c),
                         qPrintable(arguments.join(' ') + " " + table.header.at(c) + " "
                                    + kLoops.at(loop) + ": sweep " + cells.at(c)));
            }
        }
    }
}

void TestStudyProgram::sweptValuesAreExactDecimals_data()
{
    QTest::addColumn<QStringList>("sweep");
    QTest::addColumn<QString>("points"); // the values of each point, in order
    QTest::newRow("time") << QStringList{ "--sweep", "time=0.1:1:0.1" }
                          << "0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9 1";
    QTest::newRow("negative bounds up to zero")
            << QStringList{ "--sweep", "derr-pos.l=-0.3:0:0.1" } << "-0.3 -0.2 -0.1 0";
    QTest::newRow("TO off the steps") << QStringList{ "--sweep", "kp=0.7:1.65:0.3" }
                                      << "0.7 1 1.3 1.6";
    QTest::newRow("grid, first slowest")
            << QStringList{ "--sweep", "ki=0.1:0.3:0.1", "--sweep", "kd=1e-3:2e-3:1e-3" }
            << "0.1,0.001 0.1,0.002 0.2,0.001 0.2,0.002 0.3,0.001 0.3,0.002";
}

void TestStudyProgram::sweptValuesAreExactDecimals()
{
    QFETCH(QStringList, sweep);
    QFETCH(QString, points);
    const Run run = runStudy(sweep);
    QCOMPARE(run.exitCode, 0);
    Table table;
    QVERIFY(parseCsv(run.out, table));
    const int axes = table.column(QStringLiteral("loop"));
    QStringList seen;
    for (int row = 0; row < table.rows.size(); row += 3) {
        for (int loop = 1; loop < 3; ++loop)
            QCOMPARE(table.rows.at(row + loop).mid(0, axes), table.rows.at(row).mid(0, axes));
        seen << table.rows.at(row).mid(0, axes).join(QLatin1Char(','));
    }
    QCOMPARE(seen.join(QLatin1Char(' ')), points);
}

void TestStudyProgram::tunedValuesReadBack_data()
{
    QTest::addColumn<QStringList>("tune");
    QTest::addColumn<QString>("criterion"); // the --metrics row it minimises
    QTest::addColumn<int>("loop");
    QTest::addColumn<double>("overshootLimit"); // the tuned loop's overshoot at most
    QTest::addColumn<double>("criterionBelow"); // and its criterion below (inf: any)
    const double inf = std::numeric_limits<double>::infinity();
    // The best IAE of the PID gains at the start values, which the default
    // budget reaches.
    QTest::newRow("pid") << QStringList{ "--tune", "pid" } << "iae" << 1 << inf
                         << std::nextafter(0.20069834487331406, 1.0);
    QTest::newRow("pid, overshoot at most 2%")
            << QStringList{ "--tune", "pid", "--max-overshoot", "2" } << "iae" << 1 << 2.0 << inf;
    QTest::newRow("pid, ise, other setpoint and time")
            << QStringList{ "--tune", "pid", "--criterion", "ise", "--setpoint", "2.5", "--time",
                            "30" }
            << "ise" << 1 << inf << inf;
    QTest::newRow("pid, itae") << QStringList{ "--tune", "pid", "--criterion", "itae" } << "itae"
                               << 1 << inf << inf;
    // Under an actuator limit, which the written rows carry.
    QTest::newRow("pid, limited to the tuned fuzzy amplification")
            << QStringList{ "--tune", "pid", "--pid-limit", "0.31" } << "iae" << 1 << inf << inf;
    // The best IAE of the fuzzy controller, from a long independent search,
    // at the default budget. It takes over a second: long enough for a
    // progress line, which must not reach the file.
    QTest::newRow("fuzzy") << QStringList{ "--tune", "fuzzy", "--seed", "3" } << "iae" << 2 << inf
                           << std::nextafter(0.87818915027657563, 1.0);
    QTest::newRow("fuzzy, no overshoot, small budget")
            << QStringList{ "--tune", "fuzzy", "--max-overshoot", "0", "--evaluations", "5000",
                            "--seed", "7" }
            << "iae" << 2 << 0.0 << inf;
}

// The tuned values are ones the boxes hold and the program reads; given
// back as options, they give the very criterion the tuner reports.
void TestStudyProgram::tunedValuesReadBack()
{
    QFETCH(QStringList, tune);
    QFETCH(QString, criterion);
    QFETCH(int, loop);
    QFETCH(double, overshootLimit);
    QFETCH(double, criterionBelow);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString errPath = dir.filePath(QStringLiteral("err.txt"));
    const Run run = runStudy(tune, errPath);
    QCOMPARE(run.exitCode, 0);
    const QString err = QString::fromUtf8(readAll(errPath));
    // One line, and one more where the tuned fuzzy controller is open loop.
    const int lines = 1 + int(err.contains(QLatin1String("\nkestrune-sim: the tuned fuzzy controller's output is constant")));
    QVERIFY2(err.startsWith(QLatin1String("kestrune-sim: --tune ")) && err.count('\n') == lines
                     && err.endsWith('\n') && !err.contains('\r'),
             qPrintable(err));

    QStringList tuned;
    QVERIFY2(tunedArguments(run.out, tuned), run.out.constData());
    const bool pid = tune.at(1) == QLatin1String("pid");
    const bool limited = tune.contains(QLatin1String("--pid-limit"));
    QCOMPARE(tuned.size(), pid ? (limited ? 8 : 6) : 14);
    // Gains with three decimals, the amplification and bounds with two.
    const QRegularExpression boxValue(pid ? QStringLiteral("^\\d+(\\.\\d{1,3})?$")
                                          : QStringLiteral("^-?\\d+(\\.\\d{1,2})?$"));
    for (int k = 1; k < tuned.size(); k += 2) {
        if (tuned.at(k - 1) == QLatin1String("--pid-limit"))
            continue;
        for (const QString &v : tuned.at(k).split(QLatin1Char(',')))
            QVERIFY2(boxValue.match(v).hasMatch(), qPrintable(tuned.at(k - 1) + " " + v));
    }

    QStringList given = tune.mid(2);
    for (const char *option : { "--criterion", "--max-overshoot", "--evaluations", "--seed",
                                "--pid-limit" }) {
        const int at = given.indexOf(QLatin1String(option));
        if (at >= 0)
            given.erase(given.begin() + at, given.begin() + at + 2);
    }
    // Read back as the file --tune wrote, which carries the PID limit.
    const QString paramsPath = dir.filePath(QStringLiteral("tuned.csv"));
    QFile params(paramsPath);
    QVERIFY(params.open(QIODevice::WriteOnly) && params.write(run.out) == run.out.size());
    params.close();
    QString why;
    const auto metrics = metricsOf(given + QStringList{ "--params", paramsPath }, why);
    QVERIFY2(why.isEmpty(), qPrintable(why));
    bool ok = false;
    const double readBack = metrics.value(criterion).value(loop).toDouble(&ok);
    QVERIFY(ok);
    // Exactly: both are the shortest text of their double.
    QVERIFY2(readBack == tunedCriterion(err), qPrintable(err));
    QVERIFY2(readBack < criterionBelow, qPrintable(QString::number(readBack, 'g', 17)));
    const double overshoot =
            metrics.value(QStringLiteral("overshoot_percent")).value(loop).toDouble();
    QVERIFY2(overshoot <= overshootLimit, qPrintable(QString::number(overshoot, 'g', 17)));
}

// The yardstick of the tuner: the tuned PID loop at the start values is no worse
// than the best point of a coarse grid of the three gains, which the sweep
// itself computes (a grid of Ki and Kd for each Kp).
void TestStudyProgram::tunedPidBeatsCoarseGrid()
{
    double best = std::numeric_limits<double>::infinity();
    int points = 0;
    for (int k = 0; k <= 20; ++k) {
        const Run run = runStudy({ "--kp", QString::number(k * 0.25), "--sweep", "ki=0:2:0.1",
                                   "--sweep", "kd=0:2:0.1" });
        QCOMPARE(run.exitCode, 0);
        Table table;
        QVERIFY(parseCsv(run.out, table));
        for (int row = 0; row < table.rows.size(); ++row) {
            if (table.rows.at(row).at(2) != QLatin1String("pid_loop"))
                continue;
            ++points;
            const double iae = table.number(row, QStringLiteral("iae"));
            if (iae < best)
                best = iae;
        }
    }
    QCOMPARE(points, 21 * 21 * 21);

    const Run tuned = runStudy({ "--tune", "pid" });
    QCOMPARE(tuned.exitCode, 0);
    const double after = tunedCriterion(QString::fromUtf8(tuned.err));
    QVERIFY2(after <= best, qPrintable(QStringLiteral("tuned %1, grid %2").arg(after).arg(best)));
}

void TestStudyProgram::sameOutputForAnyThreads_data()
{
    QTest::addColumn<QStringList>("arguments");
    // A grid of many chunks, and a sweep of more than one block (65536
    // points) with short runs.
    QTest::newRow("grid") << QStringList{ "--sweep", "kp=0:5:0.05", "--sweep", "kd=0:2:0.1" };
    QTest::newRow("two blocks") << QStringList{ "--time", "1", "--sweep", "ki=0:70:0.001" };
    QTest::newRow("tune pid") << QStringList{ "--tune", "pid", "--criterion", "itae" };
    QTest::newRow("tune fuzzy") << QStringList{ "--tune", "fuzzy", "--evaluations", "20000" };
}

// One thread writes to standard output, two into --output: the same bytes.
void TestStudyProgram::sameOutputForAnyThreads()
{
    QFETCH(QStringList, arguments);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    const Run one = runStudy(arguments + QStringList{ "--threads", "1" });
    const Run two = runStudy(arguments + QStringList{ "--threads", "2", "-o", path });
    QCOMPARE(one.exitCode, 0);
    QCOMPARE(two.exitCode, 0);
    QCOMPARE(two.out, QByteArray());
    QVERIFY(one.out.size() > 20);
    QVERIFY(readAll(path) == one.out);
}

// On a terminal a run of more than a second shows its progress and wipes
// it at the end; in a pipe (the other tests) or a file it shows none.
void TestStudyProgram::progressOnTerminalOnly()
{
    int master = -1;
    int slave = -1;
    char name[128];
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
        QSKIP("no pseudo-terminal");
    ::close(slave);
    QProcess process;
    process.setProgram(QStringLiteral(KESTRUNE_SIM_PATH));
    process.setArguments({ "--time", "40", "--sweep", "kp=0:399.999:0.001", "--threads", "1", "-o",
                           "/dev/null" });
    process.setStandardErrorFile(QString::fromLocal8Bit(name));
    process.start();
    QVERIFY(process.waitForStarted());
    QByteArray shown;
    char buffer[4096];
    bool finished = false;
    while (!finished) {
        finished = process.waitForFinished(100);
        // Drain the terminal as the program writes, so that it never blocks.
        while (true) {
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(master, &ready);
            timeval none{ 0, 0 };
            if (::select(master + 1, &ready, nullptr, nullptr, &none) <= 0)
                break;
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            shown.append(buffer, static_cast<int>(n));
        }
    }
    ::close(master);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY2(shown.startsWith("\rkestrune-sim: --sweep "), shown.left(80).constData());
    QVERIFY2(shown.contains("% (") && shown.contains(" of 400000 points)"), shown.constData());
    QVERIFY(!shown.contains('\n'));
    // Wiped: blanks over the last line, the cursor back at its start.
    const int last = shown.lastIndexOf('\r', shown.size() - 2);
    QVERIFY(last >= 0 && shown.endsWith('\r'));
    QVERIFY(shown.mid(last + 1, shown.size() - last - 2).trimmed().isEmpty());
}

// A tune that finds no values within --max-overshoot writes the closest it
// found, says so and exits with status 3: the smallest budget cannot bring
// gains that diverge down to ones without overshoot.
void TestStudyProgram::limitNotMet()
{
    const Run run = runStudy({ "--tune", "pid", "--max-overshoot", "0", "--evaluations", "100",
                               "--kp", "1000", "--ki", "100", "--kd", "100" });
    QCOMPARE(run.exitCode, 3);
    QVERIFY(run.out.startsWith("option,value\nkp,"));
    QVERIFY2(run.err.contains("(NOT within 0%)"), run.err.constData());
}

void TestStudyProgram::shardsMakeTheWholeSweep_data()
{
    QTest::addColumn<int>("shards");
    // 5 x 3 x 2 = 30 points: four slices of 8, 8, 7 and 7; seven with
    // one of 4 and six of 5; more slices than points leaves some empty.
    QTest::newRow("4") << 4;
    QTest::newRow("7") << 7;
    QTest::newRow("40") << 40;
}

// The slices of a sweep of three parameters, written one after another, are
// the whole sweep's bytes, on any number of threads.
void TestStudyProgram::shardsMakeTheWholeSweep()
{
    QFETCH(int, shards);
    const QStringList sweep{ "--sweep", "kp=0:1:0.25", "--sweep", "err-zero.r=0.1:0.3:0.1",
                             "--sweep", "amp=0.5:1:0.5" };
    const Run whole = runStudy(sweep);
    QCOMPARE(whole.exitCode, 0);
    QCOMPARE(whole.out.count('\n'), 1 + 30 * 3);
    QByteArray joined;
    for (int k = 1; k <= shards; ++k) {
        const Run part = runStudy(sweep + QStringList{ "--shard", QString("%1/%2").arg(k).arg(shards),
                                                       "--threads", QString::number(1 + k % 2) });
        QCOMPARE(part.exitCode, 0);
        joined += part.out;
    }
    QVERIFY(joined == whole.out);
}

QTEST_GUILESS_MAIN(TestStudyProgram)
#include "tst_studyprogram.moc"
