// "venloop": the outdoor motocross track and the game's default. A lap of
// about three quarters of a mile over rolling grass: a wide start straight
// into a bermed hairpin, four long legs joined by berms, and six jumps of
// different kinds with a rhythm section, whoops and a sand turn.

#include "track_desc.h"

namespace mkdata {

TrackDesc venloop_desc() {
  TrackDesc d;
  d.folder = "venloop";
  d.title = "Venloop";
  d.shift = 9;  // 1025 x 1025 samples, one foot apart
  d.spacing = 1;
  d.base_height = 20;
  d.roll_amplitude = 7;
  d.bank_height = 2.5;
  d.bank_width = 9;
  d.shoulder = 28;
  d.start_offset = 140;
  d.start_slots = 40;
  d.start_pitch = 3;
  d.gate_spacing = 160;
  d.sun_azimuth_deg = -40;
  d.sun_elevation_deg = 38;
  d.points = {
      // Start straight, heading -x: flaring out for the gate, then a funnel.
      {830, 900, 40, 0, kHardpack},   // 0
      {690, 900, 130, 0, kHardpack},  // 1 the starting gate
      {560, 900, 90, 0, kLoam},       // 2
      {430, 900, 38, 0, kLoam},       // 3
      {260, 900, 34, 0, kLoam},       // 4
      // Turn 1: bermed hairpin to the right, up the left side.
      {140, 865, 34, 28, kLoam},  // 5
      {105, 770, 34, 28, kLoam},  // 6
      {190, 705, 32, 0, kLoam},   // 7
      // Leg 2, heading +x: tabletop, then a rhythm section.
      {330, 700, 30, 0, kLoam},  // 8
      {420, 701, 30, 0, kLoam},  // 9
      {500, 702, 30, 0, kLoam},  // 10
      {580, 703, 30, 0, kLoam},  // 11
      // A kink right, then left into the hairpin.
      {650, 750, 32, 14, kLoam},  // 12
      // Turn: bermed hairpin to the left.
      {790, 665, 34, 30, kLoam},  // 13
      {810, 560, 34, 30, kLoam},  // 14
      {720, 500, 32, 0, kLoam},   // 15
      // Leg 3, heading -x: tabletop, then whoops on hardpack.
      {540, 500, 30, 0, kLoam},      // 16
      {380, 500, 30, 0, kHardpack},  // 17
      {250, 500, 32, 0, kLoam},      // 18
      // Turn: the sand hairpin to the right.
      {130, 465, 34, 24, kSand},  // 19
      {110, 360, 34, 24, kSand},  // 20
      {200, 300, 32, 0, kLoam},   // 21
      // Leg 4, heading +x: a tabletop, then a long one.
      {420, 300, 30, 0, kLoam},  // 22
      {720, 300, 30, 0, kLoam},  // 23
      // Right turn down the right side.
      {860, 320, 34, 22, kLoam},  // 24
      {930, 420, 32, 0, kLoam},   // 25
      // The back straight, heading +z: step-down.
      {930, 620, 30, 0, kLoam},   // 26
      {925, 780, 34, 20, kLoam},  // 27
      // Right turn onto the start straight.
      {880, 880, 36, 20, kHardpack},  // 28
  };
  // Every jump sits on a straight with room to line up before the lip
  // and to settle after the landing: a bike that is still turning or
  // leaning when it takes off lands crossed up. The rhythm humps are a
  // foot high with long backs and the whoops under a foot: higher ones
  // pitched bikes in a pack over the bars one after the other.
  d.features = {
      {FeatureKind::kTabletop, 7, 45, 6, 28, 30, 6, 13},
      {FeatureKind::kRhythm, 9, 0, 1.0, 26, 0, 0, 12, 4, 19},
      {FeatureKind::kTabletop, 15, 45, 5, 28, 34, 0, 12},
      {FeatureKind::kWhoops, 17, 0, 0.9, 0, 0, 0, 0, 12, 8},
      {FeatureKind::kTabletop, 21, 110, 4, 26, 20, 0, 13},
      {FeatureKind::kTabletop, 22, 110, 5, 28, 60, 0, 14},
      {FeatureKind::kStepDown, 25, 110, 5, 26, 28, 0, 12},
  };
  return d;
}

}  // namespace mkdata
