#include "plantmodel.h"

void PlantModel::reset()
{
    u1 = 0.0;
    y1 = 0.0;
    y2 = 0.0;
}

double PlantModel::step(double u)
{
    const double y = ((kB0 * u + kB1 * u1) + kA1 * y1) + kA2 * y2;
    u1 = u;
    y2 = y1;
    y1 = y;
    return y;
}
