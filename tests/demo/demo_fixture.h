#pragma once
// A physics world with bikes in game slots, a height field of known size,
// a temporary home and data folder, and a fresh demo state per test.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "data/data_dirs.h"
#include "data/temp_tree.h"
#include "demo/demo.h"
#include "platform/messages.h"
#include "sim/assembly.h"
#include "sim/bike.h"
#include "sim/world.h"
#include "track/track.h"

constexpr double test_extent = 1024;
constexpr double test_min_height = -50;

class DemoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_DATA_HOME", tree.path("xdg").c_str(), 1);
    setenv("QZ_HOME", tree.path("install").c_str(), 1);
    tree.write("install/venloop/terrain.hf", "x");
    tree.write("xdg/Tavrin/demos/.keep", "");
    reset_data_dirs_for_tests();
    create_world(world);
    game_track.terrain.field.extent = static_cast<float>(test_extent);
    game_track.terrain.field.min_height = static_cast<float>(test_min_height);
    game.track_name = "venloop";
    demo = DemoState{};
    clear_messages();
  }

  void TearDown() override {
    demo = DemoState{};
    for (Bike*& bike : game.bikes)
      if (bike) destroy_bike(bike), bike = nullptr;
    destroy_world(world);
    game_track.terrain.field = HeightField{};
    reset_data_dirs_for_tests();
  }

  // A bike in `slot` of the given kind, standing at (x, y, z).
  Bike& add_bike(int slot, int kind, double x = 500, double y = 20, double z = 500,
                 const char* model = "crf250(2009)") {
    Bike* bike = create_bike(world, model, slot, std::to_string(slot + 1));
    const dReal* p = dBodyGetPosition(bike->bodies[body_frame]);
    move_bike(*bike, {x - p[0], y - p[1], z - p[2]});
    game.bikes[slot] = bike;
    game.bike_kind[slot] = kind;
    return *bike;
  }

  static std::string last_message() {
    const MessageList& list = message_list();
    return list.lines[(list.write_index + message_ring_lines - 1) % message_ring_lines].data();
  }

  TempTree tree;
  PhysicsWorld world;
  GameState game;
  DemoState& demo = game_demo;
};
