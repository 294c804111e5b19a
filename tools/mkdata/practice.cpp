// "practice": a flat practice field with a plain oval, four gates and a
// full starting gate across a flared start straight, for tests and first
// rides.

#include "track_desc.h"

namespace mkdata {

TrackDesc practice_desc() {
  TrackDesc d;
  d.folder = "practice";
  d.title = "Practice Field";
  d.shift = 8;  // 513 x 513 samples, one foot apart
  d.spacing = 1;
  d.base_height = 5;
  d.roll_amplitude = 0;
  d.bank_height = 1;
  d.bank_width = 6;
  d.shoulder = 15;
  d.start_offset = 110;
  // A full gate in one row, as on the other tracks: rows behind the gate
  // would start in the dirt of the row ahead.
  d.start_slots = 40;
  d.start_pitch = 3;
  d.gate_spacing = 250;
  d.sun_azimuth_deg = 30;
  d.sun_elevation_deg = 45;
  // An oval: straights along x joined by half circles of radius 80; the
  // start straight flares out for the gate.
  d.points = {
      {150, 336, 40, 0, kHardpack}, {203, 336, 80, 0, kHardpack}, {256, 336, 128, 0, kHardpack},
      {309, 336, 70, 0, kHardpack}, {362, 336, 40, 0, kHardpack}, {419, 313, 40, 0, kHardpack},
      {442, 256, 40, 0, kHardpack}, {419, 199, 40, 0, kHardpack}, {362, 176, 40, 0, kHardpack},
      {309, 176, 40, 0, kHardpack}, {256, 176, 40, 0, kHardpack}, {203, 176, 40, 0, kHardpack},
      {150, 176, 40, 0, kHardpack}, {93, 199, 40, 0, kHardpack},  {70, 256, 40, 0, kHardpack},
      {93, 313, 40, 0, kHardpack},
  };

  return d;
}

}  // namespace mkdata
