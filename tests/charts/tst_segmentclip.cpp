// Clipping a far-reaching segment to the box around the canvas: which part
// is seen, and nothing of a segment that runs beside the box.

#include "segmentclip.h"

#include <QtTest>

class TestSegmentClip : public QObject
{
    Q_OBJECT

private slots:
    void clip_data();
    void clip();
};

void TestSegmentClip::clip_data()
{
    QTest::addColumn<double>("ax");
    QTest::addColumn<double>("ay");
    QTest::addColumn<double>("bx");
    QTest::addColumn<double>("by");
    QTest::addColumn<bool>("seen");
    QTest::addColumn<double>("fromT");
    QTest::addColumn<double>("toT");
    // The box is 0 ... 10 by 0 ... 1.
    QTest::newRow("inside") << 1.0 << 0.5 << 9.0 << 0.5 << true << 0.0 << 1.0;
    QTest::newRow("through both sides") << -10.0 << 0.5 << 20.0 << 0.5 << true << 1.0 / 3 << 2.0 / 3;
    QTest::newRow("level above the box") << 2.0 << 2.0 << 8.0 << 2.0 << false << 0.0 << 0.0;
    QTest::newRow("level far above") << 2.0 << 1e300 << 8.0 << 1e300 << false << 0.0 << 0.0;
    QTest::newRow("upright right of the box") << 1e308 << 0.2 << 1e308 << 0.8 << false << 0.0
                                              << 0.0;
    QTest::newRow("upright left of the box") << -1.0 << 0.2 << -1.0 << 0.8 << false << 0.0 << 0.0;
    QTest::newRow("on the top edge") << 2.0 << 1.0 << 8.0 << 1.0 << true << 0.0 << 1.0;
    QTest::newRow("up to 1e308") << 0.0 << 0.5 << 1e308 << 1e308 << true << 0.0 << 5e-309;
    QTest::newRow("missing the corner") << 9.0 << 2.0 << 11.0 << 0.5 << false << 0.0 << 0.0;
}

void TestSegmentClip::clip()
{
    QFETCH(double, ax);
    QFETCH(double, ay);
    QFETCH(double, bx);
    QFETCH(double, by);
    QFETCH(bool, seen);
    QFETCH(double, fromT);
    QFETCH(double, toT);
    const SegmentClip::Box box{ { 0.0L, 0.0L }, { 10.0L, 1.0L } };
    const long double a[2] = { ax, ay };
    const long double b[2] = { bx, by };
    SegmentClip::Cut from{};
    SegmentClip::Cut to{};
    QCOMPARE(SegmentClip::clip(box, a, b, from, to), seen);
    if (!seen)
        return;
    QVERIFY(std::abs(double(from.t) - fromT) <= 1e-12);
    QVERIFY(std::abs(double(to.t) - toT) <= 1e-12);
    // Both ends of the part seen lie in the box.
    for (const SegmentClip::Cut &cut : { from, to }) {
        long double p[2];
        SegmentClip::cutPoint(box, a, b, cut, p);
        QVERIFY(p[0] >= 0.0L && p[0] <= 10.0L && p[1] >= 0.0L && p[1] <= 1.0L);
    }
}

QTEST_APPLESS_MAIN(TestSegmentClip)
#include "tst_segmentclip.moc"
