#include "track/particles.h"

#include <algorithm>

#include "track/track.h"

RoostParticlePool roost_particles;

void reset_roost_particles(RoostParticlePool& pool) {
  for (int k = 0; k < kRoostParticles; ++k) {
    pool.slots[k] = RoostParticle{};
    pool.slots[k].next = k + 1 < kRoostParticles ? k + 1 : -1;
  }
  pool.free_head = 0;
  pool.active_head = -1;
  pool.active_count = 0;
}

int spawn_roost(RoostParticlePool& pool, Vec3 position, Vec3 velocity, double amount,
                const RoostType& type) {
  int slot = pool.free_head;
  if (slot < 0) return -1;
  RoostParticle& p = pool.slots[slot];
  pool.free_head = p.next;
  p.position = position;
  p.velocity = velocity;
  // NaN fails both comparisons of the clamp's bounds and becomes 0.
  double scaled = std::min(amount, 0.25) * 1020;
  p.amount = scaled > 0 ? static_cast<std::uint8_t>(std::min(scaled, 255.0)) : 0;
  p.type = type;
  p.active = true;
  p.next = pool.active_head;
  pool.active_head = slot;
  ++pool.active_count;
  if (track_hooks.roost_spawned) track_hooks.roost_spawned(slot);
  return slot;
}

void retire_roost(RoostParticlePool& pool, int slot, int previous) {
  RoostParticle& p = pool.slots[slot];
  if (previous < 0)
    pool.active_head = p.next;
  else
    pool.slots[previous].next = p.next;
  p.active = false;
  p.next = pool.free_head;
  pool.free_head = slot;
  --pool.active_count;
}
