#pragma once
// Frame pacing and the feeding of fixed simulation steps.
//
// Real time and simulated time are kept apart: each frame, pacing turns
// the real time since the previous frame into an advance of simulated time
// (at most 0.125 s, exactly 1/lock_fps with --lock-fps, 100 steps with
// --warp), and the loop then runs every 1/128 s step that is due. Each
// step stands for a real moment inside the frame, and takes the input
// events stamped up to that moment, so a short key tap lasts the steps it
// really lasted whatever the frame rate.
//
// Everything here works on plain state and clock readings handed in, so it
// runs the same under a fake clock.

#include <functional>

#include "race/game_state.h"

// The clock the pacing reads and sleeps on: korb_time and korb_sleep in
// the game, a fake in tests. Seconds.
struct PacingClock {
  std::function<double()> now;
  std::function<void(double seconds)> sleep;
};

// Pacing state of the run (loop-local, lives for the whole run).
struct FramePacing {
  double last_frame_clock = 0;  // clock reading at the end of the previous pacing
  float lock_fps = 0;           // --lock-fps, 0 = off
  bool warp = false;            // --warp
};

struct PacedFrame {
  double advance = 0;  // simulated seconds this frame
  double now = 0;      // the clock reading taken by this pacing
};

inline constexpr double kMaxFrameAdvance = 0.125;  // 16 steps
inline constexpr int kWarpSteps = 100;

// Paces one frame: counts it in the frame histogram, waits (sleep, then
// yield) until at least one step is due, and gives the advance. Updates
// game.min_frame, game.max_frame and pacing.last_frame_clock.
PacedFrame pace_frame(FramePacing& pacing, GameState& game, const PacingClock& clock);

// Simulated time reached and the time to reach (seconds since the loop
// started).
struct SimClock {
  double sim_time = 0;
  double target_time = 0;
};

// Runs every due step: while sim_time < target_time, sim_time += step and
// run_step(deadline) with the latest event time stamp the step may take:
// the real moment the step stands for, or +infinity for the frame's last
// step (which takes every event queued). now_at_pacing is the PacedFrame's
// clock reading. Returns the number of steps run.
int run_due_steps(SimClock& clock, double step, double now_at_pacing,
                  const std::function<void(double deadline)>& run_step);
