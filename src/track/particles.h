#pragma once
// The roost particle pool: 2000 preallocated slots the roost emitter fills
// and the renderer moves and draws. Particle k always shows through
// billboard slot k. Only plain data lives here; movement, erosion and
// drawing belong to the renderer.
//
// Lifetime: reset at every track load; slots are reused, never allocated.

#include <array>
#include <cstdint>

#include "base/vec3.h"
#include "track/surfaces.h"

inline constexpr int kRoostParticles = 2000;

struct RoostParticle {
  Vec3 position;            // feet
  Vec3 velocity;            // ft/s
  std::uint8_t amount = 0;  // min(dig amount, 0.25) * 1020, clamped to 0..255
  RoostType type;           // copied, so a particle outlives any surface table change
  bool active = false;
  int next = -1;  // next slot in the free or active list, -1 ends it
};

struct RoostParticlePool {
  std::array<RoostParticle, kRoostParticles> slots;
  int free_head = -1;    // first free slot
  int active_head = -1;  // most recently spawned live slot
  int active_count = 0;
};

extern RoostParticlePool roost_particles;

// Empties the pool: every slot free and inactive, in slot order.
void reset_roost_particles(RoostParticlePool& pool);

// Takes a free slot for a new particle and puts it at the head of the
// active list, then tells the renderer (track_hooks.roost_spawned) so it
// can set the slot's billboard and erode the ground. Returns the slot index, or -1 when the pool is
// full (the particle is dropped and nothing else changes).
int spawn_roost(RoostParticlePool& pool, Vec3 position, Vec3 velocity, double amount,
                const RoostType& type);

// Returns an active slot to the free list (a particle that landed).
// `previous` is the slot before it in the active list, or -1 at the head.
void retire_roost(RoostParticlePool& pool, int slot, int previous);
