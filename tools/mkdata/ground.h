#pragma once
// The field's own ground, before any track is laid on it: rolling grass
// for outdoor tracks, a flat floor inside raised walls for an arena.

#include "track_desc.h"

namespace mkdata {

// Height in feet of the untouched field at (x, z).
double field_height(const TrackDesc& desc, double x, double z);

}  // namespace mkdata
