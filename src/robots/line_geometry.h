#pragma once
// How lines join: the horizontal circle through the end of one line, and
// the test whether another line may follow it.

#include "robots/line_store.h"

// Centre (x, z) of the circle through three points, in the horizontal
// plane (perpendicular bisectors of the chords p1-p2 and p2-p3). When the
// points are collinear within 1e-6 the centre is put 1000000 ft away along
// the first chord's bisector, so a straight end behaves like a huge
// circle. Never NaN for finite points, even when points coincide.
struct CircleCentre {
  double x = 0, z = 0;
};
CircleCentre circle_centre_xz(const LinePoint& p1, const LinePoint& p2, const LinePoint& p3);

// Horizontal distance from the centre to a point.
double distance_xz(const CircleCentre& centre, const LinePoint& p);

// The end of a line as the connection test sees it: usable when the line
// has at least 3 points; then the circle through its last three points and
// its radius R (the distance from the centre to the last point).
struct LineEnd {
  bool usable = false;
  CircleCentre centre;
  double radius = 0;
  float speed = 0;  // |speed| of the last point
};
LineEnd line_end(const LineCell& a);

// True when a line b may follow the line whose end is `end`: b has at
// least 2 points; |speed| of a's last point <= |speed| of b's first point
// + 15 ft/s; the horizontal distance d0 from the centre to b's first point
// lies in [max(R - 2.5, 0), R + 2.5]; the distance d1 of b's second point
// differs from d0 by at most 2 ft.
bool line_follows(const LineEnd& end, const LineCell& b);

// `lines_connect`: whether line b may follow line a (a needs 3 points).
bool lines_connect(const LineCell& a, const LineCell& b);
