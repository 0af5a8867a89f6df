#include "curvedata.h"

#include <utility>

CurveData::CurveData(std::vector<double> x, std::vector<double> y, QString title,
                     QColor color, float width)
    : x(std::move(x)), y(std::move(y))
{
    if (this->x.size() != this->y.size())
        return;
    count = static_cast<int>(this->x.size());
    this->color = color;
    this->title = std::move(title);
    this->width = width;
    filled = false;
}
