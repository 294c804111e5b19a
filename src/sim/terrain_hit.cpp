#include "sim/terrain_hit.h"

Vec3 clean_terrain_normal(Vec3 normal) {
  if (!(std::isfinite(normal.x) && std::isfinite(normal.y) && std::isfinite(normal.z)))
    return {0, 1, 0};
  if (normal.y < 0) {
    if (normal.x * normal.x + normal.z * normal.z >= 1.0 / 1024)
      normal.y = 0;
    else
      normal = {0, 1, 0};
  }
  Vec3 unit = normalized(normal);
  return dot(unit, unit) > 0 ? unit : Vec3{0, 1, 0};
}
