#pragma once
// The time-stamped input event queue: at most 256 events in a ring, kept
// in time order. The window side appends, the main loop takes from the
// head. Both run on the main thread (SDL pumps its messages there), so the
// queue needs no lock.

#include <array>
#include <optional>

// One press or release. code: see platform/key_names.h. time: seconds on
// the korb_time() clock, when the event happened (not when it was read).
struct KorbEvent {
  int code = 0;
  bool pressed = false;
  double time = 0;
};

inline constexpr int kEventQueueSize = 256;

struct EventQueue {
  std::array<KorbEvent, kEventQueueSize> ring{};
  int head = 0;   // index of the oldest event
  int count = 0;  // events queued, 0..256
};

// Queues an event after every queued event stamped at or before its time.
// Returns false, dropping the event, when the queue is full.
bool push_event(EventQueue& queue, const KorbEvent& event);

// Takes the oldest event when it is stamped at or before the deadline.
std::optional<KorbEvent> pop_event_before(EventQueue& queue, double deadline);

// Takes the oldest event whatever its time.
std::optional<KorbEvent> pop_event(EventQueue& queue);

void clear_events(EventQueue& queue);
