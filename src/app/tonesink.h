#pragma once

// Something that can sound a short tone: the window asks for its feedback
// tones through this, so tests can listen in place of the loudspeaker.
class ToneSink
{
public:
    virtual ~ToneSink() = default;

    // Sounds frequencyHz for durationMs and returns at once; a request
    // that cannot be a tone (zero or negative values) sounds nothing.
    virtual void playTone(int frequencyHz, int durationMs) = 0;
};
