#include "xcurve.h"

#include <QString>

XCurve::XCurve(const QString &title)
    : QwtPlotCurve(title)
{
}

XCurve::~XCurve() = default;
