// kestrune-sim's figures and decision surface as a user meets them: the
// built program started without a display, and its files opened as a user
// opens them: the PNG as an image, the SVG as XML, the PDF with pdfinfo and
// pdftotext, the surface's CSV against the fuzzy controller.

#include "fuzzycontroller.h"
#include "simprocess.h"
#include "stepparameters.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <cmath>

namespace {

// The environment of a machine without a display, whose user chose no Qt
// platform and has no runtime directory; temporary files go to tmp.
QProcessEnvironment headless(const QString &tmp)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_LOGGING_RULES",
                              "XDG_RUNTIME_DIR" })
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("TMPDIR"), tmp);
    return environment;
}

QStringList withDir(QStringList arguments, const QString &dir)
{
    for (QString &argument : arguments)
        argument.replace(QStringLiteral("@TMP@"), dir);
    return arguments;
}

QStringList entries(const QString &dir)
{
    QStringList names = QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    names.sort();
    return names;
}

// A colour drawn at alpha 150 over the charts' background.
QColor blended(QColor color, QColor background)
{
    const auto mix = [](int c, int b) { return (c * 150 + b * 105 + 127) / 255; };
    return QColor(mix(color.red(), background.red()), mix(color.green(), background.green()),
                  mix(color.blue(), background.blue()));
}

// Pixels of the colour, within 6 in each channel, in the part of the image.
int pixelsOf(const QImage &image, QColor color, QRect part)
{
    int count = 0;
    part &= image.rect();
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - color.red()) <= 6 && std::abs(c.green() - color.green()) <= 6
                && std::abs(c.blue() - color.blue()) <= 6)
                ++count;
        }
    return count;
}

QString tool(const QString &name, const QStringList &arguments)
{
    const QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        return QStringLiteral("(%1 is missing; see scripts/install-deps.sh)").arg(name);
    return QString::fromUtf8(runProgram(path, arguments).out);
}

} // namespace

class TestCliFigures : public QObject
{
    Q_OBJECT

private slots:
    void writesWhatIsAsked_data();
    void writesWhatIsAsked();
    void resultsPng();
    void loopsAndYRange_data();
    void loopsAndYRange();
    void platformThatCannotStart_data();
    void platformThatCannotStart();
    void resultsSvg();
    void tunePng();
    void membershipPdf();
    void surfaceCsv_data();
    void surfaceCsv();
    void surfaceCsvFollowsController();
};

void TestCliFigures::writesWhatIsAsked_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("stdoutAs"); // the run whose stdout this one prints

    QTest::newRow("a figure alone") << QStringList{ "--plot", "@TMP@/r.png" }
                                    << QStringList{ "r.png" } << QStringList{ "--no-output" };
    QTest::newRow("every figure at once")
            << QStringList{ "--plot", "@TMP@/r.svg", "--plot-membership", "@TMP@/m.PDF",
                            "--surface", "@TMP@/s.Png", "--size", "300x200" }
            << QStringList{ "m.PDF", "r.svg", "s.Png" } << QStringList{ "--no-output" };
    QTest::newRow("the smallest height, stacked charts")
            << QStringList{ "--plot-membership", "@TMP@/m.png", "--size", "10000x200" }
            << QStringList{ "m.png" } << QStringList{ "--no-output" };
    QTest::newRow("a grid's map at the smallest size")
            << QStringList{ "--sweep", "kp=0:1:0.5", "--sweep", "ki=0:1:0.5", "--plot",
                            "@TMP@/g.png", "--size", "300x200" }
            << QStringList{ "g.png" }
            << QStringList{ "--sweep", "kp=0:1:0.5", "--sweep", "ki=0:1:0.5" };
    QTest::newRow("the surface's CSV alone") << QStringList{ "--surface", "@TMP@/s.csv" }
                                             << QStringList{ "s.csv" }
                                             << QStringList{ "--no-output" };
    QTest::newRow("with --metrics") << QStringList{ "--metrics", "--plot", "@TMP@/r.png" }
                                    << QStringList{ "r.png" } << QStringList{ "--metrics" };
    QTest::newRow("with --trace and a set") << QStringList{ "--surface", "@TMP@/s.pdf", "--trace",
                                                            "--err-zero", "-0.3,0.2" }
                                            << QStringList{ "s.pdf" }
                                            << QStringList{ "--trace", "--err-zero", "-0.3,0.2" };
    QTest::newRow("with -o -") << QStringList{ "-o", "-", "--plot-membership", "@TMP@/m.png" }
                               << QStringList{ "m.png" } << QStringList{};
    QTest::newRow("with -o FILE") << QStringList{ "-o", "@TMP@/run.csv", "--plot", "@TMP@/r.pdf" }
                                  << QStringList{ "r.pdf", "run.csv" }
                                  << QStringList{ "--no-output" };
    QTest::newRow("a sweep's figure") << QStringList{ "--sweep", "kd=0:1:0.5", "--plot", "@TMP@/k.png" }
                                      << QStringList{ "k.png" }
                                      << QStringList{ "--sweep", "kd=0:1:0.5" };
    QTest::newRow("a grid's map") << QStringList{ "--sweep", "kp=0:1:0.5", "--sweep", "ki=0:1:0.5",
                                                  "--plot", "@TMP@/g.pdf", "--plot-loop",
                                                  "closed_loop", "--plot-metric", "peak" }
                                  << QStringList{ "g.pdf" }
                                  << QStringList{ "--sweep", "kp=0:1:0.5", "--sweep", "ki=0:1:0.5" };
}

// Figures need no display and leave nothing behind but their files; stderr
// stays empty; the CSV is written only when asked for.
void TestCliFigures::writesWhatIsAsked()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, files);
    QFETCH(QStringList, stdoutAs);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const Run run = runSim(withDir(arguments, dir.path()), headless(dir.path()));
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(entries(dir.path()), files);
    if (stdoutAs == QStringList{ "--no-output" })
        QCOMPARE(run.out, QByteArray());
    else
        QCOMPARE(run.out, runSim(stdoutAs).out);
    for (const QString &file : files)
        QVERIFY2(QFileInfo(dir.filePath(file)).size() > 100, qPrintable(file));
    if (files.contains(QStringLiteral("run.csv"))) {
        QFile csv(dir.filePath(QStringLiteral("run.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll(), runSim({}).out);
    }
}

void TestCliFigures::resultsPng()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("results.PNG"));
    const Run run = runSim({ "--plot", path, "--size", "900x600" }, headless(dir.path()));
    QCOMPARE(run.exitCode, 0);
    QImage image;
    QVERIFY(image.load(path, "PNG"));
    QCOMPARE(image.size(), QSize(900, 600));
    QCOMPARE(image.dotsPerMeterX(), 3780); // 96 dpi
    const QColor background = image.pixelColor(450, 2);

    // Each response runs along most of the chart; the legend's icons are
    // too small to pass for one.
    const QRect chart(0, 0, 780, 600);
    for (QColor color : { QColor(Qt::blue), QColor(Qt::darkGreen), QColor(Qt::red) })
        QVERIFY2(pixelsOf(image, blended(color, background), chart) > 900,
                 qPrintable(color.name()));
    // The y axis ends at the run's peak, which the closed loop reaches at
    // 1.2 s: its line touches the top of the chart there, and nothing else
    // comes near the top in the second half of the run.
    QVERIFY(pixelsOf(image, blended(Qt::blue, background), QRect(60, 0, 80, 12)) > 0);
    for (QColor color : { QColor(Qt::blue), QColor(Qt::darkGreen), QColor(Qt::red) })
        QCOMPARE(pixelsOf(image, blended(color, background), QRect(400, 0, 350, 60)), 0);
}

// --loops leaves responses out of the figure; an output that the y axis
// does not reach is reported in one line, unless --y-range shows it.
void TestCliFigures::loopsAndYRange_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("drawn");  // colours that run along the chart
    QTest::addColumn<QStringList>("absent"); // colours nowhere on it
    QTest::addColumn<QString>("note");       // what standard error says, "" for nothing
    const QStringList all{ "blue", "#008000", "red" };
    const QStringList unstable{ "--kp", "2.5", "--kd", "0" };
    QTest::newRow("the PID loop dips below the axis")
            << unstable << all << QStringList()
            << "kestrune-sim: --plot: outputs beyond the y axis (0 to 5.52872): the PID loop "
               "down to -3.16804; --y-range data shows them\n";
    QTest::newRow("the data's range") << unstable + QStringList{ "--y-range", "data" } << all
                                      << QStringList() << "";
    QTest::newRow("the PID loop left out")
            << unstable + QStringList{ "--loops", "fuzzy,closed" }
            << QStringList{ "blue", "red" } << QStringList{ "#008000" } << "";
    QTest::newRow("a range by hand that cuts two loops")
            << QStringList{ "--y-range", "0.5,1", "--loops", "pid,fuzzy" }
            << QStringList{ "#008000", "red" } << QStringList{ "blue" }
            << "kestrune-sim: --plot: outputs beyond the y axis (0.5 to 1): the PID loop down "
               "to 0.259896 and up to 1.04684, the fuzzy loop down to 0 and up to 1.08507; "
               "--y-range data shows them\n";
}

void TestCliFigures::loopsAndYRange()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, drawn);
    QFETCH(QStringList, absent);
    QFETCH(QString, note);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("results.png"));
    const Run run = runSim(QStringList{ "--plot", path, "--size", "900x600" } + arguments,
                           headless(dir.path()));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QString::fromUtf8(run.err), note);
    QImage image;
    QVERIFY(image.load(path, "PNG"));
    const QColor background = image.pixelColor(450, 2);
    const QRect chart(0, 0, 780, 600);
    for (const QString &name : drawn)
        QVERIFY2(pixelsOf(image, blended(QColor(name), background), chart) > 300,
                 qPrintable(name));
    for (const QString &name : absent)
        QCOMPARE(pixelsOf(image, blended(QColor(name), background), image.rect()), 0);
}

// A platform named in QT_QPA_PLATFORM that cannot start: one line and exit
// status 2 where Qt would abort, no file, no runtime directory left behind.
void TestCliFigures::platformThatCannotStart_data()
{
    QTest::addColumn<QString>("platform");
    QTest::newRow("no such plugin") << "bogus";
    QTest::newRow("xcb without a display") << "xcb";
}

void TestCliFigures::platformThatCannotStart()
{
    QFETCH(QString, platform);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QProcessEnvironment environment = headless(dir.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    const Run run = runSim({ "--plot", dir.filePath("r.png") }, environment);
    QCOMPARE(run.exitCode, 2);
    const QString err = QString::fromUtf8(run.err);
    QCOMPARE(err.count('\n'), 1);
    QVERIFY2(err.startsWith("kestrune-sim: cannot start the Qt platform '" + platform + "'"),
             qPrintable(err));
    QVERIFY2(err.contains("offscreen"), qPrintable(err));
    QCOMPARE(entries(dir.path()), QStringList());
}

// --plot with --tune draws the tuned loop before (grey) and after (its
// colour), not the run's three responses.
void TestCliFigures::tunePng()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("tune.png"));
    const Run run = runSim({ "--tune", "pid", "--evaluations", "500", "--plot", path },
                           headless(dir.path()));
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.startsWith("option,value\nkp,"));
    QImage image;
    QVERIFY(image.load(path, "PNG"));
    const QColor background = image.pixelColor(image.width() / 2, 2);
    const QRect chart(0, 0, image.width() * 4 / 5, image.height());
    QVERIFY(pixelsOf(image, blended(Qt::gray, background), chart) > 900);
    QVERIFY(pixelsOf(image, blended(Qt::darkGreen, background), chart) > 900);
    QCOMPARE(pixelsOf(image, blended(Qt::blue, background), chart), 0);
}

void TestCliFigures::resultsSvg()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("results.svg"));
    const Run run = runSim({ "--plot", path, "--size", "1000x700" }, headless(dir.path()));
    QCOMPARE(run.exitCode, 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));

    QXmlStreamReader xml(&file);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name().toString(), QStringLiteral("svg"));
    // 1000 x 700 pixels at 96 dpi.
    const QXmlStreamAttributes size = xml.attributes();
    QCOMPARE(size.value("viewBox").toString(), QStringLiteral("0 0 1000 700"));
    QVERIFY(std::fabs(size.value("width").toString().remove("mm").toDouble() - 264.583) < 0.01);
    QVERIFY(std::fabs(size.value("height").toString().remove("mm").toDouble() - 185.208) < 0.01);

    QStringList strokes;
    QStringList texts;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("g"))
            strokes << xml.attributes().value("stroke").toString();
        if (xml.name() == QLatin1String("text"))
            texts << xml.readElementText().trimmed();
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    for (const char *color : { "#0000ff", "#008000", "#ff0000" })
        QVERIFY2(strokes.contains(color), color);
    for (const char *text : { "Closed loop", "PID loop", "Fuzzy Control", "t", "f", "20" })
        QVERIFY2(texts.contains(text), text);
}

void TestCliFigures::membershipPdf()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("sets.pdf"));
    const Run run = runSim({ "--plot-membership", path, "--size", "1000x700" },
                           headless(dir.path()));
    QCOMPARE(run.exitCode, 0);
    const QString info = tool(QStringLiteral("pdfinfo"), { path });
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Page size: +750 x 525 pts"))),
             qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages: +1\\n"))), qPrintable(info));
    const QString text = tool(QStringLiteral("pdftotext"), { path, QStringLiteral("-") });
    for (const char *word : { "Large Negative", "Near Zero", "Large Positive", "de" })
        QVERIFY2(text.contains(word), qPrintable(text));
}

void TestCliFigures::surfaceCsv_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<double>("e");
    QTest::addColumn<double>("de");
    QTest::addColumn<int>("level");

    // The nine rules at the start values, one cell each: e -2, 0, 2 lie in
    // Negative, Zero, Positive, and so do de -2, 0, 2.
    const QStringList grid{ "--surface-range", "-2,2", "--surface-points", "5" };
    const int table[3][3] = { { 0, -1, 0 }, { -1, 0, 1 }, { 0, 1, 0 } };
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            const double e = 2.0 * (row - 1);
            const double de = 2.0 * (column - 1);
            QTest::addRow("rule e %g, de %g", e, de) << grid << e << de << table[row][column];
        }
    // 0.1 lies just below 0.1f, inside Zero; rounded to float it is the end
    // of Zero and of Positive, where no set holds it, and counts Negative.
    const QStringList edges{ "--surface-range", "-0.1,0.1", "--surface-points", "3" };
    QTest::newRow("error on the bounds, rounded to float") << edges << 0.1 << 0.0 << -1;
    QTest::newRow("error at the apex of Zero") << edges << 0.0 << 0.1 << 0;
    // The sets of the command line: with the error's Zero set up to 5, an
    // error of 1 is near zero (0.8 against Positive's 0.64), not positive.
    QTest::newRow("wider Zero set") << (grid + QStringList{ "--err-zero", "-0.1,5" }) << 1.0
                                    << 2.0 << 1;
    QTest::newRow("default grid") << QStringList{} << 3.0 << -0.5 << 1;
}

void TestCliFigures::surfaceCsv()
{
    QFETCH(QStringList, arguments);
    QFETCH(double, e);
    QFETCH(double, de);
    QFETCH(int, level);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("surface.csv"));
    const Run run = runSim(arguments + QStringList{ "--surface", path });
    QCOMPARE(run.exitCode, 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    Table table;
    QVERIFY(parseCsv(file.readAll(), table));
    QCOMPARE(table.header, (QStringList{ "e", "de", "level" }));
    int found = 0;
    for (const QStringList &row : qAsConst(table.rows)) {
        if (row.at(0).toDouble() == e && row.at(1).toDouble() == de) {
            QCOMPARE(row.at(2).toInt(), level);
            ++found;
        }
    }
    QCOMPARE(found, 1);
}

// Every grid point, e the outer loop: the ends exactly, 0 at the middle of a
// symmetric range, every level the one the controller decides for the
// point rounded to float.
void TestCliFigures::surfaceCsvFollowsController()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("surface.csv"));
    StepParameters params;
    params.dErrSets[1] = { Zero, 0.5f, -0.3f }; // L above R: an empty Zero set
    const Run run = runSim({ "--surface", path, "--surface-points", "41", "--surface-range",
                             "-1.7,1.7", "--derr-zero", "0.5,-0.3", "--amp", "2" });
    QCOMPARE(run.exitCode, 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    Table table;
    QVERIFY(parseCsv(file.readAll(), table));
    QCOMPARE(table.rows.size(), 41 * 41);

    const FuzzyController controller(params.errSets, params.dErrSets, 1.0);
    QVector<double> axis;
    for (int k = 0; k < table.rows.size(); ++k) {
        const double e = table.rows[k].at(0).toDouble();
        const double de = table.rows[k].at(1).toDouble();
        if (k < 41)
            axis << de;
        QCOMPARE(e, axis.value(k / 41, std::nan("")));
        QCOMPARE(de, axis.value(k % 41, std::nan("")));
        const int expected = controller.classify(float(e), float(de)).level;
        QVERIFY2(table.rows[k].at(2) == QString::number(expected),
                 qPrintable(table.rows[k].join(',')));
    }
    QCOMPARE(axis.first(), -1.7);
    QCOMPARE(axis.last(), 1.7);
    QCOMPARE(axis[20], 0.0);
    QVERIFY(std::is_sorted(axis.begin(), axis.end()));
}

QTEST_GUILESS_MAIN(TestCliFigures)
#include "tst_clifigures.moc"
