#include "plantmodel.h"

void PlantModel::reset()
{
    u1 = 0.0;
    y1 = 0.0;
    y2 = 0.0;
}
