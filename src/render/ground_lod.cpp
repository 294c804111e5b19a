#include "render/ground_lod.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

// Offsets, in child-level nodes from a node's first child, of the eight
// nodes around its 2 x 2 children.
constexpr std::array<std::array<int, 2>, 8> kAround = {
    {{0, -1}, {1, -1}, {2, 0}, {2, 1}, {1, 2}, {0, 2}, {-1, 1}, {-1, 0}}};

constexpr double kHalfDiagonal = 0.70710678;
constexpr double kNeighbourReach = 3.1622777 * 0.50048828125;

int half_size(const GroundLod& lod, int level) { return (lod.size - 1) >> (level + 1); }

float height(const GroundLod& lod, int i, int j) {
  return lod.field->heights[static_cast<std::size_t>(i) + static_cast<std::size_t>(lod.size) * j];
}

// Largest gap between the samples of a node and its two triangles over the
// four corners; the split diagonal alternates with the node's parity.
// `cost` gets the work units spent.
double node_error(const GroundLod& lod, int level, int x, int y, long* cost) {
  const int n = 2 * half_size(lod, level);
  const int i0 = x * n, j0 = y * n;
  const double h00 = height(lod, i0, j0), h10 = height(lod, i0 + n, j0);
  const double h01 = height(lod, i0, j0 + n), h11 = height(lod, i0 + n, j0 + n);
  const bool main_diagonal = (x & 1) == (y & 1);
  double error = 0;
  for (int j = 0; j <= n; ++j) {
    const double v = static_cast<double>(j) / n;
    for (int i = 0; i <= n; ++i) {
      const double u = static_cast<double>(i) / n;
      double approx;
      if (main_diagonal) {
        approx = u >= v ? h00 + u * (h10 - h00) + v * (h11 - h10)
                        : h00 + v * (h01 - h00) + u * (h11 - h01);
      } else {
        approx = u + v <= 1 ? h00 + u * (h10 - h00) + v * (h01 - h00)
                            : h11 + (1 - u) * (h01 - h11) + (1 - v) * (h10 - h11);
      }
      error = std::max(error, std::fabs(height(lod, i0 + i, j0 + j) - approx));
    }
  }
  *cost = static_cast<long>(n + 1) * (10 + n + 1);
  return error;
}

float node_distance(const GroundLod& lod, int level, int x, int y, long* cost) {
  const double extent = static_cast<double>(lod.size - 1) * lod.field->spacing;
  const double side = extent / static_cast<double>(1L << level);
  const double error = node_error(lod, level, x, y, cost);
  const double k = error / lod.detail + side * kHalfDiagonal;
  double best = k * k;
  if (level == lod.levels) return static_cast<float>(best);

  const int finer = level + 1;
  const int count = 1 << finer;
  double around = 0;
  for (auto [dx, dy] : kAround) {
    int cx = 2 * x + dx, cy = 2 * y + dy;
    if (cx < 0 || cy < 0 || cx >= count || cy >= count) continue;
    around = std::max(around, static_cast<double>(lod.pending[node_index(finer, cx, cy)]));
  }
  const double p = std::sqrt(around) + side * kNeighbourReach;
  best = std::max(best, p * p);
  for (int c = 0; c < 4; ++c)
    best = std::max(best, static_cast<double>(
                              lod.pending[node_index(finer, 2 * x + (c & 1), 2 * y + (c >> 1))]));
  return static_cast<float>(best);
}

bool marked(const GroundLod& lod, int level, int x, int y) {
  const int count = 1 << level;
  if (x < 0 || y < 0 || x >= count || y >= count) return false;
  return lod.marks[node_index(level, x, y)] != 0;
}

bool outside(int level, int x, int y) {
  const int count = 1 << level;
  return x < 0 || y < 0 || x >= count || y >= count;
}

void mark(GroundLod& lod, int level, int x, int y) { lod.marks[node_index(level, x, y)] = 1; }

void mark_by_distance(GroundLod& lod, Vec3 eye, int level, int x, int y) {
  const int h = half_size(lod, level);
  const double s = lod.field->spacing;
  const double dx = (2 * x + 1) * h * s - eye.x, dz = (2 * y + 1) * h * s - eye.z;
  if (dx * dx + dz * dz >= lod.distances[node_index(level, x, y)]) return;
  mark(lod, level, x, y);
  if (level == lod.levels) return;
  for (int c = 0; c < 4; ++c)
    mark_by_distance(lod, eye, level + 1, 2 * x + (c & 1), 2 * y + (c >> 1));
}

// Node windows per level: [lo, hi) in x and in z.
struct Window {
  int x0, x1, z0, z1;
};

// One axis of a level's window: 4 nodes from the first, widened where the
// finer window's edge falls on this one's, cut to the grid.
void window_axis(int cell, int j, int count, int finer_lo, int finer_hi, bool has_finer, int* lo,
                 int* hi) {
  int first = ((cell - (1 << j)) >> (j + 1)) - 1;
  first = std::clamp(first, 0, std::max(0, count - 4));
  int last = first + 4;
  if (has_finer && finer_lo == 2 * first) --first;
  if (has_finer && finer_hi == 2 * last) ++last;
  *lo = std::max(first, 0);
  *hi = std::min(last, count);
}

// Ring points of a node's eight-sector fan, in the order that faces up:
// corner (-,-), left midpoint, corner (-,+), top midpoint, corner (+,+),
// right midpoint, corner (+,-), bottom midpoint.
constexpr std::array<std::array<int, 2>, 8> kRing = {
    {{-1, -1}, {-1, 0}, {-1, 1}, {0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}}};

// The child quadrant (dx + 2 dy) of each sector (between ring points s
// and s + 1).
constexpr std::array<int, 8> kSectorChild = {0, 2, 2, 3, 3, 1, 1, 0};

struct FanBuilder {
  const GroundLod& lod;
  Vec3 eye, forward;
  GroundFans& out;

  bool culled(int level, int x, int y) const {
    const double s = lod.field->spacing;
    const int n = 2 * half_size(lod, level);
    const double cx = (forward.x >= 0 ? (x + 1) * n : x * n) * s;
    const double cz = (forward.z >= 0 ? (y + 1) * n : y * n) * s;
    const double cy = forward.y >= 0 ? lod.field->max_height : lod.field->min_height;
    return (cx - eye.x) * forward.x + (cy - eye.y) * forward.y + (cz - eye.z) * forward.z < 0;
  }

  // A ring midpoint is a vertex when the neighbour across its edge, on the
  // node's own level, is outside the field or subdivided.
  bool midpoint_present(int level, int x, int y, int ring) const {
    auto [dx, dy] = kRing[static_cast<std::size_t>(ring)];
    int nx = x + dx, ny = y + dy;
    return outside(level, nx, ny) || marked(lod, level, nx, ny);
  }

  void vertex(int i, int j) {
    out.vertices.push_back(i);
    out.vertices.push_back(j);
  }

  // One fan over ring points first..last (indices may run past 7), the
  // first and last always emitted.
  void fan(int level, int x, int y, int first, int last) {
    const int h = half_size(lod, level);
    const int ci = (2 * x + 1) * h, cj = (2 * y + 1) * h;
    GroundFan f{level, x, y, static_cast<int>(out.vertices.size() / 2), 0};
    vertex(ci, cj);
    for (int k = first; k <= last; ++k) {
      int ring = k & 7;
      bool is_mid = ring & 1;
      if (is_mid && k != first && k != last && !midpoint_present(level, x, y, ring)) continue;
      auto [dx, dy] = kRing[static_cast<std::size_t>(ring)];
      vertex(ci + dx * h, cj + dy * h);
    }
    f.count = static_cast<int>(out.vertices.size() / 2) - f.first;
    out.fans.push_back(f);
  }

  void node(int level, int x, int y) {
    if (culled(level, x, y)) return;
    std::array<bool, 4> child_marked{};
    if (level < lod.levels)
      for (int c = 0; c < 4; ++c)
        child_marked[static_cast<std::size_t>(c)] =
            marked(lod, level + 1, 2 * x + (c & 1), 2 * y + (c >> 1));

    std::array<bool, 8> drawn{};
    bool any_drawn = false, all_drawn = true;
    for (int s = 0; s < 8; ++s) {
      drawn[static_cast<std::size_t>(s)] =
          !child_marked[static_cast<std::size_t>(kSectorChild[static_cast<std::size_t>(s)])];
      any_drawn = any_drawn || drawn[static_cast<std::size_t>(s)];
      all_drawn = all_drawn && drawn[static_cast<std::size_t>(s)];
    }
    if (all_drawn) {
      fan(level, x, y, 0, 8);
    } else if (any_drawn) {
      // Each run of drawn sectors, starting where the previous one is not.
      for (int s = 0; s < 8; ++s) {
        if (!drawn[static_cast<std::size_t>(s)] || drawn[static_cast<std::size_t>((s + 7) & 7)])
          continue;
        int end = s;
        while (drawn[static_cast<std::size_t>((end + 1) & 7)]) ++end;
        fan(level, x, y, s, end + 1);
      }
    }
    if (level == lod.levels) return;

    // Nearest child first: the eye's quadrant, its two neighbours, then the
    // opposite one.
    const int h = half_size(lod, level);
    const double s = lod.field->spacing;
    int qx = eye.x >= (2 * x + 1) * h * s ? 1 : 0;
    int qy = eye.z >= (2 * y + 1) * h * s ? 1 : 0;
    const std::array<int, 4> order = {qx + 2 * qy, (1 - qx) + 2 * qy, qx + 2 * (1 - qy),
                                      (1 - qx) + 2 * (1 - qy)};
    for (int c : order)
      if (child_marked[static_cast<std::size_t>(c)])
        node(level + 1, 2 * x + (c & 1), 2 * y + (c >> 1));
  }
};

}  // namespace

void ground_lod_init(GroundLod& lod, const HeightField& field, float detail) {
  lod = GroundLod{};
  lod.field = &field;
  lod.levels = field.shift;
  lod.size = field.size;
  lod.detail = detail > 0 ? detail : 0.0025f;
  const long nodes = node_index(lod.levels + 1, 0, 0);
  lod.distances.assign(static_cast<std::size_t>(nodes), 0.0f);
  lod.marks.assign(static_cast<std::size_t>(nodes), 0);
  ground_compute_distances(lod, std::numeric_limits<long>::max());
}

bool ground_compute_distances(GroundLod& lod, long budget) {
  if (!lod.field || lod.size < 3) return true;
  if (lod.next_level < 0) {
    lod.pending.assign(lod.distances.size(), 0.0f);
    lod.next_level = lod.levels;
    lod.next_node = 0;
  }
  for (; lod.next_level >= 0; --lod.next_level, lod.next_node = 0) {
    const int level = lod.next_level;
    const long count = 1L << (2 * level);
    const int side = 1 << level;
    for (; lod.next_node < count;) {
      const int x = static_cast<int>(lod.next_node % side),
                y = static_cast<int>(lod.next_node / side);
      long cost = 0;
      lod.pending[node_index(level, x, y)] = node_distance(lod, level, x, y, &cost);
      ++lod.next_node;
      budget -= cost;
      if (budget < 0 && !(lod.next_node == count && level == 0)) return false;
    }
  }
  lod.distances.swap(lod.pending);
  lod.next_level = -1;
  return true;
}

void ground_mark_nodes(GroundLod& lod, Vec3 eye) {
  if (lod.marks.empty()) return;
  std::fill(lod.marks.begin(), lod.marks.end(), 0);
  const int m = lod.levels;
  // Levels 0..M-6 and the first node of level M-5 are always subdivided
  // (at least the root on small fields).
  const long always = m >= 5 ? node_index(m - 5, 0, 0) + 1 : 1;
  std::fill(lod.marks.begin(),
            lod.marks.begin() + std::min<long>(always, static_cast<long>(lod.marks.size())), 1);

  const double s = lod.field->spacing;
  const int cx = static_cast<int>(std::floor(eye.x / s));
  const int cz = static_cast<int>(std::floor(eye.z / s));
  Window finer{};
  for (int level = m; level >= 1; --level) {
    const int j = m - level, count = 1 << level;
    Window w{};
    bool has_finer = level < m;
    window_axis(cx, j, count, finer.x0, finer.x1, has_finer, &w.x0, &w.x1);
    window_axis(cz, j, count, finer.z0, finer.z1, has_finer, &w.z0, &w.z1);
    for (int y = w.z0; y < w.z1; ++y)
      for (int x = w.x0; x < w.x1; ++x) mark(lod, level, x, y);
    finer = w;
  }
  mark_by_distance(lod, eye, 0, 0, 0);
  mark(lod, 0, 0, 0);
}

void ground_build_fans(const GroundLod& lod, Vec3 eye, Vec3 forward, GroundFans& out) {
  out.fans.clear();
  out.vertices.clear();
  if (lod.marks.empty()) return;
  FanBuilder builder{lod, eye, forward, out};
  builder.node(0, 0, 0);
}
