#pragma once

// The fixed plant: a second-order discrete model sampled every 0.2 s,
//
//   y[k] = 0.1666 u[k] + 0.15092 u[k-1] + 1.5999 y[k-1] - 0.6323 y[k-2],
//
// i.e. (0.1666 + 0.15092 z^-1) / (1 - 1.5999 z^-1 + 0.6323 z^-2), static
// gain 9.8, poles at about 0.887 and 0.713. Inputs and outputs carry no
// units and are not limited.
class PlantModel
{
public:
    static constexpr double kSampleTime = 0.2;
    static constexpr double kB0 = 0.1666;
    static constexpr double kB1 = 0.15092;
    static constexpr double kA1 = 1.5999;
    static constexpr double kA2 = -0.6323;

    // Back to rest: previous input and both previous outputs 0.
    void reset();

    // Advances by one sample with input u and returns the new output y[k].
    // Inline: it is the innermost operation of every loop.
    double step(double u)
    {
        const double y = ((kB0 * u + kB1 * u1) + kA1 * y1) + kA2 * y2;
        u1 = u;
        y2 = y1;
        y1 = y;
        return y;
    }

private:
    double u1 = 0.0;
    double y1 = 0.0;
    double y2 = 0.0;
};
