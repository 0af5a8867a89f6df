// The images compiled into the program: present under their resource paths,
// readable, and of the sizes the window and the about box are laid out for.
#include <QDataStream>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QSize>
#include <QtTest>

namespace {
const char *const iconPath = ":/imgs/Res/fuzzyControl.ico";
}

class TestResources : public QObject {
    Q_OBJECT

private slots:
    void pictureHasItsSizeAndNoAlpha_data();
    void pictureHasItsSizeAndNoAlpha();
    void iconHoldsSize_data();
    void iconHoldsSize();
    void iconEntry_data();
    void iconEntry();
};

void TestResources::pictureHasItsSizeAndNoAlpha_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");

    QTest::newRow("scheme") << ":/imgs/Res/fuzzy_ctrl_scheme.png" << QSize(2069, 673);
    QTest::newRow("logo") << ":/imgs/Res/about_logo.png" << QSize(199, 165);
}

void TestResources::pictureHasItsSizeAndNoAlpha()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);

    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), size);
    QVERIFY(!image.hasAlphaChannel());
    QCOMPARE(image.format(), QImage::Format_RGB32);  // how Qt loads 24-bit RGB
}

void TestResources::iconHoldsSize_data()
{
    QTest::addColumn<int>("side");

    for (const int side : {16, 32, 48, 64, 128})
        QTest::addRow("%d px", side) << side;
}

void TestResources::iconHoldsSize()
{
    QFETCH(int, side);

    QIcon icon;
    icon.addFile(iconPath);
    QVERIFY(icon.availableSizes().contains(QSize(side, side)));
    QCOMPARE(icon.pixmap(QSize(side, side)).size(), QSize(side, side));
}

void TestResources::iconEntry_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("bitsPerPixel");

    QTest::newRow("16 px, 32-bit") << 0 << 16 << 32;
    QTest::newRow("32 px, 32-bit") << 1 << 32 << 32;
    QTest::newRow("48 px, 32-bit") << 2 << 48 << 32;
    QTest::newRow("64 px, 32-bit") << 3 << 64 << 32;
    QTest::newRow("128 px, 32-bit") << 4 << 128 << 32;
    QTest::newRow("32 px, 8-bit") << 5 << 32 << 8;
}

// Reads the ICO directory itself: Qt converts every entry to 32-bit colour
// on loading, so only the file tells the colour depth of each image.
void TestResources::iconEntry()
{
    QFETCH(int, index);
    QFETCH(int, side);
    QFETCH(int, bitsPerPixel);

    QFile file(iconPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QDataStream in(&file);
    in.setByteOrder(QDataStream::LittleEndian);
    quint16 reserved = 1, type = 0, count = 0;
    in >> reserved >> type >> count;
    QCOMPARE(reserved, quint16(0));
    QCOMPARE(type, quint16(1));
    QCOMPARE(count, quint16(6));

    QVERIFY(file.seek(6 + 16 * index));
    quint8 width = 0, height = 0, colours = 0, unused = 0;
    quint16 planes = 0, bits = 0;
    in >> width >> height >> colours >> unused >> planes >> bits;
    QCOMPARE(int(width), side);
    QCOMPARE(int(height), side);
    QCOMPARE(int(bits), bitsPerPixel);

    QImageReader reader(iconPath);
    QVERIFY(reader.jumpToImage(index));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), QSize(side, side));
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
