#pragma once

#include "fuzzyset.h"
#include "plotfigure.h"

#include <QColor>
#include <QSize>

#include <array>

class DecisionSurface;

// The controller's decision surface as a figure: a map of the rule level V
// over the error e (x) and its derivative de (y), one cell per grid point,
// in three colours that a legend names, with the bounds of the six sets
// drawn as dashed lines (the error's upright, the derivative's across),
// each labelled with its set and bound ("N.R" is the Negative set's R), so
// that the nine-rule table can be read off the regions between them.
class SurfaceFigure : public PlotFigure
{
public:
    SurfaceFigure(const DecisionSurface &surface, const std::array<FuzzySet, 3> &errorSets,
                  const std::array<FuzzySet, 3> &derivativeSets, QSize size);

    // The colour of level -1, 0 or +1.
    static QColor levelColor(int level);
};
