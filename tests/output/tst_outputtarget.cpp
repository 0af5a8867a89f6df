// OutputTarget's promises that the command line cannot show: any bytes go
// through, an output that is never committed leaves the target as it was,
// and a relative link is followed from the directory it really lies in.

#include "outputtarget.h"

#include <QtTest>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden
                                       | QDir::System,
                               QDir::Name);
}

} // namespace

class TestOutputTarget : public QObject
{
    Q_OBJECT

private slots:
    void writesAnyBytes();
    void uncommittedLeavesTargetAlone_data();
    void uncommittedLeavesTargetAlone();
    void relativeLinkFromItsRealDirectory();
    void earlyWriteErrorSticks();
    void failedRenameLeavesNoTemporary();
};

void TestOutputTarget::writesAnyBytes()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    bytes += "\r\n\n\0end";
    const QString path = dir.filePath(QStringLiteral("figure.png"));
    OutputTarget target(path);
    QVERIFY2(target.open(), qPrintable(target.errorString()));
    QVERIFY(target.device()->write(bytes) == bytes.size());
    QVERIFY2(target.commit(), qPrintable(target.errorString()));
    QCOMPARE(readFile(path), bytes);
    QCOMPARE(entries(dir.path()), QStringList{ "figure.png" });
}

void TestOutputTarget::uncommittedLeavesTargetAlone_data()
{
    QTest::addColumn<bool>("exists");
    QTest::newRow("existing file keeps what it held") << true;
    QTest::newRow("new path is not created") << false;
}

void TestOutputTarget::uncommittedLeavesTargetAlone()
{
    QFETCH(bool, exists);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("run.csv"));
    if (exists)
        QVERIFY(writeFile(path, "kept\n"));
    {
        OutputTarget target(path);
        QVERIFY2(target.open(), qPrintable(target.errorString()));
        target.device()->write(QByteArray(100000, 'x'));
        // An error elsewhere: the output is dropped without commit().
    }
    if (exists) {
        QCOMPARE(readFile(path), QByteArray("kept\n"));
        QCOMPARE(entries(dir.path()), QStringList{ "run.csv" });
    } else {
        QCOMPARE(entries(dir.path()), QStringList());
    }
}

void TestOutputTarget::relativeLinkFromItsRealDirectory()
{
    // alias -> real/sub, and alias/out.csv -> ../target.csv: the kernel
    // follows that from real/sub to real/target.csv; reading the path as
    // text would give ./target.csv instead.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("real/sub")));
    QVERIFY(QFile::link(QStringLiteral("real/sub"), dir.filePath(QStringLiteral("alias"))));
    QVERIFY(QFile::link(QStringLiteral("../target.csv"),
                        dir.filePath(QStringLiteral("real/sub/out.csv"))));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("real/target.csv")), "old\n"));

    OutputTarget target(dir.filePath(QStringLiteral("alias/out.csv")));
    QVERIFY2(target.open(), qPrintable(target.errorString()));
    target.device()->write("new\n");
    QVERIFY2(target.commit(), qPrintable(target.errorString()));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("real/target.csv"))), QByteArray("new\n"));
    QCOMPARE(entries(dir.path()), (QStringList{ "alias", "real" }));
    QCOMPARE(entries(dir.filePath(QStringLiteral("real"))), (QStringList{ "sub", "target.csv" }));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("real/sub/out.csv"))).isSymLink());
}

// A write that fails long before the end (a device that is full) fails
// the output, however small and successful-looking the writes after it.
void TestOutputTarget::earlyWriteErrorSticks()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("full.csv"));
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), link));
    OutputTarget target(link);
    QVERIFY2(target.open(), qPrintable(target.errorString()));
    for (int i = 0; i < 50; ++i)
        target.device()->write(QByteArray(4096, 'x'));
    target.device()->write("end\n");
    QVERIFY(!target.finish());
    QCOMPARE(target.errorString(), QStringLiteral("No space left on device"));
    QVERIFY(!target.commit());
}

// When the rename that puts the output in place fails, the output fails,
// the temporary file goes and what stands at the path stays.
void TestOutputTarget::failedRenameLeavesNoTemporary()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("run.csv"));
    OutputTarget target(path);
    QVERIFY2(target.open(), qPrintable(target.errorString()));
    QVERIFY(target.device()->write("new\n") == 4);
    QVERIFY2(target.finish(), qPrintable(target.errorString()));
    // Meanwhile a directory with a file in it took the name.
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("run.csv/inside")));
    QVERIFY(!target.commit());
    QVERIFY(!target.errorString().isEmpty());
    QCOMPARE(entries(dir.path()), QStringList{ "run.csv" });
    QVERIFY(QFileInfo(path).isDir());
}

QTEST_GUILESS_MAIN(TestOutputTarget)
#include "tst_outputtarget.moc"
