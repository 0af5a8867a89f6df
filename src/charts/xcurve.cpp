#include "xcurve.h"

#include "segmentclip.h"

#include <qwt_clipper.h>
#include <qwt_painter.h>
#include <qwt_scale_map.h>
#include <qwt_transform.h>

#include <QBrush>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QString>

#include <algorithm>
#include <cmath>

namespace {

// How far beyond the canvas, in pixels, a sample may lie for QwtPlotCurve's
// own path: far more than any chart needs, far less than where rounding the
// pixel to an int overflows.
constexpr double kNearMargin = 1.0e6;

// Coordinates along one axis in the scale's transformed space (the identity
// for the linear scales of every chart): there the map to pixels is affine,
// so a line is clipped there as it is on screen.
class AxisSpace
{
public:
    explicit AxisSpace(const QwtScaleMap &map) : map(map), t(map.transformation()) {}

    double toSpace(double s) const { return t ? t->transform(s) : s; }
    double fromSpace(double v) const { return t ? t->invTransform(v) : v; }
    double pixelOf(double v) const { return map.transform(fromSpace(v)); }
    // The space's bounds of a pixel interval, lower first.
    std::pair<long double, long double> bounds(double p1, double p2) const
    {
        const long double a = toSpace(map.invTransform(p1));
        const long double b = toSpace(map.invTransform(p2));
        return { std::min(a, b), std::max(a, b) };
    }

private:
    const QwtScaleMap &map;
    const QwtTransform *t;
};

} // namespace

XCurve::XCurve(const QString &title)
    : QwtPlotCurve(title)
{
}

XCurve::~XCurve() = default;

void XCurve::drawCurve(QPainter *painter, int style, const QwtScaleMap &xMap,
                       const QwtScaleMap &yMap, const QRectF &canvasRect, int from,
                       int to) const
{
    const QRectF nearRect = canvasRect.adjusted(-kNearMargin, -kNearMargin, kNearMargin,
                                                kNearMargin);
    int runStart = from;
    bool far = false;
    for (int i = from; i <= to + 1; ++i) {
        const bool finite = i <= to && std::isfinite(sample(i).x())
                && std::isfinite(sample(i).y());
        if (finite) {
            const QPointF p(xMap.transform(sample(i).x()), yMap.transform(sample(i).y()));
            far = far || !nearRect.contains(p);
            continue;
        }
        if (i > runStart) {
            if (far && style == Lines)
                drawFarRun(painter, xMap, yMap, canvasRect, runStart, i - 1);
            else
                QwtPlotCurve::drawCurve(painter, style, xMap, yMap, canvasRect, runStart, i - 1);
        }
        runStart = i + 1;
        far = false;
    }
}

void XCurve::drawFarRun(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                        const QRectF &canvasRect, int from, int to) const
{
    const AxisSpace xs(xMap);
    const AxisSpace ys(yMap);
    // The same margin as QwtPlotCurve's clipping: the pen's width, so that a
    // cut end never shows inside the canvas.
    const double pw = std::max(1.0, painter->pen().widthF());
    const QRectF clipRect = canvasRect.adjusted(-pw, -pw, pw, pw);
    const auto [xLow, xHigh] = xs.bounds(clipRect.left(), clipRect.right());
    const auto [yLow, yHigh] = ys.bounds(clipRect.top(), clipRect.bottom());
    const SegmentClip::Box box{ { xLow, yLow }, { xHigh, yHigh } };

    const bool round = QwtPainter::roundingAlignment(painter);
    const auto pixel = [&](long double x, long double y) {
        QPointF p(xs.pixelOf(static_cast<double>(x)), ys.pixelOf(static_cast<double>(y)));
        if (round)
            p = QPointF(qRound(p.x()), qRound(p.y()));
        return p;
    };

    if (brush().style() != Qt::NoBrush && brush().color().alpha() > 0) {
        // The area between the run and the baseline, clipped as a polygon.
        QPolygonF area;
        for (int i = from; i <= to; ++i)
            area += QPointF(xs.toSpace(sample(i).x()), ys.toSpace(sample(i).y()));
        if (orientation() == Qt::Vertical) {
            const double base = ys.toSpace(baseline());
            area += QPointF(area.last().x(), base);
            area += QPointF(area.first().x(), base);
        } else {
            const double base = xs.toSpace(baseline());
            area += QPointF(base, area.last().y());
            area += QPointF(base, area.first().y());
        }
        const QRectF spaceRect(QPointF(static_cast<double>(xLow), static_cast<double>(yLow)),
                               QPointF(static_cast<double>(xHigh), static_cast<double>(yHigh)));
        QPolygonF shown;
        for (const QPointF &v : QwtClipper::clipPolygonF(spaceRect, area, true))
            shown += pixel(v.x(), v.y());
        painter->save();
        painter->setPen(Qt::NoPen);
        painter->setBrush(brush());
        QwtPainter::drawPolygon(painter, shown);
        painter->restore();
    }

    // The line in pieces: one per stretch that stays inside the clip box.
    QPolygonF piece;
    const auto flush = [&] {
        if (piece.size() > 1)
            QwtPainter::drawPolyline(painter, piece);
        piece.clear();
    };
    for (int i = from; i < to; ++i) {
        const long double a[2] = { xs.toSpace(sample(i).x()), ys.toSpace(sample(i).y()) };
        const long double b[2] = { xs.toSpace(sample(i + 1).x()), ys.toSpace(sample(i + 1).y()) };
        SegmentClip::Cut enter;
        SegmentClip::Cut leave;
        if (!SegmentClip::clip(box, a, b, enter, leave)) {
            flush();
            continue;
        }
        long double p[2];
        if (enter.edge >= 0)
            flush();
        if (piece.isEmpty()) {
            SegmentClip::cutPoint(box, a, b, enter, p);
            piece += pixel(p[0], p[1]);
        }
        SegmentClip::cutPoint(box, a, b, leave, p);
        piece += pixel(p[0], p[1]);
        if (leave.edge >= 0)
            flush();
    }
    flush();
}
