#include "robots/auto_pilot.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/random.h"
#include "robots/ground_box.h"
#include "robots/pilot_laws.h"
#include "robots/pilot_path.h"
#include "robots/robot_personality.h"
#include "sim/bike.h"
#include "sim/rider_input.h"
#include "sim/steering.h"
#include "track/terrain.h"
#include "track/track.h"

std::array<AutoPilot, max_bikes> auto_pilots;

void reset_auto_pilot(AutoPilot& pilot) {
  pilot = AutoPilot{};
  pilot.path.reserve(16);
}

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kStaging = 5.0;  // seconds of staging before the robots wait for the drop

Vec3 to_vec(const dReal* v) { return {v[0], v[1], v[2]}; }

Vec3 body_axis(dBodyID body, double x, double y, double z) {
  dVector3 out;
  dBodyVectorToWorld(body, x, y, z, out);
  return to_vec(out);
}

// Everything one tick reads of the robot's own bike.
struct BikeView {
  Bike* bike = nullptr;
  dBodyID frame = nullptr;
  PilotFrame pilot_frame;
  Vec3 velocity;
  Vec3 x_axis, y_axis, z_axis;
  double v = 0;
  bool crashed = false;
};

BikeView view_bike(Bike& bike) {
  BikeView b;
  b.bike = &bike;
  b.frame = bike.bodies[body_frame];
  b.pilot_frame.position = to_vec(dBodyGetPosition(b.frame));
  b.x_axis = body_axis(b.frame, 1, 0, 0);
  b.y_axis = body_axis(b.frame, 0, 1, 0);
  b.z_axis = body_axis(b.frame, 0, 0, 1);
  b.pilot_frame.forward = -b.z_axis;
  b.velocity = to_vec(dBodyGetLinearVel(b.frame));
  b.v = length(b.velocity);
  b.crashed = bike.crash_counter > 0;
  return b;
}

int start_gear(const Bike& bike) { return bike.model.gear_ratio[1] > 0 ? 1 : 0; }

void set_auto_shift(Bike& bike, bool on) {
  if (on)
    bike.flags |= flag_auto_shift;
  else
    bike.flags &= static_cast<std::uint8_t>(~flag_auto_shift);
}

// Terrain normal at (x, z) from the height field's slopes one sample
// spacing either side; straight up without terrain.
Vec3 terrain_normal(const Terrain* terrain, double x, double z) {
  if (!terrain || terrain->field.spacing <= 0) return {0, 1, 0};
  const HeightField& f = terrain->field;
  double h = f.spacing;
  double dx = height_at(f, x + h, z) - height_at(f, x - h, z);
  double dz = height_at(f, x, z + h) - height_at(f, x, z - h);
  Vec3 n = normalized(Vec3{-dx, 2 * h, -dz});
  return std::isfinite(n.y) && n.y > 0 ? n : Vec3{0, 1, 0};
}

// The grip the surface at (x, z) offers: the peak of its friction curve.
double terrain_friction(const Terrain* terrain, double x, double z) {
  if (!terrain || terrain->surfaces.empty()) return 1;
  const SurfaceType& s = terrain_surface_at(*terrain, x, z);
  double mu = 0;
  for (const FrictionPoint& p : s.friction) {
    mu = std::max<double>(mu, p.mu);
    if (p.speed == 0) break;
  }
  return mu;
}

// The hold pose at the gate.
RiderInput hold_pose(Bike& bike, bool crashed) {
  RiderInput in;
  in.dab = crashed ? 0 : 1;
  in.clutch = 0;
  in.front_brake = in.rear_brake = 1;
  in.steer = 0;
  set_auto_shift(bike, false);
  bike.gear = start_gear(bike);
  return in;
}

RiderInput launch(Bike& bike, double x, bool crashed) {
  LaunchCommand c = launch_law(x);
  set_auto_shift(bike, c.auto_shift);
  if (!c.auto_shift) bike.gear = start_gear(bike);
  RiderInput in;
  in.throttle = crashed ? 0 : c.throttle;
  in.dab = crashed ? 0 : c.dab;
  in.clutch = c.clutch;
  return in;
}

// The gate start. Returns false once the robot drives on its own.
bool gate_start(AutoPilot& pilot, Bike& bike, const PilotSession& s, bool crashed,
                RiderInput& in) {
  double t = s.tick * s.step;
  double drop = s.drop_tick * s.step;
  if (t >= drop + kStaging) return false;
  if (pilot.reaction == 0) pilot.reaction = static_cast<float>(2 * (random_u32() >> 1) * 0x1p-30);
  if (t < kStaging) {
    in = hold_pose(bike, crashed);
    if (pilot.reaction < 0) {
      in.throttle = crashed ? 0 : 1;
      if (t > -pilot.reaction)
        pilot.reaction = static_cast<float>(std::min(t + 2 + 0.5 * random_unit_top(), kStaging));
    } else {
      in.throttle = 0;
      if (t > pilot.reaction) pilot.reaction = static_cast<float>(-(t + 0.25 + 0.5 * random_unit_top()));
    }
    return true;
  }
  if (pilot.reaction <= kStaging)
    pilot.reaction = static_cast<float>(kStaging + 0.125 + 0.375 * random_unit_top());
  const RobotPersonality& who = robot_personalities[pilot.personality];
  if (pilot.reaction < drop) {
    if (t < pilot.reaction) {
      in = hold_pose(bike, crashed);
      in.throttle = 0;
      return true;
    }
    pilot.reaction = static_cast<float>(
        drop + who.reaction_min + (who.reaction_max - who.reaction_min) * random_unit_top());
  }
  if (t < pilot.reaction) {
    in = hold_pose(bike, crashed);
    in.throttle = crashed ? 0 : 1;
    return true;
  }
  if (t < pilot.reaction + 2) {
    in = launch(bike, t - pilot.reaction, crashed);
    return true;
  }
  return false;
}

// `speed_control`: pedals for the target speed, in the air or on the ground.
void speed_control(const BikeView& b, double target, RiderInput& in) {
  Bike& bike = *b.bike;
  in.front_brake = in.rear_brake = 0;
  if (!(bike.rear_contact.depth > 0)) {
    double pitch_rate = dot(to_vec(dBodyGetAngularVel(b.frame)), b.x_axis);
    double rear_y = dBodyGetPosition(bike.bodies[body_rear_wheel])[1];
    double front_y = dBodyGetPosition(bike.bodies[body_front_wheel])[1];
    if ((rear_y <= front_y || pitch_rate >= 0) && pitch_rate >= -kPi / 4) {
      in.throttle = 0;
      if (front_y - rear_y > 1 && pitch_rate >= -kPi / 8) {
        in.clutch = 0;
        in.rear_brake = 1;
      } else {
        in.clutch = 0.125f;
      }
    } else {
      in.throttle = b.crashed ? 0 : 1;
      in.clutch = 0.125f;
    }
    return;
  }
  double rpm = bike.engine_speed * 9.549296;
  PedalCommand c = ground_speed_law(b.v, target, bike.gear, rpm, bike.model.shift_down_rpm);
  in.throttle = b.crashed ? 0 : c.throttle;
  in.clutch = c.clutch;
  in.front_brake = c.front_brake;
  in.rear_brake = c.rear_brake;
}

Vec3 travel_direction(Vec3 velocity) {
  double len = length(velocity);
  return len > 0 ? -velocity / len : Vec3{0, 0, 1};
}

// The nearest bike ahead whose box crosses ours; -1 when none.
int find_threat(const PilotSession& s, int slot, const BikeView& b, Vec3 d) {
  GroundBox mine = ground_box(b.pilot_frame.position, d, b.v);
  int threat = -1;
  double nearest = 0;
  for (int other = 0; other < static_cast<int>(s.bikes.size()); ++other) {
    Bike* ob = s.bikes[other];
    if (other == slot || !ob) continue;
    dBodyID frame = ob->bodies[body_frame];
    Vec3 op = to_vec(dBodyGetPosition(frame));
    Vec3 ov = to_vec(dBodyGetLinearVel(frame));
    Vec3 od = travel_direction(ov);
    GroundBox theirs = ground_box(op, od, length(ov));
    if (!boxes_cross(mine, theirs) && !inside_box(mine, op)) continue;
    Vec3 me = b.pilot_frame.position;
    if (!(dot(op - me, d) < dot(me - op, od))) continue;
    double dist = length(op - me);
    if (threat < 0 || dist < nearest) {
      threat = other;
      nearest = dist;
    }
  }
  return threat;
}

// `avoid_speed`: the target speed that keeps behind a bike ahead.
double avoid_speed(const PilotSession& s, LineRecorder& recorder, const BikeView& b, Vec3 d,
                   double rho, double target, const Bike& other) {
  double since_drop = std::min((s.tick - s.drop_tick) * s.step, 100.0);
  double w = std::clamp((since_drop - 3) / 2, 0.0, 1.0) *
             std::clamp((120 - since_drop) * 0.01, 0.0, 1.0);
  Vec3 side{d.z, 0, -d.x};
  Vec3 centre = b.pilot_frame.position + side * rho;
  dBodyID frame = other.bodies[body_frame];
  Vec3 op = to_vec(dBodyGetPosition(frame));
  Vec3 ov = to_vec(dBodyGetLinearVel(frame));
  Vec3 radial = normalized(op - centre);
  Vec3 u = ov - radial * dot(ov, radial);
  double speed = dot(u, d) < 0 ? length(u) : 0;
  double gap = length(op - b.pilot_frame.position);
  double room = 8 * w + 12;
  if (gap < room) return std::min(target, speed * (1 - w / 4));
  if (speed < target) {
    double ts = (b.v - speed) / 5;
    double overshoot = (b.v * ts - 2.5 * ts * ts) - (speed * ts + gap);
    if (overshoot > -room) {
      double f = std::clamp((overshoot + room) / 3, 0.0, 1.0);
      // An attempt disturbed by another bike says nothing about the line.
      recorder.used_lines.fill(0);
      return target + (speed - target) * f;
    }
  }
  return target;
}

const LinePoint& clamped_point(const std::vector<LinePoint>& path, int k) {
  return path[std::clamp(k, 0, static_cast<int>(path.size()) - 1)];
}

Vec3 point_at(const std::vector<LinePoint>& path, double index) {
  int j = static_cast<int>(std::floor(index));
  double u = index - j;
  Vec3 a = point_position(clamped_point(path, j));
  Vec3 b = point_position(clamped_point(path, j + 1));
  return a + (b - a) * u;
}

// First index k in [i, min(i + 20, n) - 1] with two airborne samples in a
// row, or -1.
int jump_ahead(const std::vector<LinePoint>& path, int i, int window) {
  int n = static_cast<int>(path.size());
  for (int k = std::max(i, 0); k < std::min(i + window, n) - 1; ++k)
    if (path[k].speed < 0 && path[k + 1].speed < 0) return k;
  return -1;
}

double steer_base(const Bike& bike) { return steer_controller(bike, front_wheel_heading(bike)); }

void drive(AutoPilot& pilot, const PilotSession& s, int slot, const BikeView& b,
           RiderInput& in) {
  Bike& bike = *b.bike;
  const auto& path = pilot.path;
  if ((s.tick - pilot.last_progress) * s.step > 3) {
    pilot.recovery = 3;
    return;
  }
  in.dab = 0;
  pilot.progress = path_progress(pilot, b.pilot_frame);
  int i = static_cast<int>(pilot.progress);
  double frac = pilot.progress - i;
  double v = b.v;
  double target = std::fabs(clamped_point(path, i).speed) +
                  (std::fabs(clamped_point(path, i + 1).speed) - std::fabs(clamped_point(path, i).speed)) * frac;

  Vec3 here = b.pilot_frame.position;
  int jump = jump_ahead(path, i, 20);
  double to_jump = 1000000;
  if (jump >= 0) {
    double dist = length(point_position(clamped_point(path, i)) - here);
    to_jump = (jump - i) * 0.25 + (v > 0 ? dist / v : 1000000);
  }

  Vec3 d = travel_direction(b.velocity);
  Vec3 side{d.z, 0, -d.x};
  double lean = roll_angle(b.frame);
  double roll_rate = dot(to_vec(dBodyGetAngularVel(b.frame)), b.z_axis);
  double weight = 32 * bike.total_mass;
  double load_ratio = weight > 0 ? (bike.front_contact.feedback.f1[1] + bike.rear_contact.feedback.f1[1]) / weight : 0;
  double load = std::max(load_ratio - 1, 1.0);
  double tan_lean = std::tan(lean);
  double rho = std::fabs(tan_lean) > 1e-9 ? -v * v / (32 * load * tan_lean) : (tan_lean < 0 ? 1e6 : -1e6);
  if (!std::isfinite(rho)) rho = 1e6;
  double roll_limit = kPi / load;
  double gain = 4;

  int threat = find_threat(s, slot, b, d);
  if (threat >= 0 && slot < static_cast<int>(s.progress.size()))
    target = avoid_speed(s, s.progress[slot], b, d, rho, target, *s.bikes[threat]);

  Vec3 aim;
  const LineRecorder* recorder = slot < static_cast<int>(s.progress.size()) ? &s.progress[slot] : nullptr;
  if (!recorder || recorder->next_gate < 1) {
    aim = point_at(path, pilot.progress + 4);
  } else {
    int n_cone = 0;
    for (int k = i + 1; k <= i + 6 && k < static_cast<int>(path.size()); ++k) {
      Vec3 rel = point_position(path[k]) - here;
      double ahead = -dot(rel, d);
      if (ahead > 0 && std::fabs(dot(rel, side)) <= ahead / 8) ++n_cone;
    }
    double w = std::clamp((20.0 - n_cone) / 17, 0.0, 1.0);
    gain = 4 * w;
    roll_limit *= w;
    if (to_jump < 2) {
      double z = std::clamp((2 - to_jump) * 2, 0.0, 1.0);
      Vec3 base = point_position(clamped_point(path, i + 3));
      Vec3 line_up = here + point_position(clamped_point(path, jump + 3)) -
                     point_position(clamped_point(path, jump));
      aim = base + (line_up - base) * z;
    } else if (n_cone > 4 && std::fabs(lean) < kPi / 8) {
      aim = point_at(path, pilot.progress + 3);
    } else {
      aim = point_at(path, pilot.progress + 2);
    }
  }

  Vec3 rel = aim - here;
  double r = radius_to_target(dot(rel, side), -dot(rel, d), rho);
  double want = desired_lean(v, r, load);

  // Friction limit along the next points and just ahead of the front wheel.
  bool limited = false;
  Vec3 front = to_vec(dBodyGetPosition(bike.bodies[body_front_wheel]));
  Vec3 front_v = to_vec(dBodyGetLinearVel(bike.bodies[body_front_wheel]));
  for (int k = 4; k >= -1; --k) {
    Vec3 at = k >= 0 ? point_position(clamped_point(path, i + k)) : front + front_v * 0.25;
    Vec3 n = terrain_normal(s.terrain, at.x, at.z);
    double sigma = std::atan2(dot(n, b.x_axis), dot(n, b.y_axis));
    double bank = lean - sigma;
    double m = std::min(std::atan(terrain_friction(s.terrain, at.x, at.z)), 1.1780972);
    double clamped = std::clamp(want, bank - m, bank + m);
    if (clamped != want) limited = true;
    want = clamped;
  }
  if (limited) {
    target = std::min(target, std::sqrt(std::tan(std::fabs(want)) * load * std::fabs(r) * 32));
    pilot.speed_limited_tick = s.tick;
  }

  double scale = 1;
  bool front_down = bike.front_contact.depth > 0;
  const Vec3f& pv = bike.front_contact.point_velocity;
  double slip = front_down ? std::sqrt(double(pv.x) * pv.x + double(pv.y) * pv.y + double(pv.z) * pv.z) : 0;
  if (front_down) scale = std::clamp((16 - slip) / 16, 0.0, 1.0);
  if (v < 7.5) {
    want = 0;
    scale = 1;
  } else if (v < 10) {
    double e = (v - 7.5) * 0.4;
    want *= e;
    scale = 1 - (1 - scale) * e;
  }

  if (to_jump < 3) {
    double f = std::clamp((3 - to_jump) / 2, 0.0, 1.0);
    scale += (1 - scale) * f;
    target += (std::max(v, std::fabs(clamped_point(path, i).speed) + 2.0) - target) * f;
    double max_lean = kPi / 2 - 1.3744469 * f;
    want = std::clamp(want, -max_lean, max_lean);
    double g = std::clamp((3 - to_jump) / 3, 0.0, 1.0);
    roll_limit += (kPi / 8 - roll_limit) * g;
  }

  double e = (want - lean) * gain;
  if ((lean >= 0 && e < 0) || (lean < 0 && e >= 0)) roll_limit *= 2;
  double q = std::clamp(e, -roll_limit, roll_limit);
  double excess = std::clamp(q - roll_rate, -0.125, 0.125);
  double base = steer_base(bike);
  double steer = base;
  if (front_down)
    steer = base + ((roll_rate - (q - excess)) * 4 - base) * std::clamp((4 - slip) / 4, 0.0, 1.0);
  in.steer = static_cast<float>(std::clamp(steer, -1.0, 1.0));

  speed_control(b, target, in);

  bool recently_limited = (s.tick - pilot.speed_limited_tick) * s.step < 0.125;
  double throttle = limit_throttle(scale * in.throttle, pilot.last_throttle, recently_limited);
  pilot.last_throttle = static_cast<float>(throttle);
  in.throttle = b.crashed ? 0 : static_cast<float>(throttle);
}

void recover(AutoPilot& pilot, const PilotSession& s, const BikeView& b, RiderInput& in) {
  Bike& bike = *b.bike;
  auto& path = pilot.path;
  int n = static_cast<int>(path.size());
  if ((s.tick - pilot.last_progress) * s.step > 40) {
    pilot.recovery = 3;
    pilot.path_pos = s.tick % n;
    pilot.last_progress = s.tick;
  }
  const LinePoint& p = clamped_point(path, pilot.path_pos);
  pilot.progress = path_progress(pilot, b.pilot_frame);
  int i = static_cast<int>(pilot.progress);
  int jump = jump_ahead(path, i, 20);
  double v = b.v;
  double lean = roll_angle(b.frame);
  double roll_rate = dot(to_vec(dBodyGetAngularVel(b.frame)), b.z_axis);

  if ((s.tick - pilot.last_progress) * s.step <= 19) {
    in.dab = 0;
    double max_lean = recovery_max_lean(v);
    if (v < 10) in.dab = 1;
    double target = (v < 10 && std::fabs(lean) > 1.0 / 6) ? 5 : 15;
    Vec3 rel = point_position(p) - b.pilot_frame.position;
    double x = dot(rel, b.x_axis), z = dot(rel, b.z_axis);
    double want;
    if (std::fabs(x) <= -z)
      want = std::clamp(0.5 * x / z, -max_lean, max_lean);
    else
      want = x >= 0 ? -max_lean : max_lean;
    if (-z < 4 * std::fabs(x) || (jump >= i && jump <= i + 8 && jump >= 0)) pilot.recovery = 3;
    in.steer = static_cast<float>(
        std::clamp(2 * (roll_rate - std::clamp(4 * (want - lean), -4.0, 4.0)), -1.0, 1.0));
    speed_control(b, target, in);
    if (b.crashed) in.dab = 0;
    return;
  }

  // Pushed toward the point at walking pace, held upright.
  dBodyID wheel = bike.bodies[body_front_wheel];
  Vec3 wheel_pos = to_vec(dBodyGetPosition(wheel));
  Vec3 toward = point_position(p) - wheel_pos;
  toward.y = 0;
  Vec3 wanted = normalized(toward) * 5;
  Vec3 err = to_vec(dBodyGetLinearVel(wheel)) - wanted;
  double e = length(err);
  if (e >= 0.25) {
    Vec3 force = err / -e * (2000 * std::clamp((e - 0.25) * 0.8, 0.0, 1.0));
    dBodyAddForce(wheel, force.x, 0, force.z);
  }
  dBodyAddForce(b.frame, 0, 16 * bike.total_mass, 0);
  dJointID head = bike.joints[joint_steering_head];
  double angle = head ? dJointGetHingeAngle(head) + dJointGetHingeAngleRate(head) : 0;
  in.steer = static_cast<float>(std::clamp(-angle * 0.25, -1.0, 1.0));
  in.throttle = 0;
  in.clutch = 0;
  in.front_brake = in.rear_brake = 0;
  in.dab = b.crashed ? 0 : 1;
}

// The plan type for the next pick: the far type while leading by more
// than the personality's threshold.
int plan_type(const PilotSession& s, int slot, const RobotPersonality& who) {
  double lead = 0;
  if (s.standings.size() > 1 && s.standings[0].slot == slot) {
    int second = s.standings[1].slot;
    if (second >= 0 && second < static_cast<int>(s.progress.size()) &&
        slot < static_cast<int>(s.progress.size())) {
      const LineRecorder& other = s.progress[second];
      int g = other.next_gate - 1;
      std::int32_t mine = crossing_tick(s.progress[slot], g);
      std::int32_t theirs = crossing_tick(other, g);
      if (mine >= 1 && theirs >= 1 && theirs > mine) lead = (theirs - mine) * s.step;
    }
  }
  return lead <= who.lead_threshold ? who.close_plan : who.far_plan;
}

}  // namespace

void auto_pilot(const PilotSession& s, int slot) {
  if (slot < 0 || slot >= max_bikes || slot >= static_cast<int>(s.bikes.size())) return;
  AutoPilot& pilot = auto_pilots[slot];
  Bike* bike_ptr = s.bikes[slot];
  if (pilot.personality <= 0 || pilot.personality >= kPersonalityCount || !bike_ptr) return;
  Bike& bike = *bike_ptr;
  BikeView b = view_bike(bike);

  bike.flags |= flag_stop_wheelies_rear | flag_stop_wheelies_front | flag_front_antilock |
                flag_rear_antilock | flag_auto_shift;

  advance_path(pilot, b.pilot_frame, s.tick);

  LineRecorder* recorder = slot < static_cast<int>(s.progress.size()) ? &s.progress[slot] : nullptr;
  if (recorder && s.store && store_segments(*s.store) > 0 && !recorder->finished &&
      pilot.path_pos >= static_cast<int>(pilot.path.size()) - 10) {
    PickContext context{s.tick, s.tick * s.step,
                        plan_type(s, slot, robot_personalities[pilot.personality])};
    pick_next_line(pilot, *recorder, *s.store, b.pilot_frame, context);
  }

  RiderInput in;
  if (pilot.path_pos >= static_cast<int>(pilot.path.size())) {
    in.throttle = 0;
    in.clutch = 0;
    in.front_brake = in.rear_brake = 1;
    in.steer = 0;
    in.dab = 1;
  } else if (!gate_start(pilot, bike, s, b.crashed, in)) {
    if (pilot.recovery == 0) drive(pilot, s, slot, b, in);
    if (pilot.recovery != 0) recover(pilot, s, b, in);
  }
  set_rider_input(bike, in);
}

void auto_pilot(GameState& game, int slot) {
  PilotSession s;
  s.tick = game.tick;
  s.drop_tick = game.drop_tick;
  s.step = game.step;
  s.store = &line_store;
  s.terrain = &game_track.terrain;
  s.bikes = game.bikes;
  s.progress = game.progress;
  s.standings = std::span<const StandingEntry>(game.standings.data(),
                                               std::clamp(game.standing_count, 0, max_bikes));
  auto_pilot(s, slot);
}

void start_robot(int slot, std::string_view personality, bool practice) {
  if (slot < 0 || slot >= max_bikes) return;
  AutoPilot& pilot = auto_pilots[slot];
  reset_auto_pilot(pilot);
  set_personality(pilot, practice ? std::string_view("tester") : personality);
}

std::span<LinePoint> robot_path(GameState&, int slot, double* progress) {
  if (slot < 0 || slot >= max_bikes) return {};
  AutoPilot& pilot = auto_pilots[slot];
  if (progress) *progress = pilot.progress;
  return pilot.path;
}
