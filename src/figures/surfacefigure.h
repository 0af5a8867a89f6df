#pragma once

#include "fuzzyset.h"

#include <QColor>
#include <QSize>

#include <array>
#include <memory>

class DecisionSurface;
class QPainter;
class QRectF;
class XPlot;

// The controller's decision surface as a figure: a map of the rule level V
// over the error e (x) and its derivative de (y), one cell per grid point,
// in three colours that a legend names, with the bounds of the six sets
// drawn as dashed lines (the error's upright, the derivative's across),
// each labelled with its set and bound ("N.R" is the Negative set's R), so
// that the nine-rule table can be read off the regions between them.
class SurfaceFigure
{
public:
    SurfaceFigure(const DecisionSurface &surface, const std::array<FuzzySet, 3> &errorSets,
                  const std::array<FuzzySet, 3> &derivativeSets, QSize size);
    ~SurfaceFigure();
    SurfaceFigure(const SurfaceFigure &) = delete;
    SurfaceFigure &operator=(const SurfaceFigure &) = delete;

    // The colour of level -1, 0 or +1.
    static QColor levelColor(int level);

    XPlot &plot() const { return *chart; }
    void paint(QPainter &painter, const QRectF &rect) const;

private:
    std::unique_ptr<XPlot> chart;
};
