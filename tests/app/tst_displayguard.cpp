// Where the window may try to open a display, and the built program started
// where there is none to open: one line, status 1, no crash.

#include "displayguard.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

class TestDisplayGuard : public QObject
{
    Q_OBJECT

private slots:
    void decision_data();
    void decision();
    void programWithoutDisplay_data();
    void programWithoutDisplay();
};

void TestDisplayGuard::decision_data()
{
    QTest::addColumn<QStringList>("variables"); // DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("refused");

    const QStringList none{ "", "", "" };
    QTest::newRow("nothing set") << none << QStringList{} << true;
    QTest::newRow("X display") << QStringList{ ":0", "", "" } << QStringList{} << false;
    QTest::newRow("Wayland display") << QStringList{ "", "wayland-0", "" } << QStringList{}
                                     << false;
    QTest::newRow("platform chosen") << QStringList{ "", "", "offscreen" } << QStringList{}
                                     << false;
    QTest::newRow("-platform") << none << QStringList{ "-platform", "offscreen" } << false;
    QTest::newRow("--platform") << none << QStringList{ "--platform", "minimal" } << false;
    QTest::newRow("-display") << none << QStringList{ "-display", ":1" } << false;
    QTest::newRow("-platform without its value") << none << QStringList{ "-platform" } << true;
    QTest::newRow("a plugin path is no platform")
            << none << QStringList{ "-platformpluginpath", "/tmp" } << true;
}

void TestDisplayGuard::decision()
{
    QFETCH(QStringList, variables);
    QFETCH(QStringList, arguments);
    QFETCH(bool, refused);

    qputenv("DISPLAY", variables[0].toUtf8());
    qputenv("WAYLAND_DISPLAY", variables[1].toUtf8());
    qputenv("QT_QPA_PLATFORM", variables[2].toUtf8());
    std::vector<QByteArray> storage{ "kestrune" };
    for (const QString &a : arguments)
        storage.push_back(a.toUtf8());
    std::vector<char *> argv;
    for (QByteArray &a : storage)
        argv.push_back(a.data());
    const DisplayGuard::Environment environment =
            DisplayGuard::current(int(argv.size()), argv.data());

    const std::string line = DisplayGuard::noDisplayLine(environment, false);
    QCOMPARE(!line.empty(), refused);
}

void TestDisplayGuard::programWithoutDisplay_data()
{
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("waylandDisplay");
    QTest::addColumn<QString>("platform"); // QT_QPA_PLATFORM
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("named");

    QTest::newRow("no display at all") << "" << "" << "" << QStringList()
                                       << "neither DISPLAY nor WAYLAND_DISPLAY";
    // Qt 5 goes to X11 by default, so these are named but cannot be opened.
    QTest::newRow("stale X display") << ":4242" << "" << "" << QStringList() << "DISPLAY=':4242'";
    QTest::newRow("Wayland only") << "" << "nowhere-0" << "" << QStringList()
                                  << "WAYLAND_DISPLAY='nowhere-0'";
    // A platform chosen that cannot start: Qt would abort.
    QTest::newRow("no such platform") << "" << "" << "bogus" << QStringList()
                                      << "platform 'bogus' (QT_QPA_PLATFORM): no such";
    QTest::newRow("no such platform, -platform")
            << "" << "" << "" << QStringList{ "-platform", "bogus" }
            << "platform 'bogus' (-platform): no such";
    QTest::newRow("xcb without a display") << "" << "" << "xcb" << QStringList()
                                           << "platform 'xcb' (QT_QPA_PLATFORM)";
    QTest::newRow("wayland without a compositor") << "" << "" << "wayland" << QStringList()
                                                  << "platform 'wayland' (QT_QPA_PLATFORM)";
}

void TestDisplayGuard::programWithoutDisplay()
{
    QFETCH(QString, display);
    QFETCH(QString, waylandDisplay);
    QFETCH(QString, platform);
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);

    if (!display.isEmpty() && QFileInfo::exists("/tmp/.X11-unix/X4242"))
        QSKIP("an X server listens on display :4242");

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(name);
    if (!display.isEmpty())
        environment.insert("DISPLAY", display);
    if (!waylandDisplay.isEmpty())
        environment.insert("WAYLAND_DISPLAY", waylandDisplay);
    if (!platform.isEmpty())
        environment.insert("QT_QPA_PLATFORM", platform);
    environment.insert("XDG_RUNTIME_DIR", QDir::tempPath());

    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(KESTRUNE_PATH, arguments);
    QVERIFY(program.waitForStarted(10000));
    if (!program.waitForFinished(30000)) {
        program.kill();
        QFAIL("the program did not end without a display");
    }

    // A crash (Qt's abort) is no normal exit.
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QCOMPARE(program.readAllStandardOutput(), QByteArray());
    const QString err = QString::fromUtf8(program.readAllStandardError());
    QCOMPARE(err.count('\n'), 1);
    QVERIFY2(err.endsWith('\n'), qPrintable(err));
    QVERIFY2(err.startsWith("kestrune: "), qPrintable(err));
    for (const QString &part : { named, QString("run it on a desktop"), QString("xvfb-run"),
                                 QString("kestrune-sim") })
        QVERIFY2(err.contains(part), qPrintable(err));
}

QTEST_GUILESS_MAIN(TestDisplayGuard)
#include "tst_displayguard.moc"
