#pragma once
// A physics world for one test, and bikes made in it, destroyed with it.

#include <gtest/gtest.h>

#include <vector>

#include "sim/assembly.h"
#include "sim/bike.h"
#include "sim/world.h"

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override { create_world(world_); }

  void TearDown() override {
    for (Bike* bike : bikes_) destroy_bike(bike);
    destroy_world(world_);
  }

  Bike& make_bike(const char* model = "crf250(2009)") {
    bikes_.push_back(create_bike(world_, model, static_cast<int>(bikes_.size()), "1"));
    return *bikes_.back();
  }

  PhysicsWorld world_;
  std::vector<Bike*> bikes_;
};

// Points the data directories at the test's fixture folder and the home at
// a fresh temporary folder before anything looks them up, so no test reads
// the generated data set or writes into the real home. A null folder leaves
// only the empty home: no data files at all.
void use_fixture_data(const char* fixture_folder);
