#pragma once
// The line recorder over a simulated bike: reads the bike's bodies and
// contacts into a RecordedBike and runs record_lines for it.
//
// Race control keeps one LineRecorder per lineup slot beside the Bike and
// calls record_bike_lines once per tick for each bike after its control
// step (for every bike offline, only the local bike online).

#include <span>

#include "robots/line_recorder.h"

struct Bike;

// What the recorder reads of `bike`: frame body position and velocity,
// front wheel body position, whether either tyre's contact depth is above
// 0, and the frame's roll angle. Not a robot, no path.
RecordedBike recorded_bike(const Bike& bike);

// record_lines for a bike. The contact and crash code mark a mishap in
// bike.mishap; it is taken over here (a recorder without a pending mishap
// gets mishap 1) and bike.mishap is cleared, so every touch reaches the
// recorder exactly once. `robot` says whether the bike has a robot
// personality; `path` and `progress` are the robot's path and its
// progress along it (empty and 0 for other bikes).
void record_bike_lines(LineStore& store, LineRecorder& recorder, Bike& bike, bool robot,
                       std::span<LinePoint> path, double progress, const RecordedRace& race);
