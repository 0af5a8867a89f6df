#pragma once

#include "tonesink.h"

#include <QBuffer>
#include <QByteArray>
#include <QObject>

class QAudioOutput;

// Plays a sine tone through the default audio output without blocking the
// caller: the samples are generated up front (16-bit signed, mono) and
// pushed to the device by Qt Multimedia while the event loop runs. Where
// there is no output device, or it refuses the format, the system bell
// sounds instead.
class TonePlayer : public QObject, public ToneSink
{
    Q_OBJECT

public:
    static constexpr int SampleRate = 44100;
    // Peak sample value: half of full scale keeps the tone from being harsh.
    static constexpr int Amplitude = 16384;

    explicit TonePlayer(QObject *parent = nullptr);
    ~TonePlayer() override;

    void playTone(int frequencyHz, int durationMs) override;

    // The samples of one tone as little-endian 16-bit PCM, mono: one sample
    // per 1/sampleRate of durationMs, with short linear fades at both ends so
    // the speaker does not click. Empty when the duration gives no sample or
    // the frequency is not above 0 and below half the sample rate.
    static QByteArray sineWave(int frequencyHz, int durationMs, int sampleRate = SampleRate);

protected:
    // Sounds the system bell, the fallback where no audio output takes the
    // tone.
    virtual void ringBell();

private:
    void stop();

    QAudioOutput *output = nullptr;
    QByteArray samples;
    QBuffer buffer;
};
