// The ground of the generated tracks drawn on the virtual display: from
// the first start position, after the pictures have been drawn, the lower
// half of the frame is ground in the track's colours, not sky and not the
// placeholder pattern.

#include <GL/gl.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "gl_window.h"
#include "render/gl_features.h"
#include "render/ground.h"
#include "render/render_hooks.h"
#include "render/scene.h"
#include "render/texture.h"
#include "track/track.h"

extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace {

class TrackGround : public GlWindow, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    setenv("QZ_HOME", TAVRIN_BUILD_DIR, 1);
    GlWindow::SetUp();
    if (IsSkipped()) return;
    glViewport(0, 0, width, height);
    detect_gl_features(true, true, true);
    install_render_hooks();
    ASSERT_TRUE(load_track(GetParam())) << "is the data set generated?";
  }
  void TearDown() override {
    if (window) {
      unload_track();
      free_all_textures();
      remove_render_hooks();
    }
    unsetenv("QZ_HOME");
    GlWindow::TearDown();
  }

  // A frame from 6 feet above the first start position, looking down the
  // start straight.
  WorldView start_view() const {
    const StartPosition& start = game_track.gates.starts.at(0);
    WorldView view;
    view.eye = start.position + Vec3{0, 6, 0};
    view.orientation = yaw_pitch_orientation(start.heading + std::numbers::pi, -0.2);
    view.width = width;
    view.height = height;
    return view;
  }

  struct Rgb {
    int r, g, b;
  };
  std::vector<Rgb> read_rows(int first, int count) const {
    std::vector<unsigned char> bytes(static_cast<std::size_t>(width) * count * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, first, width, count, GL_RGB, GL_UNSIGNED_BYTE, bytes.data());
    std::vector<Rgb> pixels;
    for (std::size_t i = 0; i < bytes.size(); i += 3)
      pixels.push_back({bytes[i], bytes[i + 1], bytes[i + 2]});
    return pixels;
  }
};

TEST_P(TrackGround, TheStartStraightIsDrawnInGroundColours) {
  ASSERT_FALSE(game_track.gates.starts.empty());
  ASSERT_TRUE(ground_loaded());
  WorldView view = start_view();
  // Every low-detail picture on the first frame, one clip tile per frame
  // after it: enough frames for all six rings.
  for (int frame = 0; frame < 100; ++frame) {
    DriverAllocationsIgnored drawing;
    draw_world(view);
  }
  EXPECT_GT(ground_stats.triangles, 100);

  // The lower half (rows from the bottom) is ground.
  std::vector<Rgb> ground = read_rows(0, height / 2);
  int sky = 0, placeholder = 0, earthy = 0;
  for (const Rgb& p : ground) {
    if (std::abs(p.r - 50) <= 2 && std::abs(p.g - 153) <= 2 && std::abs(p.b - 204) <= 2) ++sky;
    if (p.r == p.g && p.g == p.b) ++placeholder;
    // Dirt, sand and grass: blue never leads.
    if (p.b < std::max(p.r, p.g)) ++earthy;
  }
  const int n = static_cast<int>(ground.size());
  EXPECT_EQ(sky, 0);
  EXPECT_LT(placeholder, n / 50);
  EXPECT_GT(earthy, n * 95 / 100);

  // Looking up, the top rows are the sky (the clear colour).
  view.orientation = yaw_pitch_orientation(0, 1.2);
  {
    DriverAllocationsIgnored drawing;
    draw_world(view);
  }
  std::vector<Rgb> top = read_rows(height - 4, 4);
  for (const Rgb& p : top) {
    ASSERT_NEAR(p.r, 50, 2);
    ASSERT_NEAR(p.g, 153, 2);
    ASSERT_NEAR(p.b, 204, 2);
  }
}

TEST_P(TrackGround, UnloadingTheTrackFreesTheGround) {
  const WorldView view = start_view();
  {
    DriverAllocationsIgnored drawing;
    draw_world(view);
  }
  unload_track();
  EXPECT_FALSE(ground_loaded());
  // Drawing without a ground clears to the sky and does not touch the
  // freed textures.
  {
    DriverAllocationsIgnored drawing;
    draw_world(view);
  }
  EXPECT_EQ(ground_stats.triangles, 0);
}

INSTANTIATE_TEST_SUITE_P(GeneratedTracks, TrackGround,
                         ::testing::Values("venloop", "sxarena", "practice"));

}  // namespace
