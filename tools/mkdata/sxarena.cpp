// "sxarena": a tight supercross-style track on the flat floor of an arena
// walled in by steep banks of dirt. Short straights stacked close together,
// tight bermed hairpins, two tabletops, a rhythm lane and whoops.

#include "track_desc.h"

namespace mkdata {

TrackDesc sxarena_desc() {
  TrackDesc d;
  d.folder = "sxarena";
  d.title = "SX Arena";
  d.shift = 8;  // 513 x 513 samples, one foot apart
  d.spacing = 1;
  d.base_height = 4;
  d.roll_amplitude = 0;
  d.wall_height = 14;
  d.wall_x0 = 55, d.wall_z0 = 85, d.wall_x1 = 457, d.wall_z1 = 430;
  d.bank_height = 1.5;  // tuff blocks along the lanes
  d.bank_width = 4;
  d.shoulder = 6;
  d.start_offset = 75;
  d.start_slots = 40;
  d.start_pitch = 2.6;
  d.gate_spacing = 110;
  d.sun_azimuth_deg = 60;
  d.sun_elevation_deg = 55;
  d.points = {
      // Start straight along the bottom, heading +x.
      {115, 370, 32, 0, kHardpack},   // 0
      {190, 370, 106, 0, kHardpack},  // 1 the starting gate
      {265, 370, 60, 0, kHardpack},   // 2
      {330, 370, 28, 0, kHardpack},   // 3
      // Hairpin left, up the right end.
      {405, 350, 28, 32, kHardpack},  // 4
      {405, 310, 28, 32, kHardpack},  // 5
      {350, 290, 26, 0, kLoam},       // 6
      // Lane 2, heading -x: a long tabletop.
      {250, 290, 26, 0, kLoam},  // 7
      {190, 290, 26, 0, kLoam},  // 8
      // Hairpin right at the left end.
      {140, 270, 28, 32, kLoam},  // 9
      {140, 235, 28, 32, kLoam},  // 10
      {190, 215, 26, 0, kLoam},   // 11
      // Lane 3, heading +x: whoops, then a tabletop.
      {290, 215, 26, 0, kLoam},  // 12
      {350, 215, 26, 0, kLoam},  // 13
      // Hairpin left at the right end.
      {402, 197, 28, 32, kLoam},  // 14
      {402, 158, 28, 32, kLoam},  // 15
      {350, 140, 26, 0, kLoam},   // 16
      // Lane 4, heading -x: a rhythm row.
      {230, 140, 26, 0, kLoam},  // 17
      {150, 140, 26, 0, kLoam},  // 18
      // Left turn down the left side, then left onto the start straight.
      {95, 162, 28, 28, kLoam},      // 19
      {80, 230, 26, 0, kLoam},       // 20
      {80, 300, 26, 0, kLoam},       // 21
      {90, 352, 28, 28, kHardpack},  // 22
  };
  // Each lane gives the bike room to straighten out of the hairpin before
  // its first lip and to settle after its last landing: a bike still
  // turning at the lip rolls in the air and lands crossed up. The rhythm
  // humps are a foot high with long backs and the whoops short and low,
  // ending well before the lane's tabletop: higher ones pitched bikes in
  // a pack over the bars.
  d.features = {
      {FeatureKind::kTabletop, 6, 70, 4.5, 30, 36, 0, 16},
      {FeatureKind::kWhoops, 11, 30, 0.8, 0, 0, 0, 0, 7, 8},
      {FeatureKind::kTabletop, 12, 45, 3, 26, 14, 0, 18},
      {FeatureKind::kRhythm, 16, 60, 1.0, 26, 0, 0, 12, 4, 16},
  };
  return d;
}

}  // namespace mkdata
