#pragma once
// Connects the session's robot hooks to the robots library: the roster,
// the auto pilot's start and tick, and its path for the line recorder.
// The game and tavrin-sim call it once before their first session.

void install_robot_driver();
