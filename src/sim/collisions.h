#pragma once
// Bikes against each other and against solid scenery (statues): sphere sets
// of the bodies' shapes and the tyre tori, and the collision timer that a
// bike ramming another gets.

#include <span>
#include <vector>

#include "sim/bike.h"
#include "track/scenery.h"
#include "track/terrain.h"

// `terrain_contacts`, crashing the rider when it says so, then every statue
// listed in the scenery grid's buckets under the square of +-6 ft around the
// frame: `object_contacts`; a statue that touched records `tick` as its last
// hit. `grid` and `statues` may be empty. Returns terrain_contacts' bits.
int environment_contacts(Bike& bike, const Terrain& terrain, std::vector<Statue>& statues,
                         const SceneryGrid& grid, int tick);

// The statue's shape against every part of the bike (contact joints to the
// bike's bodies only). Crashes the rider when his shape was hit at more than
// 20 ft/s while riding with a collision timer not negative. Returns whether
// anything touched.
bool object_contacts(Bike& bike, const Statue& statue);

// Bike A against bike B before the world step of tick `tick`. Restricted
// (a remote bike B): A's rear wheel, frame, swingarm and rider meet only B's
// rear wheel, frame, swingarm and rider; A's front wheel and forks meet all
// of B. When either bike already collided with a bike in this tick, no
// joints are made: forces limited to +-1000 lb push the bodies apart. Sets
// the collision timers (a front meeting the same front part: both moving
// bikes to at least 192; a front running into B: the rammer to at least
// 256) and both bikes' last collision tick. Returns whether they touched
// (the caller then clears the robot drivers' collision state).
bool bike_contacts(Bike& a, Bike& b, bool restricted, int tick);

// `bike_contacts` (not restricted) for every pair of `bikes`, in the order
// (0, 1), (0, 2), ... (1, 2), ...: the crowd's contacts of one tick. Each
// bike's bounding sphere is found once for the whole pass. No entry may be
// null.
void crowd_contacts(std::span<Bike* const> bikes, int tick);

// Part `part_a` (BikeBody) of bike a against part `part_b` of bike b (the
// same bike allowed): tyres through their tori, other parts through their
// sphere sets; joints, or forces limited to +-1000 lb in force mode.
// Returns whether they touched.
bool shape_contacts_between(Bike& a, int part_a, Bike& b, int part_b, bool force_mode);
