#include "robots/pilot_laws.h"

#include <algorithm>
#include <cmath>

PedalCommand ground_speed_law(double v, double target, int gear, double engine_rpm,
                              double downshift_rpm) {
  PedalCommand c;
  if (v < target - 1) {
    c.throttle = 1;
  } else {
    double e = v - (target - 1);
    if (e >= 1) {
      c.throttle = 0;
      c.front_brake = c.rear_brake = static_cast<float>(std::clamp(e - 1, 0.0, 1.0));
    } else {
      c.throttle = static_cast<float>(std::clamp(1 - e, 0.0, 1.0));
    }
  }
  c.clutch = gear > 0
                 ? 1.0f
                 : static_cast<float>(std::clamp((engine_rpm - (downshift_rpm - 1000)) / 1000, 0.0, 1.0));
  return c;
}

LaunchCommand launch_law(double x) {
  double a = 4 * x;
  LaunchCommand c;
  if (a < 0) {
    a = 0;
  } else if (a >= 0.75) {
    c.auto_shift = true;
    a = std::min(a, 1.0);
  }
  c.throttle = 1;
  c.dab = static_cast<float>(std::clamp(1 - a, 0.0, 1.0));
  c.clutch = static_cast<float>(a);
  return c;
}

double desired_lean(double v, double r, double load) {
  return std::atan2(-v * v / r, 32 * load);
}

double radius_to_target(double x, double y, double rho) {
  if (y <= 0) return x >= 0 ? 10 : -10;
  // Nearest point of the turning circle (centre (rho, 0)) to the target.
  double cx = x - rho, cy = y;
  double len = std::hypot(cx, cy);
  double kx = rho, ky = 0;
  if (len > 0) {
    kx = rho + std::fabs(rho) * cx / len;
    ky = std::fabs(rho) * cy / len;
  }
  double ax = x + 2 * (x - kx);
  double ay = y + 2 * (y - ky);
  if (std::fabs(ax) < 1e-6) ax = ax < 0 ? -1e-6 : 1e-6;
  return (ax * ax + ay * ay) / (2 * ax);
}

double limit_throttle(double throttle, double last, bool recently_limited) {
  constexpr double kRate = 0.03125;
  double t = recently_limited ? std::clamp(throttle, 0.0, last + kRate)
                              : std::clamp(throttle, std::min(last - kRate, 1.0), 1.0);
  return std::clamp(t, 0.0, 1.0);
}

double recovery_max_lean(double v) {
  if (v >= 20) return 0.5;
  if (v >= 10) return 0.5 * (1.0 / 3 + (v - 10) * 0.1 * 2 / 3);
  return 1.0 / 6;
}
