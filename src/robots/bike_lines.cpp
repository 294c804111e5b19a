#include "robots/bike_lines.h"

#include "sim/bike.h"
#include "sim/terrain_contacts.h"

namespace {

Vec3 body_position(dBodyID body) {
  const dReal* p = dBodyGetPosition(body);
  return {p[0], p[1], p[2]};
}

Vec3 body_velocity(dBodyID body) {
  const dReal* v = dBodyGetLinearVel(body);
  return {v[0], v[1], v[2]};
}

}  // namespace

RecordedBike recorded_bike(const Bike& bike) {
  RecordedBike recorded;
  recorded.frame_position = body_position(bike.bodies[body_frame]);
  recorded.frame_velocity = body_velocity(bike.bodies[body_frame]);
  recorded.front_wheel_position = body_position(bike.bodies[body_front_wheel]);
  recorded.wheel_on_ground = bike.front_contact.depth > 0 || bike.rear_contact.depth > 0;
  recorded.lean = frame_roll_angle(bike);
  return recorded;
}

void record_bike_lines(LineStore& store, LineRecorder& recorder, Bike& bike, bool robot,
                       std::span<LinePoint> path, double progress, const RecordedRace& race) {
  if (bike.mishap != 0 && recorder.mishap == 0) recorder.mishap = 1;
  bike.mishap = 0;
  RecordedBike recorded = recorded_bike(bike);
  recorded.robot = robot;
  recorded.path = path;
  recorded.progress = progress;
  record_lines(store, recorder, recorded, race);
}
