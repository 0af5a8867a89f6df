#pragma once

#include <QColor>
#include <QString>

#include <vector>

// One curve's series as the window hands it to a chart: the points, how
// many of them to show, and how the curve looks. A plain value record; a
// copy copies both vectors.
struct CurveData
{
    CurveData() = default;

    // Takes colour, title and width only when x and y have the same length.
    // Otherwise both vectors are kept but count stays 0, the colour invalid,
    // the title empty and the width at its default, so the curve shows no
    // points.
    CurveData(std::vector<double> x, std::vector<double> y, QString title, QColor color,
              float width);

    std::vector<double> x;
    std::vector<double> y;
    int count = 0;
    QColor color;
    bool filled = false;
    QString title;
    float width = 2.0f;
};
