// The option kinds that the figures, sweeps and the tuner read: whole
// numbers, choices and texts with their own check, each fault reported on
// one line that names the option and what it expects; and the defaults that
// depend on other options.

#include "optionparser.h"
#include "options.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace simcli;

class TestOptionParser : public QObject
{
    Q_OBJECT

private slots:
    void kinds_data();
    void kinds();
    void plotLoopDefault_data();
    void plotLoopDefault();
    void needsAndExcludes_data();
    void needsAndExcludes();
    void optionFile_data();
    void optionFile();
};

void TestOptionParser::kinds_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");  // empty: parses
    QTest::addColumn<QString>("applied"); // the values applied, in order

    const QString points = "kestrune-sim: --points: ";
    const QString pointsExpects = "; expects a whole number from 2 to 1001";
    QTest::newRow("whole number") << QStringList{"--points", "121"} << "" << "121";
    QTest::newRow("both ends") << QStringList{"--points=2", "--points", "1001"} << "" << "2 1001";
    QTest::newRow("fraction") << QStringList{"--points", "12.5"}
                              << points + "'12.5' is not a whole number" + pointsExpects << "";
    QTest::newRow("below") << QStringList{"--points", "1"}
                           << points + "'1' is out of range" + pointsExpects << "";
    QTest::newRow("huge") << QStringList{"--points", "1e400"}
                          << points + "'1e400' is out of range" + pointsExpects << "";
    QTest::newRow("nan") << QStringList{"--points", "nan"}
                         << points + "'nan' is not a number" + pointsExpects << "";
    QTest::newRow("missing") << QStringList{"--points", "--tune", "pid"}
                             << points + "missing value" + pointsExpects << "";
    QTest::newRow("choice") << QStringList{"--tune", "fuzzy"} << "" << "fuzzy";
    QTest::newRow("no such choice")
        << QStringList{"--tune", "PID"}
        << "kestrune-sim: --tune: 'PID' is not one of them; expects one of pid, fuzzy" << "";
    QTest::newRow("checked text, twice") << QStringList{"--size", "800x600", "--size=100x100"}
                                         << "" << "800x600 100x100";
    QTest::newRow("text fails its check")
        << QStringList{"--size", "800"}
        << "kestrune-sim: --size: '800' has no x; expects WxH" << "";
    QTest::newRow("empty text") << QStringList{"--size="}
                                << "kestrune-sim: --size: empty value; expects WxH" << "";
}

void TestOptionParser::kinds()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QFETCH(QString, applied);

    QStringList seen;
    const auto record = [&seen](const OptionValue &v) { seen << v.text; };
    const auto row = [&record](const QString &name, OptionKind kind) {
        OptionEntry option;
        option.names = QStringList{name};
        option.kind = kind;
        option.apply = record;
        return option;
    };
    OptionEntry points = row("points", OptionKind::Integer);
    points.minimum = 2;
    points.maximum = 1001;
    OptionEntry tune = row("tune", OptionKind::Choice);
    tune.choices = QStringList{"pid", "fuzzy"};
    OptionEntry size = row("size", OptionKind::Text);
    size.textExpects = "WxH";
    size.check = [](OptionValue &v) {
        return v.text.contains('x') ? QString() : "'" + v.text + "' has no x";
    };

    OptionParser parser({points, tune, size});
    QCOMPARE(parser.parse(QStringList{"kestrune-sim"} + arguments), error.isEmpty());
    QCOMPARE(parser.errorText(), error);
    if (error.isEmpty())
        QCOMPARE(seen.join(' '), applied);
}

// A grid's map shows the loop that its parameters act on.
void TestOptionParser::plotLoopDefault_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("loop");
    QTest::newRow("gains") << QStringList{"--sweep", "kp=0:1:1", "--sweep", "kd=0:1:1"}
                           << int(StepRun::PidLoop);
    QTest::newRow("gain and setpoint")
        << QStringList{"--sweep", "setpoint=0:1:1", "--sweep", "ki=0:1:1"} << int(StepRun::PidLoop);
    QTest::newRow("gain and bound")
        << QStringList{"--sweep", "kp=0:1:1", "--sweep", "err-zero.r=0.1:1:1"}
        << int(StepRun::FuzzyLoop);
    QTest::newRow("setpoint and time")
        << QStringList{"--sweep", "setpoint=0:1:1", "--sweep", "time=1:2:1"}
        << int(StepRun::FuzzyLoop);
}

void TestOptionParser::plotLoopDefault()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, loop);
    const ParseResult parsed = parseArguments(QStringList{"kestrune-sim"} + arguments);
    QCOMPARE(parsed.status, ParseResult::Run);
    QCOMPARE(int(parsed.options.study.plotLoop), loop);
}

// What options need and exclude is checked once the whole line is read, in
// the table's order, exclusions first; the help line says both.
void TestOptionParser::needsAndExcludes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error"); // empty: parses
    QTest::addColumn<bool>("exclusive"); // --plot excludes --map, which needs nothing
    QTest::newRow("need met later on the line")
        << QStringList{"--map", "--plot", "--grid", "--grid"} << "" << false;
    QTest::newRow("need given once of twice")
        << QStringList{"--plot", "--grid", "--map"}
        << "kestrune-sim: --map: needs --plot with two --grid" << false;
    QTest::newRow("need missing") << QStringList{"--grid", "--grid", "--map"}
                                  << "kestrune-sim: --map: needs --plot with two --grid" << false;
    QTest::newRow("excluded, in the table's order")
        << QStringList{"--map", "--grid", "--grid", "--plot"}
        << "kestrune-sim: --plot and --map: cannot be combined; expects at most one of them"
        << true;
}

void TestOptionParser::needsAndExcludes()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QFETCH(bool, exclusive);
    const auto row = [](const QString &name) {
        OptionEntry option;
        option.names = QStringList{name};
        option.description = "Does " + name;
        return option;
    };
    OptionEntry plot = row("plot");
    OptionEntry grid = row("grid");
    OptionEntry map = row("map");
    if (exclusive)
        plot.excludes = QStringList{"map"};
    else
        map.needs = {{"plot"}, {"grid", 2}};
    OptionParser parser({plot, grid, map});
    QCOMPARE(parser.parse(QStringList{"kestrune-sim"} + arguments), error.isEmpty());
    QCOMPARE(parser.errorText(), error);
    const QString help = parser.optionsHelp();
    if (!exclusive)
        QVERIFY2(help.contains("With --plot and two --grid: Does map."), qPrintable(help));
    else
        QVERIFY2(help.contains("Does plot; not with --map."), qPrintable(help));
}

void TestOptionParser::optionFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("after"); // options after --params
    QTest::addColumn<QString>("error");     // after "kestrune-sim: --params 'FILE'"; empty: parses
    QTest::addColumn<double>("kp");
    QTest::addColumn<double>("errNegLeft");

    const double kp = StepParameters().kp;
    const double left = double(StepParameters().errSets[0].left);
    QTest::newRow("rows as --tune writes them, CRLF too")
        << QByteArray("option,value\r\nkp,0.705\r\nerr-neg,\"-1.25,-0.5\"\r\n")
        << QStringList{} << "" << 0.705 << -1.25;
    QTest::newRow("a later option overrides its row")
        << QByteArray("option,value\nkp,0.705\n") << QStringList{"--kp", "2"} << "" << 2.0 << left;
    QTest::newRow("a bad value names the line and the option")
        << QByteArray("option,value\nkp,1\nkp,-2\n") << QStringList{}
        << " line 3: --kp: '-2' is out of range; expects a number from 0 to 1000" << kp << left;
    QTest::newRow("no header")
        << QByteArray("kp,1\n") << QStringList{}
        << " line 1: no header 'kp,1'; expects the header option,value first" << kp << left;
    QTest::newRow("an output option cannot hide in it")
        << QByteArray("option,value\noutput,/tmp/x\n") << QStringList{}
        << " line 2: no parameter option 'output'; expects a row per option that takes a "
           "number or two" << kp << left;
    QTest::newRow("unclosed quote")
        << QByteArray("option,value\nerr-neg,\"-1,0\n") << QStringList{}
        << " line 2: not a row of two fields: 'err-neg,\"-1,0'; expects option,value rows as "
           "--tune writes them" << kp << left;
    QTest::newRow("empty") << QByteArray() << QStringList{}
                           << ": is empty; expects option,value rows as --tune writes them"
                           << kp << left;
}

// --params applies its rows where it stands, and a fault names the file's line.
void TestOptionParser::optionFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, after);
    QFETCH(QString, error);
    QFETCH(double, kp);
    QFETCH(double, errNegLeft);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("tuned.csv");
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size() && out.flush());
    out.close();

    const ParseResult result =
            parseArguments(QStringList{"kestrune-sim", "--params", path} + after);
    if (!error.isEmpty()) {
        QCOMPARE(result.status, ParseResult::Error);
        QCOMPARE(result.text, "kestrune-sim: --params '" + path + "'" + error);
        return;
    }
    QCOMPARE(result.status, ParseResult::Run);
    QCOMPARE(result.options.params.kp, kp);
    QCOMPARE(double(result.options.params.errSets[0].left), double(float(errNegLeft)));
}

QTEST_MAIN(TestOptionParser)
#include "tst_optionparser.moc"

