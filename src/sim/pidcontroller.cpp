#include "pidcontroller.h"

PidController::PidController(double kp, double ki, double kd, double limit)
    : m_kp(kp), m_ki(ki), m_kd(kd), m_limit(limit)
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
