#include "sim/bike_model.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The per-model numbers of the model table, row by row.
struct ModelCase {
  const char* name;
  const char* bike_class;
  float frame_mass, fork_mass, swingarm_mass, primary;
  float front_sprocket, rear_sprocket;
  float gears[6];
  float engine_inertia, clutch_stiffness, clutch_damping;
  float shift_down, shift_up;
  float open_at_10000;  // torque_open[20], a value from the middle of each curve
  const char* frame_model;
  const char* bike_texture;
};

// clang-format off
// One row per model, as in the model table., as in the model table.
constexpr ModelCase model_cases[] = {
    {"crf250(2009)", "250f", 4.24f, 0.703125f, 0.504375f, 3.16667f, 13, 51,
     {2.14286f, 1.75f, 1.45f, 1.22727f, 1.04167f, -1}, 0.00488281f, 7500, 0.75f, 8000, 12500,
     19.21f, "@crf250_frame.jm", "@crf250.png"},
    {"kx250f(2009)", "250f", 4.24f, 0.703125f, 0.504375f, 3.35f, 13, 48,
     {2.14286f, 1.78571f, 1.44444f, 1.2f, 1.05263f, -1}, 0.00488281f, 7500, 0.75f, 8000, 12500,
     18.52f, "@kx250f_frame.jm", "@kx250f.png"},
    {"rmz250(2009)", "250f", 4.24f, 0.703125f, 0.504375f, 3.21053f, 13, 48,
     {2.15385f, 1.76471f, 1.47059f, 1.2381f, 1.09091f, -1}, 0.00488281f, 7500, 0.75f, 8000,
     12500, 18.55f, "@rmz250_frame.jm", "@rmz250.png"},
    {"yz250f(2009)", "250f", 4.24f, 0.703125f, 0.504375f, 3.35294f, 13, 48,
     {2.14286f, 1.75f, 1.45f, 1.22727f, 1.04167f, -1}, 0.00488281f, 7500, 0.75f, 8000, 12500,
     19.2f, "@yz250f_frame.jm", "@yz250f.png"},
    {"crf250(2008)", "250f", 4.24f, 0.703125f, 0.504375f, 3.16667f, 13, 51,
     {2.14286f, 1.75f, 1.45f, 1.22727f, 1.04167f, -1}, 0.00488281f, 7500, 0.75f, 8000, 12500,
     18.3f, "@crf250_frame.jm", "@crf250.png"},
    {"kx250f(2008)", "250f", 4.24f, 0.703125f, 0.504375f, 3.35f, 13, 48,
     {2.14286f, 1.78571f, 1.44444f, 1.2f, 1.05263f, -1}, 0.00488281f, 7500, 0.75f, 8000, 12500,
     18.3f, "@kx250f_frame.jm", "@kx250f.png"},
    {"rmz250(2008)", "250f", 4.24f, 0.703125f, 0.504375f, 3.21053f, 13, 48,
     {2.15385f, 1.76471f, 1.47059f, 1.2381f, 1.09091f, -1}, 0.00488281f, 7500, 0.75f, 8000,
     12500, 17.9f, "@rmz250_frame.jm", "@rmz250.png"},
    {"yz250f(2008)", "250f", 4.24f, 0.703125f, 0.504375f, 3.35294f, 13, 48,
     {2.14286f, 1.75f, 1.45f, 1.22727f, 1.04167f, -1}, 0.00488281f, 7500, 0.75f, 8000, 12500,
     18.1f, "@yz250f_frame.jm", "@yz250f.png"},
    {"cr125", "125", 3.65375f, 0.739688f, 0.541875f, 3.15f, 13, 52,
     {2.35714f, 1.86667f, 1.57895f, 1.29412f, 1.13333f, -1}, 0.00488281f, 7500, 0.75f, 9400,
     12000, 15.9664f, "@cr125_frame.jm", "@cr125.png"},
    {"kx125", "125", 3.65375f, 0.739688f, 0.541875f, 3.2f, 13, 51,
     {2.38462f, 1.85714f, 1.52941f, 1.29412f, 1.125f, 1}, 0.00488281f, 7500, 0.75f, 9400, 12000,
     16.5967f, "@kx125_frame.jm", "@kx125.png"},
    {"rm125", "125", 3.65375f, 0.739688f, 0.541875f, 3.36842f, 12, 50,
     {2.07143f, 1.6875f, 1.44444f, 1.2f, 1.05263f, 0.95f}, 0.00488281f, 7500, 0.75f, 9400, 12000,
     16.229f, "@rm125_frame.jm", "@rm125.png"},
    {"yz125", "125", 3.65375f, 0.739688f, 0.541875f, 3.36842f, 13, 48,
     {2.38462f, 1.93333f, 1.58824f, 1.35294f, 1.2f, 1.09524f}, 0.00488281f, 7500, 0.75f, 9400,
     12000, 15.8614f, "@yz125_frame.jm", "@yz125.png"},
    {"125sx", "125", 3.65375f, 0.739688f, 0.541875f, 3.04348f, 13, 50,
     {2.46154f, 2, 1.64706f, 1.4f, 1.21053f, 1.09091f}, 0.00488281f, 7500, 0.75f, 9400, 12000,
     17.0168f, "@125sx_frame.jm", "@125sx.png"},
    {"crf250(2007)", "250f", 4.24f, 0.703125f, 0.504375f, 3.16667f, 13, 51,
     {2.14286f, 1.75f, 1.45f, 1.22727f, 1.04167f, -1}, 0.00488281f, 7500, 0.75f, 8000, 12500,
     18, "@crf250_frame.jm", "@crf250.png"},
    {"kx250f(2007)", "250f", 4.24f, 0.703125f, 0.504375f, 3.35f, 13, 48,
     {2.14286f, 1.78571f, 1.44444f, 1.2f, 1.05263f, -1}, 0.00488281f, 7500, 0.75f, 8000, 12500,
     18.6f, "@kx250f_frame.jm", "@kx250f.png"},
    {"rmz250(2007)", "250f", 4.24f, 0.703125f, 0.504375f, 3.21053f, 13, 48,
     {2.15385f, 1.76471f, 1.47059f, 1.2381f, 1.09091f, -1}, 0.00488281f, 7500, 0.75f, 8000,
     12500, 18.2f, "@rmz250_frame.jm", "@rmz250.png"},
    {"yz250f(2007)", "250f", 4.24f, 0.703125f, 0.504375f, 3.35294f, 13, 48,
     {2.14286f, 1.75f, 1.45f, 1.22727f, 1.04167f, -1}, 0.00488281f, 7500, 0.75f, 8000, 12500,
     17.2f, "@yz250f_frame.jm", "@yz250f.png"},
    {"yz250f_se(2006)", "250f", 4.24f, 0.703125f, 0.504375f, 3.35294f, 13, 48,
     {2.14286f, 1.75f, 1.45f, 1.22727f, 1.04167f, -1}, 0.00488281f, 7500, 0.75f, 8000, 12500,
     17.2f, "@yz250f_frame.jm", "@yz250f_se.png"},
    {"rs50cr", "50", 3.34125f, 0.739688f, 0.541875f, 3.71429f, 12, 55,
     {3.09091f, 2, 1.5f, 1.2f, 1.04545f, 0.956522f}, 0.00119358f, 1200, 1, 9400, 12000, 3.729f,
     "@cr125_frame.jm", "@cr125.png"},
    {"rs50kx", "50", 3.34125f, 0.739688f, 0.541875f, 3.71429f, 12, 55,
     {3.09091f, 2, 1.5f, 1.2f, 1.04545f, 0.956522f}, 0.00119358f, 1200, 1, 9400, 12000, 3.729f,
     "@kx125_frame.jm", "@kx125.png"},
    {"rs50rm", "50", 3.34125f, 0.739688f, 0.541875f, 3.71429f, 12, 55,
     {3.09091f, 2, 1.5f, 1.2f, 1.04545f, 0.956522f}, 0.00119358f, 1200, 1, 9400, 12000, 3.729f,
     "@rm125_frame.jm", "@rm125.png"},
    {"rs50yz", "50", 3.34125f, 0.739688f, 0.541875f, 3.71429f, 12, 55,
     {3.09091f, 2, 1.5f, 1.2f, 1.04545f, 0.956522f}, 0.00119358f, 1200, 1, 9400, 12000, 3.729f,
     "@yz125_frame.jm", "@yz125.png"},
};
// clang-format on

TEST(BikeModelTable, EveryRowMatchesTheModelTableInLookupOrder) {
  ASSERT_EQ(std::size(model_cases), bike_models.size());
  for (std::size_t i = 0; i < bike_models.size(); ++i) {
    const ModelCase& c = model_cases[i];
    const BikeModel& m = bike_models[i];
    SCOPED_TRACE(c.name);
    EXPECT_EQ(m.name, c.name);
    EXPECT_EQ(m.bike_class, c.bike_class);
    EXPECT_FLOAT_EQ(m.frame_mass, c.frame_mass);
    EXPECT_FLOAT_EQ(m.fork_mass, c.fork_mass);
    EXPECT_FLOAT_EQ(m.swingarm_mass, c.swingarm_mass);
    EXPECT_FLOAT_EQ(m.primary_ratio, c.primary);
    EXPECT_FLOAT_EQ(m.front_sprocket, c.front_sprocket);
    EXPECT_FLOAT_EQ(m.rear_sprocket, c.rear_sprocket);
    for (int g = 0; g < gear_count; ++g) EXPECT_FLOAT_EQ(m.gear_ratio[g], c.gears[g]) << g;
    EXPECT_FLOAT_EQ(m.engine_inertia, c.engine_inertia);
    EXPECT_FLOAT_EQ(m.clutch_stiffness, c.clutch_stiffness);
    EXPECT_FLOAT_EQ(m.clutch_damping, c.clutch_damping);
    EXPECT_FLOAT_EQ(m.shift_down_rpm, c.shift_down);
    EXPECT_FLOAT_EQ(m.shift_up_rpm, c.shift_up);
    EXPECT_FLOAT_EQ(m.torque_open[20], c.open_at_10000);
    EXPECT_EQ(m.files.frame_model.view(), c.frame_model);
    EXPECT_EQ(m.files.bike_texture.view(), c.bike_texture);
  }
}

// Every curve ends in its run of equal pairs; a value too many or too few
// in a transcribed curve shifts the run and breaks the last pair.
TEST(BikeModelTable, TorqueCurvesEndInTheirFallingTails) {
  for (const BikeModel& m : bike_models) {
    SCOPED_TRACE(std::string(m.name));
    float closed_end = m.bike_class == "50" ? -11.5f : -23;
    float open_end = m.bike_class == "50" ? -5.5f : -11;
    EXPECT_EQ(m.torque_closed[48], closed_end);
    EXPECT_EQ(m.torque_closed[49], closed_end);
    EXPECT_EQ(m.torque_open[48], open_end);
    EXPECT_EQ(m.torque_open[49], open_end);
    // Closed throttle crosses zero at 1500 rpm, where the engine idles.
    EXPECT_EQ(m.torque_closed[3], 0);
    EXPECT_EQ(m.torque_open[0], m.bike_class == "50" ? 1 : 5);
  }
}

TEST(BikeModelTable, ClassCurvesAndTailsAtTheirJoints) {
  const BikeModel& crf = *find_bike_model("crf250(2009)");
  // Listed values, then 0 -1 -2 -2 -3 -3 ...
  EXPECT_FLOAT_EQ(crf.torque_open[27], 13.97f);
  EXPECT_EQ(crf.torque_open[28], 0);
  EXPECT_EQ(crf.torque_open[29], -1);
  EXPECT_EQ(crf.torque_open[30], -2);
  EXPECT_EQ(crf.torque_open[31], -2);
  EXPECT_EQ(crf.torque_closed[4], -1);
  EXPECT_EQ(crf.torque_closed[5], -1);
  EXPECT_EQ(crf.torque_closed[6], -2);

  const BikeModel& crf8 = *find_bike_model("crf250(2008)");
  EXPECT_FLOAT_EQ(crf8.torque_open[26], 13.9f);
  EXPECT_EQ(crf8.torque_open[27], 0);
  EXPECT_EQ(crf8.torque_open[28], -1);
  EXPECT_EQ(crf8.torque_open[29], -1);

  const BikeModel& rm = *find_bike_model("rm125");
  EXPECT_FLOAT_EQ(rm.torque_open[27], 4.2795f);
  EXPECT_EQ(rm.torque_open[28], -1);
  EXPECT_EQ(rm.torque_open[29], -1);

  const BikeModel& cr = *find_bike_model("cr125");
  EXPECT_FLOAT_EQ(cr.torque_open[25], 2.10085f);
  EXPECT_EQ(cr.torque_open[26], 0);
  EXPECT_EQ(cr.torque_open[27], 0);
  EXPECT_EQ(cr.torque_open[28], -1);
  EXPECT_FLOAT_EQ(cr.torque_closed[21], -9);
  EXPECT_EQ(cr.torque_closed[22], -10);
  EXPECT_EQ(cr.torque_closed[23], -10);

  const BikeModel& rs = *find_bike_model("rs50rm");
  EXPECT_FLOAT_EQ(rs.torque_open[26], 0.808017f);
  EXPECT_EQ(rs.torque_open[27], 0);
  EXPECT_EQ(rs.torque_open[28], -0.5f);
  EXPECT_EQ(rs.torque_open[29], -0.5f);
  EXPECT_FLOAT_EQ(rs.torque_closed[21], -4.5f);
  EXPECT_EQ(rs.torque_closed[22], -5);
  EXPECT_EQ(rs.torque_closed[23], -5);
  EXPECT_EQ(rs.torque_closed[24], -5.5f);
}

TEST(BikeModelTable, CommonGeometryAndFiles) {
  const BikeModel& m = bike_models[0];
  EXPECT_FLOAT_EQ(m.front_wheel_pos.y, 1.09f);
  EXPECT_FLOAT_EQ(m.rear_wheel_pos.z, 6);
  EXPECT_FLOAT_EQ(m.rider_mass, 4.6875f);
  EXPECT_FLOAT_EQ(m.rider_pose.shin, 1.701f);
  EXPECT_FLOAT_EQ(m.rider_pose.right_grip.x, 1.097f);
  EXPECT_EQ(m.files.frame_shape.view(), "@generic_frame.shp");
  EXPECT_EQ(m.files.rider_shape.view(), "@generic_rider.shp");
  EXPECT_EQ(m.files.side_plates_model.view(), "@crf250_side_plates.jm");
  EXPECT_EQ(m.files.rider_plate_model.view(), "@rider_plate.jm");
}

struct LookupCase {
  const char* requested;
  const char* chosen;
  bool found;
};

TEST(BikeModelLookup, ExactNamesAndFallbacks) {
  constexpr LookupCase cases[] = {
      {"rs50yz", "rs50yz", true},
      {"yz250f_se(2006)", "yz250f_se(2006)", true},
      // "crf250(2009)" does not contain "250f": the first 250f is kx250f.
      {"rs50zz", "kx250f(2009)", false},
      {"crf250(2010)", "kx250f(2009)", false},
      {"yz125(2011)", "cr125", false},
      {"", "kx250f(2009)", false},
  };
  for (const LookupCase& c : cases) {
    bool found = !c.found;
    EXPECT_EQ(lookup_bike_model(c.requested, &found).name, c.chosen) << c.requested;
    EXPECT_EQ(found, c.found) << c.requested;
    EXPECT_EQ(find_bike_model(c.requested) != nullptr, c.found) << c.requested;
  }
}

}  // namespace
