#pragma once

#include "figureformat.h"

#include <QSize>
#include <QString>

#include <functional>

class QFont;
class QIODevice;
class QPainter;
class QRectF;
class QTransform;
class QWidget;
class QwtPlot;

// Writes one figure, a drawing of a fixed size in pixels, to a device as
// PNG, SVG or PDF. The drawing is given as a function that paints the
// figure into a rectangle of that size; SVG and PDF get the same size at
// 96 dpi (a 1200 x 800 figure is a 12.5 x 8.33 inch page), so that every
// format shows the same drawing. Any chart of Qwt can be drawn with
// renderPlot, and several of them side by side into one figure.
class FigureWriter : public FigureFormat
{
public:

    using Painting = std::function<void(QPainter &painter, const QRectF &rect)>;

    // Paints the figure and writes it to the open device. False, with the
    // reason in error, when the figure cannot be made or written.
    static bool write(QIODevice &device, Format format, QSize size, const Painting &paint,
                      QString &error);

    // Draws the plot, with its axes and legend, into rect as QwtPlotRenderer
    // lays it out.
    static void renderPlot(QwtPlot &plot, QPainter &painter, const QRectF &rect);

    // Lays a widget of a figure out at the size as a shown window lays out
    // its widgets, without showing it on any screen: a plot that was never
    // shown leaves room at its scales' ends that the window's charts do not.
    static void layOut(QWidget &widget, QSize size);

    // The window's font under the name of the font it resolves to (Tahoma's
    // stand-in where Tahoma is missing): drawn the same, but an SVG then
    // names a font that exists rather than one that was substituted.
    static QFont windowFont();

    // From the pixels of the screen that widget lays itself out for to the
    // pixels of the painter's device: the scale that QwtPlotRenderer applies
    // to a plot, for a figure that places several parts side by side.
    static QTransform layoutTransform(const QPainter &painter, const QWidget &widget);
};
