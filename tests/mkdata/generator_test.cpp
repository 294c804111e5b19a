// The generator's geometry and physics: the spline, the jump designs, the
// speed profiles of the robot lines, and the stored terrain range.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "centreline.h"
#include "lines.h"
#include "profile.h"
#include "track_build.h"

namespace {

using namespace mkdata;

constexpr double kPi = 3.14159265358979323846;

// The tracks are built once for the whole program; building takes a
// second or two.
const std::vector<BuiltTrack>& tracks() {
  static const std::vector<BuiltTrack> built = [] {
    std::vector<BuiltTrack> v;
    for (const TrackDesc& d : all_tracks()) v.push_back(build_track(d));
    return v;
  }();
  return built;
}

TEST(Centreline, CircleThroughControlPointsHasItsRadiusAndLength) {
  // Twelve points on a circle of radius 100, ridden clockwise on the map
  // (x right, z down), which turns to the rider's right.
  std::vector<ControlPoint> pts;
  for (int k = 0; k < 12; ++k) {
    double a = k * kPi / 6;
    pts.push_back({200 + 100 * std::cos(a), 200 + 100 * std::sin(a), 20, 0, kLoam});
  }
  Centreline line = build_centreline(pts);
  EXPECT_NEAR(line.length, 2 * kPi * 100, 2.0);
  double mean = 0;
  for (const CentrePoint& p : line.points) {
    EXPECT_NEAR(std::hypot(p.x - 200, p.z - 200), 100, 0.5);
    // The spline only approximates a circle; it bends a little more at
    // the control points and less between them.
    EXPECT_NEAR(p.curvature, 0.01, 0.003);
    EXPECT_NEAR(std::hypot(p.tx, p.tz), 1, 1e-9);
    mean += p.curvature / line.points.size();
  }
  EXPECT_NEAR(mean, 0.01, 0.0002);
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const CentrePoint& p = line.at(line.control_s[i]);
    EXPECT_NEAR(p.x, pts[i].x, 0.5);
    EXPECT_NEAR(p.z, pts[i].z, 0.5);
  }
}

TEST(Jumps, FacesAreSteepAndDesignedFlightsLandOnTheirTargets) {
  for (const BuiltTrack& t : tracks()) {
    for (const JumpInfo& j : t.profile.jumps) {
      SCOPED_TRACE(t.desc.folder + " jump at " + std::to_string(j.lip_s));
      if (j.kind != FeatureKind::kStepDown && j.kind != FeatureKind::kRhythm) {
        EXPECT_GE(j.face_deg, 25);
        EXPECT_LE(j.face_deg, 35);
      }
      double th = j.face_deg * kPi / 180;
      Flight f = fly(t.profile, j.lip_s, t.profile.height_at(j.lip_s),
                     j.design_speed * std::cos(th), j.design_speed * std::sin(th));
      double target = j.target_s < j.lip_s ? j.target_s + t.line.length : j.target_s;
      EXPECT_NEAR(f.land_s, target, 0.5);
      // Speeds a 250 reaches on a motocross track, and air of a second or so.
      EXPECT_GT(j.design_speed, 15);
      EXPECT_LT(j.design_speed, 75);
      EXPECT_LT(f.time, 2.0);
    }
  }
}

// A gate crossed in the air would find every robot off its line: the bike
// flies its own arc, not the one the line was drawn with.
TEST(Gates, NoCheckpointLiesOnAJump) {
  for (const BuiltTrack& t : tracks()) {
    for (const GateSpot& g : t.gates.checkpoints) {
      for (const JumpInfo& j : t.profile.jumps) {
        SCOPED_TRACE(t.desc.folder + " gate at " + std::to_string(g.s) + ", jump at " +
                     std::to_string(j.lip_s));
        double into = t.line.wrap(g.s - j.lip_s + 20);
        EXPECT_GE(into, t.line.wrap(j.target_s - j.lip_s) + 20 + 15);
      }
    }
  }
}

TEST(Lines, EverySkillReachesTheSpeedEachJumpWasBuiltFor) {
  for (const BuiltTrack& t : tracks()) {
    for (int k = 0; k < 3; ++k) {
      std::vector<double> v = centre_lip_speeds(t.line, t.profile, t.surfaces, kSkills[k]);
      for (std::size_t q = 0; q < v.size(); ++q) {
        // Novices may come up a little short and land early on the
        // landing; the others hit the design speed.
        EXPECT_GE(v[q], t.profile.jumps[q].design_speed * (k == 0 ? 0.9 : 0.99))
            << t.desc.folder << " " << kSkills[k].file << " jump " << q;
      }
    }
  }
}

TEST(Lines, SegmentsHoldRidableLinesAndExpertsAreFastest) {
  for (const BuiltTrack& t : tracks()) {
    double lap[3] = {};
    for (int k = 0; k < 3; ++k) {
      auto segs = seed_lines(t.line, t.profile, t.terrain, t.gates, t.surfaces, kSkills[k]);
      const std::size_t g = t.gates.checkpoints.size();
      ASSERT_EQ(segs.size(), 2 * g);
      EXPECT_EQ(segs[0].size(), t.gates.starts.size()) << "one first line per starting position";
      for (std::size_t s = 0; s < segs.size(); ++s) {
        ASSERT_FALSE(segs[s].empty()) << t.desc.folder << " segment " << s;
        EXPECT_LE(segs[s].size(), 45u);
        for (const SeedLine& l : segs[s]) {
          EXPECT_GT(l.rec_single, 0);
          EXPECT_GT(l.rec_double, l.rec_single);
          for (const SeedPoint& p : l.points) {
            EXPECT_LE(std::abs(p.speed), kSkills[k].top_speed + 10);
            EXPECT_LE(std::abs(p.lean), 1.3);
            // The frame rides just above the ground, or flies above it.
            double ground = t.terrain.height_at(p.x, p.z);
            if (p.speed >= 0)
              EXPECT_NEAR(p.y - ground, kFrameHeight, 0.01);
            else
              EXPECT_GT(p.y - ground, kFrameHeight - 1.0);
          }
        }
      }
      for (std::size_t s = g; s < 2 * g; ++s) lap[k] += segs[s][0].rec_single / 128.0;
    }
    EXPECT_GT(lap[0], lap[1]) << t.desc.folder;
    EXPECT_GT(lap[1], lap[2]) << t.desc.folder;
  }
}

TEST(Lines, AirborneSamplesAreStoredWithNegativeSpeed) {
  const BuiltTrack& venloop = tracks().front();
  auto segs = seed_lines(venloop.line, venloop.profile, venloop.terrain, venloop.gates,
                         venloop.surfaces, kSkills[2]);
  int airborne = 0;
  for (const auto& seg : segs)
    for (const SeedLine& l : seg)
      for (const SeedPoint& p : l.points) airborne += p.speed < 0;
  EXPECT_GT(airborne, 10);
}

TEST(Terrain, StoredRangeUsesTheFull16BitsAndReadsBackAsPrinted) {
  for (const BuiltTrack& t : tracks()) {
    auto [lo, hi] = std::minmax_element(t.terrain.raw.begin(), t.terrain.raw.end());
    EXPECT_LE(*lo, 1) << t.desc.folder;
    EXPECT_GE(*hi, 65534) << t.desc.folder;
    const std::string& hf = t.files[1].second;
    ASSERT_EQ(t.files[1].first, "terrain.hf");
    int shift = 0;
    double spacing = 0, mn = 0, mx = 0;
    ASSERT_EQ(std::sscanf(hf.c_str(), "%d %lf %lf %lf", &shift, &spacing, &mn, &mx), 4);
    EXPECT_EQ(shift, t.desc.shift);
    EXPECT_EQ(mn, t.terrain.min_height);
    EXPECT_EQ(mx, t.terrain.max_height);
  }
}

TEST(Tracks, VenloopIsAFullMotocrossLap) {
  const TrackStats& s = tracks().front().stats;
  EXPECT_GE(s.lap_feet, 0.6 * 5280);
  EXPECT_LE(s.lap_feet, 0.9 * 5280);
  EXPECT_GE(s.jumps, 6);
  EXPECT_GE(s.turns, 6);
  EXPECT_GE(s.berms, 3);
  EXPECT_GE(s.rhythm, 1);
  EXPECT_GE(s.whoops, 1);
  bool sand = false;
  for (Surface x : tracks().front().surfaces) sand |= x == kSand;
  EXPECT_TRUE(sand);
  EXPECT_EQ(tracks()[2].gates.checkpoints.size(), 4u) << "the practice oval has four gates";
}

}  // namespace
