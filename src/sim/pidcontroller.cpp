#include "pidcontroller.h"

#include "plantmodel.h"

PidController::PidController(double kp, double ki, double kd)
    : m_kp(kp), m_ki(ki), m_kd(kd)
{
}

void PidController::setGains(double kp, double ki, double kd)
{
    m_kp = kp;
    m_ki = ki;
    m_kd = kd;
}

void PidController::reset()
{
    integral = 0.0;
    prevError = 0.0;
}

double PidController::control(double e)
{
    constexpr double dt = PlantModel::kSampleTime;
    integral = integral + e * dt;
    const double u = (m_kp * e + ((e - prevError) / dt) * m_kd) + m_ki * integral;
    prevError = e;
    return u;
}
