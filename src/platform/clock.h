#pragma once
// The platform clock: seconds from a monotonic clock (on Linux the time
// since the system started). Log stamps, frame pacing and input event
// times all read this one clock, so they can be compared directly.

// Seconds (with sub-millisecond resolution) since an arbitrary fixed
// moment, usually system start. Never goes backwards.
double korb_time();

// Returns once `seconds` have passed on korb_time(). Sleeps the whole
// milliseconds minus one (the system may oversleep by about a
// millisecond), then yields the processor until the deadline has passed,
// so frame pacing neither spins nor overshoots. Zero or negative: returns
// at once.
void korb_sleep(double seconds);
