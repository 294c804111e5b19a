#include "app/frame_pacing.h"

#include <algorithm>
#include <limits>

namespace {

void count_frame(GameState& game, double elapsed) {
  int k = 0;
  while (k < 7 && !(elapsed < game.step * (1 << k))) ++k;
  ++game.frame_histogram[k];
}

}  // namespace

PacedFrame pace_frame(FramePacing& pacing, GameState& game, const PacingClock& clock) {
  double now = clock.now();
  double elapsed = now - pacing.last_frame_clock;
  count_frame(game, elapsed);
  double advance;
  if (pacing.lock_fps > 0) {
    double frame = 1.0 / pacing.lock_fps;
    if (elapsed < frame) clock.sleep(frame - elapsed);
    now = clock.now();
    advance = frame;
  } else if (pacing.warp) {
    advance = kWarpSteps * game.step;
  } else {
    // Never spin: wait until a whole step is due.
    while (elapsed < game.step) {
      clock.sleep(game.step - elapsed);
      now = clock.now();
      elapsed = now - pacing.last_frame_clock;
    }
    // After a stall the game slows down rather than taking hundreds of
    // steps at once.
    advance = std::min(elapsed, kMaxFrameAdvance);
  }
  game.min_frame = std::min(game.min_frame, advance);
  game.max_frame = std::max(game.max_frame, advance);
  pacing.last_frame_clock = now;
  return {advance, now};
}

int run_due_steps(SimClock& clock, double step, double now_at_pacing,
                  const std::function<void(double deadline)>& run_step) {
  int steps = 0;
  while (clock.sim_time < clock.target_time) {
    clock.sim_time += step;
    double step_clock = now_at_pacing - (clock.target_time - clock.sim_time);
    double deadline =
        step_clock < now_at_pacing ? step_clock : std::numeric_limits<double>::infinity();
    run_step(deadline);
    ++steps;
  }
  return steps;
}
