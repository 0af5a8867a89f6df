#pragma once

// Clipping one segment of a far-reaching curve to a box, in long double, for
// XCurve: Liang-Barsky on a + t (b - a), t in [0, 1], with coordinates that
// may be as large as the double range (long double keeps every difference
// and quotient of doubles finite).
class SegmentClip
{
public:
    struct Box {
        long double low[2]; // x, y
        long double high[2];
    };

    // One end of the visible part of a segment: the parameter t along it
    // and the box edge that cut it there (-1: the segment's own end).
    struct Cut {
        long double t;
        int edge; // 0 x low, 1 x high, 2 y low, 3 y high
    };

    // The part [from.t, to.t] of the segment that lies in the box; false if
    // none (a segment parallel to an edge and beyond it included).
    static bool clip(const Box &box, const long double a[2], const long double b[2], Cut &from,
                     Cut &to);

    // The point of a cut. The coordinate the edge cut is the edge itself: a
    // line from 1e60 to a canvas 1e38 high has no precision left to find it
    // by interpolation, while the other coordinate interpolates well.
    // Rounding can still leave that one a hair outside, or take a cut for the
    // segment's own end (1e300 / (1e300 + 1e100) is 1), so every point is
    // held in the box.
    static void cutPoint(const Box &box, const long double a[2], const long double b[2],
                         const Cut &cut, long double out[2]);
};
