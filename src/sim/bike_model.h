#pragma once
// The 22 compiled-in bike models and their lookup by name.
//
// Units: feet, slugs, seconds, radians, pounds-force, foot-pounds. Positions
// are in the model frame with the bike standing upright: x to the rider's
// right, y up, z to the rear (the front wheel has the smaller z).

#include <array>
#include <cstddef>
#include <string_view>

#include "sim/vec3f.h"

// A data file name stored inside the model record ("@crf250_frame.jm").
// Fixed storage so the whole table stays a constant, built at compile time.
struct ModelFileName {
  char text[40] = {};
  constexpr std::string_view view() const { return std::string_view(text); }
};

// The 23 data files of a model, in the record's order. Models (".jm"),
// textures and variants belong to the bike drawing; the ".shp" collision
// shapes are read by the simulation (sim/shape.h).
struct BikeModelFiles {
  ModelFileName frame_model, frame_shape, bike_texture;
  ModelFileName fork_upper_model, fork_upper_shape;
  ModelFileName fork_lower_model, fork_lower_shape;
  ModelFileName swingarm_model, swingarm_shape;
  ModelFileName front_wheel_model, front_wheel_shape;
  ModelFileName rear_wheel_model, rear_wheel_shape;
  ModelFileName wheel_texture;
  ModelFileName rider_head_model, rider_head_texture;
  ModelFileName rider_body_model, rider_body_fp_model, rider_shape, rider_body_texture;
  ModelFileName side_plates_model, front_plate_model, rider_plate_model;
};

// Points of the rider's pose (model frame) and limb lengths (ft). Head and
// shoulders are relative to the rider body, grips to the upper fork body;
// hips and feet serve the drawn pose.
struct RiderPose {
  Vec3f head;
  Vec3f left_shoulder, right_shoulder;
  Vec3f left_hip, right_hip;
  Vec3f left_grip, right_grip;
  Vec3f left_foot, right_foot;
  float upper_arm, forearm, thigh, shin;
};

constexpr int torque_points = 50;  // torque tables: 0, 500, ..., 24500 rpm
constexpr int gear_count = 6;      // a ratio <= 0 marks a gear the model lacks

// The static description of one bike model. Floats are 32-bit on purpose:
// the simulation reads its constants from the bike's copy of this record.
struct BikeModel {
  std::string_view name;        // model identifier, e.g. "crf250(2009)"
  std::string_view bike_class;  // "250f", "125" or "50"
  Vec3f front_wheel_pos;        // centre of the front wheel
  float front_rim_radius;       // radius of the tyre's core circle
  float front_tyre_radius;      // tube radius of the tyre
  float front_rim_mass;         // mass spread over the rim
  float front_hub_radius;       // radius of the hub's mass sphere
  float front_hub_mass;
  Vec3f rear_wheel_pos;
  float rear_rim_radius, rear_tyre_radius, rear_rim_mass, rear_hub_radius, rear_hub_mass;
  Vec3f frame_pos;     // centre of the frame body
  float frame_mass;    // without the rider's share
  Vec3f frame_size;    // box used for the frame's inertia
  Vec3f steer_pos;     // centre of the upper fork body, steering head anchor
  Vec3f swingarm_pos;  // centre of the swingarm body
  Vec3f swingarm_pivot;
  Vec3f fork_lower_pos;                      // centre of the lower fork body
  float fork_width;                          // distance between the fork legs
  float fork_length;                         // a leg is 2/3 of this long
  float fork_mass;                           // both legs together
  float fork_spring_min, fork_spring_max;    // lb/ft, both legs
  float fork_preload_min, fork_preload_max;  // ft
  float fork_oil_min, fork_oil_max;          // fork air gap range, ft
  float fork_compression;                    // lb per ft/s
  float fork_rebound;                        // lb per ft/s
  float fork_travel;                         // ft
  float swingarm_mass;
  float shock_spring_min, shock_spring_max;
  float shock_preload_min, shock_preload_max;
  float shock_compression;
  float shock_rebound;
  float swingarm_travel;  // radians
  float shock_ratio_extended, shock_ratio_compressed;
  float primary_ratio;                  // crank to gearbox
  float front_sprocket, rear_sprocket;  // teeth
  std::array<float, gear_count> gear_ratio;
  float engine_inertia;  // slug ft^2
  float clutch_stiffness, clutch_damping;
  std::array<float, torque_points> torque_closed;  // ft lb, closed throttle
  std::array<float, torque_points> torque_open;    // ft lb, full throttle
  float shift_down_rpm, shift_up_rpm;              // automatic shifting
  Vec3f rider_slide_axis;                          // along which a version-4 state places the rider
  Vec3f rider_pos;                                 // centre of the rider body
  float rider_slide_min, rider_slide_max;          // ft
  float rider_mass;
  BikeModelFiles files;
  RiderPose rider_pose;
};

constexpr std::size_t bike_model_count = 22;

// The model table in lookup order.
extern const std::array<BikeModel, bike_model_count> bike_models;

// The model with exactly this name, or null.
const BikeModel* find_bike_model(std::string_view name);

// Model name after the alias table: the short names the configuration and
// lineups may use ("crf250" -> "crf250(2008)", ...); other names unchanged.
std::string_view bike_model_alias(std::string_view name);

// The model `create_bike` uses for a requested name: the exact match, or
// else the first model whose name contains "125" (when the request contains
// "125") or "250f" (otherwise), or else the first model. `found` tells the
// caller whether the name matched, so it can say that it fell back.
const BikeModel& lookup_bike_model(std::string_view name, bool* found = nullptr);
