#pragma once

#include "plantmodel.h"

// Discrete PID law on the control error, sampled every 0.2 s:
//
//   I    += e * 0.2                              (rectangle rule, right end)
//   u     = kp * e + kd * (e - e_prev) / 0.2 + ki * I
//
// The derivative acts on the error, e_prev starts at 0, and there is no
// output limit, anti-windup or derivative filter.
class PidController
{
public:
    PidController() = default;
    PidController(double kp, double ki, double kd);

    void setGains(double kp, double ki, double kd);
    double kp() const { return m_kp; }
    double ki() const { return m_ki; }
    double kd() const { return m_kd; }

    // Clears the integral and the previous error; the gains stay.
    void reset();

    // The plant input for error e; advances the controller's state.
    double control(double e)
    {
        constexpr double dt = PlantModel::kSampleTime;
        integral = integral + e * dt;
        const double u = (m_kp * e + ((e - prevError) / dt) * m_kd) + m_ki * integral;
        prevError = e;
        return u;
    }

private:
    double m_kp = 0.0;
    double m_ki = 0.0;
    double m_kd = 0.0;
    double integral = 0.0;
    double prevError = 0.0;
};
