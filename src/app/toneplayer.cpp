#include "toneplayer.h"

#include <QApplication>
#include <QAudioDeviceInfo>
#include <QAudioFormat>
#include <QAudioOutput>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr int FadeMs = 5;

QAudioFormat toneFormat()
{
    QAudioFormat format;
    format.setSampleRate(TonePlayer::SampleRate);
    format.setChannelCount(1);
    format.setSampleSize(16);
    format.setCodec(QStringLiteral("audio/pcm"));
    format.setByteOrder(QAudioFormat::LittleEndian);
    format.setSampleType(QAudioFormat::SignedInt);
    return format;
}

} // namespace

TonePlayer::TonePlayer(QObject *parent)
    : QObject(parent)
{
}

TonePlayer::~TonePlayer()
{
    stop();
}

QByteArray TonePlayer::sineWave(int frequencyHz, int durationMs, int sampleRate)
{
    if (frequencyHz <= 0 || durationMs <= 0 || sampleRate <= 0 || 2 * frequencyHz >= sampleRate)
        return {};

    const qint64 count = qint64(sampleRate) * durationMs / 1000;
    const qint64 fade = std::min<qint64>(qint64(sampleRate) * FadeMs / 1000, count / 2);
    QByteArray data(int(count * 2), Qt::Uninitialized);
    auto *out = reinterpret_cast<uchar *>(data.data());
    for (qint64 i = 0; i < count; ++i) {
        double gain = 1.0;
        if (fade > 0)
            gain = std::min({1.0, double(i) / fade, double(count - 1 - i) / fade});
        const double s = gain * Amplitude * std::sin(2.0 * Pi * frequencyHz * double(i) / sampleRate);
        qToLittleEndian<qint16>(qint16(std::lround(s)), out + 2 * i);
    }
    return data;
}

void TonePlayer::playTone(int frequencyHz, int durationMs)
{
    const QByteArray wave = sineWave(frequencyHz, durationMs);
    if (wave.isEmpty())
        return;

    stop();
    const QAudioFormat format = toneFormat();
    const QAudioDeviceInfo device = QAudioDeviceInfo::defaultOutputDevice();
    if (device.isNull() || !device.isFormatSupported(format)) {
        ringBell();
        return;
    }

    samples = wave;
    buffer.setData(samples);
    buffer.open(QIODevice::ReadOnly);
    output = new QAudioOutput(device, format, this);
    connect(output, &QAudioOutput::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::IdleState)
            stop();
    });
    output->start(&buffer);
    if (output->error() != QAudio::NoError) {
        stop();
        ringBell();
    }
}

void TonePlayer::ringBell()
{
    QApplication::beep();
}

void TonePlayer::stop()
{
    if (output) {
        // The device may still call back into the buffer until it is stopped.
        output->disconnect(this);
        output->stop();
        output->deleteLater();
        output = nullptr;
    }
    buffer.close();
}
