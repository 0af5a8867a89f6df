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

QTEST_GUILESS_MAIN(TestOutputTarget)
#include "tst_outputtarget.moc"
