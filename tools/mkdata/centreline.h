#pragma once
// The closed centreline of a track: a smooth spline through the control
// points, resampled at equal steps of arc length so that everything laid
// along it (features, gates, lines) can be addressed by distance s.

#include <vector>

#include "track_desc.h"

namespace mkdata {

struct CentrePoint {
  double x, z;       // position on the field, feet
  double tx, tz;     // unit tangent, direction of travel
  double s;          // distance from control point 0 along the line
  double width;      // track width here
  double bank_deg;   // berm angle from the control points
  double curvature;  // signed, 1/feet; positive turns right (toward +x of the rider)
  Surface surface;
};

struct Centreline {
  double step = 0.5;  // feet between samples
  double length = 0;  // lap length, feet
  std::vector<CentrePoint> points;
  std::vector<double> control_s;  // s of every control point

  // The sample at distance s, wrapped around the lap.
  const CentrePoint& at(double s) const;
  // Index of the sample at distance s, wrapped around the lap.
  int index(double s) const;
  // Distance s wrapped into [0, length).
  double wrap(double s) const;
  // Right-hand normal of the direction of travel at a sample: (-tz, tx).
  // Lateral offsets u along it are positive to the rider's right.
};

// Builds the centreline from the control points (at least 3) with a
// centripetal Catmull-Rom spline, which never loops or overshoots between
// close points.
Centreline build_centreline(const std::vector<ControlPoint>& points, double step = 0.5);

// The position at lateral offset u (positive to the right) of sample i.
inline void offset_point(const CentrePoint& p, double u, double& x, double& z) {
  x = p.x - p.tz * u;
  z = p.z + p.tx * u;
}

}  // namespace mkdata
