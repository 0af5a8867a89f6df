#include "segmentclip.h"

#include <algorithm>

bool SegmentClip::clip(const Box &box, const long double a[2], const long double b[2],
                       Cut &from, Cut &to)
{
    from = { 0.0L, -1 };
    to = { 1.0L, -1 };
    for (int edge = 0; edge < 4; ++edge) {
        const int axis = edge / 2;
        const long double d = b[axis] - a[axis];
        const long double p = edge % 2 ? d : -d;
        const long double q = edge % 2 ? box.high[axis] - a[axis] : a[axis] - box.low[axis];
        if (p == 0.0L) {
            if (q < 0.0L)
                return false;
            continue;
        }
        const long double t = q / p;
        if (p < 0.0L) {
            if (t > to.t)
                return false;
            if (t > from.t)
                from = { t, edge };
        } else {
            if (t < from.t)
                return false;
            if (t < to.t)
                to = { t, edge };
        }
    }
    return true;
}

void SegmentClip::cutPoint(const Box &box, const long double a[2], const long double b[2],
                           const Cut &cut, long double out[2])
{
    for (int axis = 0; axis < 2; ++axis) {
        if (cut.edge < 0)
            out[axis] = std::clamp(cut.t == 0.0L ? a[axis] : b[axis], box.low[axis],
                                   box.high[axis]);
        else if (cut.edge / 2 == axis)
            out[axis] = cut.edge % 2 ? box.high[axis] : box.low[axis];
        else
            out[axis] = std::clamp(a[axis] + cut.t * (b[axis] - a[axis]), box.low[axis],
                                   box.high[axis]);
    }
}
