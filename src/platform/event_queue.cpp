#include "platform/event_queue.h"

namespace {

KorbEvent& at(EventQueue& queue, int i) { return queue.ring[(queue.head + i) % kEventQueueSize]; }

}  // namespace

bool push_event(EventQueue& queue, const KorbEvent& event) {
  if (queue.count == kEventQueueSize) return false;
  // Events nearly always arrive in order: walk back from the tail.
  int i = queue.count;
  while (i > 0 && at(queue, i - 1).time > event.time) {
    at(queue, i) = at(queue, i - 1);
    --i;
  }
  at(queue, i) = event;
  ++queue.count;
  return true;
}

std::optional<KorbEvent> pop_event_before(EventQueue& queue, double deadline) {
  if (queue.count == 0 || at(queue, 0).time > deadline) return std::nullopt;
  return pop_event(queue);
}

std::optional<KorbEvent> pop_event(EventQueue& queue) {
  if (queue.count == 0) return std::nullopt;
  KorbEvent event = at(queue, 0);
  queue.head = (queue.head + 1) % kEventQueueSize;
  --queue.count;
  return event;
}

void clear_events(EventQueue& queue) {
  queue.head = 0;
  queue.count = 0;
}
