#pragma once

#include "plantmodel.h"

#include <limits>

// Discrete PID law on the control error, sampled every 0.2 s:
//
//   c     = I + e * 0.2                          (rectangle rule, right end)
//   v     = kp * e + kd * (e - e_prev) / 0.2 + ki * c
//   u     = v clamped to [-U, U]
//   I     = c, unless v lies beyond U on the side the error pushes it
//           (v > U with e > 0, v < -U with e < 0): then I stays, so the
//           integral does not wind up while the actuator is saturated
//
// The derivative acts on the error and e_prev starts at 0; there is no
// derivative filter. The limit U is infinite unless set (an actuator's
// bound): then u = v and I = c at every step, the unlimited law bit for bit.
class PidController
{
public:
    PidController() = default;
    PidController(double kp, double ki, double kd,
                  double limit = std::numeric_limits<double>::infinity());

    void setGains(double kp, double ki, double kd);
    double kp() const { return m_kp; }
    double ki() const { return m_ki; }
    double kd() const { return m_kd; }
    double limit() const { return m_limit; }

    // Clears the integral and the previous error; the gains stay.
    void reset();

    // The plant input for error e; advances the controller's state.
    double control(double e)
    {
        constexpr double dt = PlantModel::kSampleTime;
        const double c = integral + e * dt;
        const double v = (m_kp * e + ((e - prevError) / dt) * m_kd) + m_ki * c;
        double u = v;
        bool windsUp = false;
        if (v > m_limit) {
            u = m_limit;
            windsUp = e > 0.0;
        } else if (v < -m_limit) {
            u = -m_limit;
            windsUp = e < 0.0;
        }
        if (!windsUp)
            integral = c;
        prevError = e;
        return u;
    }

private:
    double m_kp = 0.0;
    double m_ki = 0.0;
    double m_kd = 0.0;
    double m_limit = std::numeric_limits<double>::infinity();
    double integral = 0.0;
    double prevError = 0.0;
};
