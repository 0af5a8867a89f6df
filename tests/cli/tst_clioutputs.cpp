// What kestrune-sim promises when an output cannot be written in full: exit
// status 1, one line that names the output and gives the system's reason,
// and every regular file that the call names left as it was, with no
// temporary file beside it. The program runs as a user runs it, under a
// file-size limit that makes a write fail part-way through a file, or with
// an output that is /dev/full, which refuses the first byte.

#include "simprocess.h"

#include <QtTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file-size limit for the programs started while it lives, with SIGXFSZ
// ignored so that a write past it fails with EFBIG instead of killing the
// writer. Both are inherited by a child; both are put back when it goes,
// also when a check fails on the way.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_ok = ::getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_ok = m_ok && m_oldHandler != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        if (m_oldHandler != SIG_ERR)
            std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool ok() const { return m_ok; }

private:
    struct rlimit m_old {};
    void (*m_oldHandler)(int) = SIG_ERR;
    bool m_ok = false;
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

QStringList entries(const QString &dir)
{
    QStringList names = QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden
                                            | QDir::System);
    names.sort();
    return names;
}

QStringList inDir(QStringList arguments, const QString &dir)
{
    for (QString &argument : arguments)
        argument.replace(QLatin1String("@TMP@"), dir);
    return arguments;
}

// The program with its standard output sent to stdoutPath, or to a pipe.
Run runSimTo(const QStringList &arguments, const QString &stdoutPath)
{
    if (stdoutPath.isEmpty())
        return runSim(arguments);
    return runProgram(QStringLiteral("/bin/sh"),
                      QStringList{ QStringLiteral("-c"),
                                   QStringLiteral("o=\"$1\"; shift; exec \"$0\" \"$@\" > \"$o\""),
                                   QStringLiteral(KESTRUNE_SIM_PATH), stdoutPath }
                              + arguments);
}

// The lines of the program's standard error that are not the tune's summary.
QStringList failureLines(const QByteArray &err)
{
    QStringList lines = QString::fromUtf8(err).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const QString &line) {
                                   return line.startsWith(QLatin1String("kestrune-sim: --tune "));
                               }),
                lines.end());
    return lines;
}

const QByteArray kOld = "old content\n";

} // namespace

class TestCliOutputs : public QObject
{
    Q_OBJECT

private slots:
    void diskFullsPartWay_data();
    void diskFullsPartWay();
    void failedCallReplacesNothing_data();
    void failedCallReplacesNothing();
    void replacementKeepsOwnerAndMode();
    void signalLeavesNoTemporary();
};

void TestCliOutputs::diskFullsPartWay_data()
{
    QTest::addColumn<QStringList>("arguments"); // @TMP@ is the test's directory
    QTest::addColumn<QString>("stdoutTo");      // "" for a pipe
    QTest::addColumn<int>("limit");             // bytes a file may hold
    QTest::addColumn<QString>("names");         // what the line must name

    const auto row = [](const char *tag, const QStringList &arguments, int limit,
                        const char *names, const QString &stdoutTo = QString()) {
        QTest::newRow(tag) << arguments << stdoutTo << limit << QString::fromUtf8(names);
    };
    // Each limit lies inside the output: some of it is written, the rest fails.
    row("samples", { "--time", "100", "-o", "@TMP@/out" }, 20000, "--output: writing '");
    row("metrics", { "--metrics", "-o", "@TMP@/out" }, 300, "--output: writing '");
    row("trace", { "--time", "100", "--trace", "-o", "@TMP@/out" }, 50000, "--output: writing '");
    row("sweep", { "--sweep", "kp=0:2:0.01", "-o", "@TMP@/out" }, 20000, "--output: writing '");
    row("tune", { "--tune", "pid", "--evaluations", "200", "-o", "@TMP@/out" }, 20,
        "--output: writing '");
    row("surface csv", { "--surface", "@TMP@/out.csv" }, 5000, "--surface: writing '");
#ifdef KESTRUNE_HAS_FIGURES
    row("png", { "--plot", "@TMP@/out.png" }, 5000, "--plot: writing '");
    row("svg", { "--plot-membership", "@TMP@/out.svg" }, 5000, "--plot-membership: writing '");
    row("pdf", { "--surface", "@TMP@/out.pdf" }, 5000, "--surface: writing '");
#endif
    row("sweep into standard output", { "--sweep", "kp=0:2:0.01" }, 20000,
        "cannot write to standard output", QStringLiteral("@TMP@/out"));
    row("trace into standard output", { "--time", "100", "--trace" }, 50000,
        "cannot write to standard output", QStringLiteral("@TMP@/out"));
}

void TestCliOutputs::diskFullsPartWay()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, stdoutTo);
    QFETCH(int, limit);
    QFETCH(QString, names);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QStringList args = inDir(arguments, dir.path());
    const QString out = inDir({ stdoutTo }, dir.path()).constFirst();
    const QString target = out.isEmpty() ? args.last() : out;
    const QString name = QFileInfo(target).fileName();
    QVERIFY(writeFile(target, kOld));

    Run run;
    {
        const FileSizeLimit limited(static_cast<rlim_t>(limit));
        QVERIFY(limited.ok());
        run = runSimTo(args, out);
    }
    QCOMPARE(run.exitCode, 1);
    const QStringList lines = failureLines(run.err);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(QLatin1String("kestrune-sim: ") + names), qPrintable(lines.first()));
    QVERIFY2(lines.first().endsWith(QLatin1String("(File too large)")), qPrintable(lines.first()));
    if (out.isEmpty()) {
        QCOMPARE(readFile(target), kOld);
    } else {
        // The shell emptied the file; the program wrote up to the limit.
        QCOMPARE(QFileInfo(target).size(), qint64(limit));
    }
    QCOMPARE(entries(dir.path()), QStringList{ name });
}

void TestCliOutputs::failedCallReplacesNothing_data()
{
    QTest::addColumn<QStringList>("arguments"); // @TMP@/full.png(.csv) link to /dev/full
    QTest::addColumn<QString>("stdoutTo");
    QTest::addColumn<QString>("names");

    QTest::newRow("the surface's csv fails after the samples")
            << QStringList{ "-o", "@TMP@/old.csv", "--surface", "@TMP@/full.png.csv" }
            << QString() << "--surface: writing '";
#ifdef KESTRUNE_HAS_FIGURES
    QTest::newRow("the last figure fails")
            << QStringList{ "-o", "@TMP@/old.csv", "--plot", "@TMP@/old.png", "--surface",
                            "@TMP@/full.png" }
            << QString() << "--surface: writing '";
    QTest::newRow("a figure fails after the csv")
            << QStringList{ "--metrics", "-o", "@TMP@/old.csv", "--plot", "@TMP@/full.png" }
            << QString() << "--plot: writing '";
    QTest::newRow("a tune's figure fails")
            << QStringList{ "--tune", "pid", "--evaluations", "200", "-o", "@TMP@/old.csv",
                            "--plot", "@TMP@/full.png" }
            << QString() << "--plot: writing '";
    QTest::newRow("standard output fails after a figure")
            << QStringList{ "--sweep", "kp=0:1:0.5", "--plot", "@TMP@/old.png" }
            << QStringLiteral("/dev/full") << "cannot write to standard output";
#endif
}

void TestCliOutputs::failedCallReplacesNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, stdoutTo);
    QFETCH(QString, names);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), dir.filePath(QStringLiteral("full.png"))));
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), dir.filePath(QStringLiteral("full.png.csv"))));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("old.csv")), kOld));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("old.png")), kOld));
    const QStringList before = entries(dir.path());

    const Run run = runSimTo(inDir(arguments, dir.path()), stdoutTo);
    QCOMPARE(run.exitCode, 1);
    const QStringList lines = failureLines(run.err);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(QLatin1String("kestrune-sim: ") + names), qPrintable(lines.first()));
    QVERIFY2(lines.first().endsWith(QLatin1String("(No space left on device)")), qPrintable(lines.first()));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("old.csv"))), kOld);
    QCOMPARE(readFile(dir.filePath(QStringLiteral("old.png"))), kOld);
    QCOMPARE(entries(dir.path()), before);
}

// A replaced file is a new file, but with the mode and, where the system
// lets this user give it, the owner and group of the one it replaces.
void TestCliOutputs::replacementKeepsOwnerAndMode()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("run.csv"));
    const QByteArray name = QFile::encodeName(path);
    QVERIFY(writeFile(path, kOld));
    QCOMPARE(::chmod(name.constData(), 0604), 0);
    const bool root = ::geteuid() == 0;
    const uid_t nobody = 65534;
    if (root)
        QCOMPARE(::chown(name.constData(), nobody, nobody), 0);

    const Run run = runSim({ "--metrics", "-o", path });
    QCOMPARE(run.exitCode, 0);
    QVERIFY(readFile(path).startsWith("metric,"));
    struct stat st;
    QCOMPARE(::stat(name.constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0604));
    if (!root)
        QSKIP("giving a file to another owner takes root; the mode was checked");
    QCOMPARE(st.st_uid, nobody);
    QCOMPARE(st.st_gid, gid_t(nobody));
}

// Ended by a signal in the middle of a long sweep, the program removes its
// temporary file; the file it would have replaced keeps its content.
void TestCliOutputs::signalLeavesNoTemporary()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("sweep.csv"));
    QVERIFY(writeFile(path, kOld));
    QProcess process;
    process.start(QStringLiteral(KESTRUNE_SIM_PATH),
                  { "--sweep", "kp=0:100:0.00002", "--threads", "1", "-o", path });
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(entries(dir.path()).size() == 2, 10000);
    process.terminate();
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    QCOMPARE(entries(dir.path()), QStringList{ "sweep.csv" });
    QCOMPARE(readFile(path), kOld);
}

QTEST_GUILESS_MAIN(TestCliOutputs)
#include "tst_clioutputs.moc"
