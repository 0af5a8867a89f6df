// The tone's samples: length, pitch, loudness and the requests that give
// no tone at all.

#include "toneplayer.h"

#include <QAudioOutput>
#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

std::vector<int> samplesOf(const QByteArray &pcm)
{
    std::vector<int> out;
    const auto *p = reinterpret_cast<const uchar *>(pcm.constData());
    for (int i = 0; i + 1 < pcm.size(); i += 2)
        out.push_back(qFromLittleEndian<qint16>(p + i));
    return out;
}

int signChanges(const std::vector<int> &s)
{
    int changes = 0;
    int last = 0;
    for (int v : s) {
        if (v == 0)
            continue;
        if (last != 0 && (v > 0) != (last > 0))
            ++changes;
        last = v;
    }
    return changes;
}

// A player that counts the bells it would ring.
class ListeningPlayer : public TonePlayer
{
public:
    int bells = 0;

protected:
    void ringBell() override { ++bells; }
};

} // namespace

class TestTonePlayer : public QObject
{
    Q_OBJECT

private slots:
    void wave_data();
    void wave();
    void noTone_data();
    void noTone();
};

void TestTonePlayer::wave_data()
{
    QTest::addColumn<int>("frequency");
    QTest::addColumn<int>("duration");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("samples");

    QTest::newRow("help 200 Hz") << 200 << 100 << 44100 << 4410;
    QTest::newRow("save 500 Hz") << 500 << 100 << 44100 << 4410;
    QTest::newRow("load 1000 Hz") << 1000 << 100 << 44100 << 4410;
    QTest::newRow("1 s at 8 kHz") << 440 << 1000 << 8000 << 8000;
    QTest::newRow("long 3 kHz") << 3000 << 2500 << 44100 << 110250;
    QTest::newRow("odd length") << 700 << 33 << 22050 << 727;
}

void TestTonePlayer::wave()
{
    QFETCH(int, frequency);
    QFETCH(int, duration);
    QFETCH(int, rate);
    QFETCH(int, samples);

    const QByteArray pcm = TonePlayer::sineWave(frequency, duration, rate);
    QCOMPARE(pcm.size(), 2 * samples);
    const std::vector<int> s = samplesOf(pcm);

    // A sine crosses zero twice per period: the count gives the pitch to
    // within one crossing at either end.
    const double expectedChanges = 2.0 * frequency * duration / 1000.0;
    QVERIFY2(std::abs(signChanges(s) - expectedChanges) <= 2.0,
             qPrintable(QString("%1 sign changes, expected %2").arg(signChanges(s)).arg(expectedChanges)));

    int peak = 0;
    for (int v : s)
        peak = std::max(peak, std::abs(v));
    QVERIFY(peak <= TonePlayer::Amplitude);
    // Away from the fades the tone reaches its full amplitude (within 2 %
    // for the coarsest sampling above).
    QVERIFY2(peak >= TonePlayer::Amplitude * 0.98, qPrintable(QString::number(peak)));

    // Faded in and out: no click at either end.
    QVERIFY(std::abs(s.front()) <= 1);
    QVERIFY(std::abs(s.back()) <= TonePlayer::Amplitude / 100);
}

void TestTonePlayer::noTone_data()
{
    QTest::addColumn<int>("frequency");
    QTest::addColumn<int>("duration");

    QTest::newRow("zero duration") << 500 << 0;
    QTest::newRow("negative duration") << 500 << -100;
    QTest::newRow("zero frequency") << 0 << 100;
    QTest::newRow("negative frequency") << -200 << 100;
    QTest::newRow("at half the rate") << 22050 << 100;
    QTest::newRow("above half the rate") << 30000 << 100;
}

void TestTonePlayer::noTone()
{
    QFETCH(int, frequency);
    QFETCH(int, duration);

    QVERIFY(TonePlayer::sineWave(frequency, duration).isEmpty());
    ListeningPlayer player;
    player.playTone(frequency, duration);
    // Nothing sounds: no audio output is opened, and no bell rings instead.
    QVERIFY(player.findChildren<QAudioOutput *>().isEmpty());
    QCOMPARE(player.bells, 0);
}

QTEST_MAIN(TestTonePlayer)
#include "tst_toneplayer.moc"
