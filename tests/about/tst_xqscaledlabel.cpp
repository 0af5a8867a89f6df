#include "xqscaledlabel.h"

#include <QPixmap>
#include <QSize>
#include <QVBoxLayout>
#include <QWidget>
#include <QtTest>

// The label must keep its pixmap's proportions by choosing its own height
// for the width it is given, and must cope with having nothing to show.
class TestXQScaledLabel : public QObject
{
    Q_OBJECT

private slots:
    void startsScaled();
    void resize_data();
    void resize();
    void followsLayoutWidth();
};

void TestXQScaledLabel::startsScaled()
{
    XQScaledLabel label;
    QVERIFY(label.hasScaledContents());
    QCOMPARE(label.metaObject()->className(), "XQScaledLabel");
}

void TestXQScaledLabel::resize_data()
{
    QTest::addColumn<QSize>("pixmapSize");   // an invalid size: no pixmap at all
    QTest::addColumn<QSize>("first");        // an invalid size: no earlier resize
    QTest::addColumn<QSize>("requested");
    QTest::addColumn<QSize>("expected");

    const QSize scheme(2069, 673);
    const QSize none;

    // 1000 / (2069 / 673) = 325.28, truncated.
    QTest::newRow("scheme, 1000 wide") << scheme << none << QSize(1000, 40) << QSize(1000, 325);
    QTest::newRow("scheme, height-only change comes back")
        << scheme << QSize(1000, 40) << QSize(1000, 700) << QSize(1000, 325);
    QTest::newRow("scheme, width change") << scheme << QSize(1000, 40) << QSize(600, 325)
                                          << QSize(600, 195);
    // 10 / 1.5 = 6.67: truncated, not rounded.
    QTest::newRow("truncates") << QSize(3, 2) << none << QSize(10, 10) << QSize(10, 6);
    QTest::newRow("tall pixmap") << QSize(100, 400) << none << QSize(300, 50) << QSize(300, 1200);
    QTest::newRow("square pixmap") << QSize(64, 64) << none << QSize(123, 7) << QSize(123, 123);
    QTest::newRow("no pixmap keeps its size") << none << none << QSize(300, 200) << QSize(300, 200);
    QTest::newRow("empty pixmap keeps its size")
        << QSize(0, 0) << none << QSize(300, 200) << QSize(300, 200);
    QTest::newRow("zero-height pixmap keeps its size")
        << QSize(50, 0) << QSize(120, 80) << QSize(300, 200) << QSize(300, 200);
}

void TestXQScaledLabel::resize()
{
    QFETCH(QSize, pixmapSize);
    QFETCH(QSize, first);
    QFETCH(QSize, requested);
    QFETCH(QSize, expected);

    // A child of a shown window receives its resize events at once, as the
    // scheme label on its tab page does.
    QWidget page;
    page.resize(1200, 1300);
    auto *label = new XQScaledLabel(&page);
    if (pixmapSize.isValid()) {
        QPixmap pixmap(pixmapSize);
        pixmap.fill(Qt::darkCyan);
        label->setPixmap(pixmap);
    }
    page.show();

    if (first.isValid())
        label->resize(first);
    label->resize(requested);

    QCOMPARE(label->size(), expected);
}

void TestXQScaledLabel::followsLayoutWidth()
{
    // As on the scheme tab: a page inside the window lays the label out.
    QWidget window;
    auto *page = new QWidget(&window);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *label = new XQScaledLabel(page);
    label->setSizePolicy(QSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum));
    QPixmap pixmap(2069, 673);
    pixmap.fill(Qt::white);
    label->setPixmap(pixmap);
    layout->addWidget(label);

    window.resize(1200, 800);
    window.show();
    page->setGeometry(0, 0, 1000, 600);

    // The layout gives it the whole page; it keeps that width and takes the
    // height that the image's proportions demand.
    QCOMPARE(label->width(), 1000);
    QCOMPARE(label->height(), 325);
}

QTEST_MAIN(TestXQScaledLabel)
#include "tst_xqscaledlabel.moc"
