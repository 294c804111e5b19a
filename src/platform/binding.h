#pragma once
// Control bindings and their capture.
//
// A binding ties one control (Throttle, Pause, ...) to a key or to a device
// axis. The configuration (app) keeps one record per control and stores
// the names; the codes and handles are looked up at start-up. Capture
// watches every device axis and the event stream until the player presses
// a key or moves an axis past half its range, and binds what was used.

#include <string>
#include <vector>

#include "platform/event_queue.h"
#include "platform/input.h"

inline constexpr int kNoKey = -1;

struct KeyBinding {
  const char* label = "";           // the control's menu label
  const char* key_name = nullptr;   // interned; null when bound to an axis or nothing
  int key_code = kNoKey;            // looked up from key_name at start-up
  const char* axis_name = nullptr;  // interned; null when bound to a key or nothing
  KorbAxis* axis = nullptr;         // open handle of axis_name (owned), or null
  float range_low = 0.0f;           // axis reading / 32768 that gives 0
  float range_high = 1.0f;          // axis reading / 32768 that gives 1
};

// The control value of an axis binding: the reading (-32768..32767) scaled
// so range_low gives 0 and range_high gives 1, clamped to 0..1. With equal
// ends (a hand-edited file) it is 1 past the end and 0 before it.
float axis_binding_value(int reading, float range_low, float range_high);

// Looks the binding's names up: the key code from key_name, or, without a
// key name, an axis handle from axis_name. Unknown names leave the control
// unbound (logged), never an error.
void open_binding(KorbInput& input, KeyBinding& binding);

// Closes the binding's axis handle, if any.
void close_binding(KeyBinding& binding);

// A capture in progress. `binding` is null when none is pending.
struct BindingCapture {
  KeyBinding* binding = nullptr;
  std::vector<KorbAxis*> candidates;  // open handles, closed when it ends
};

// Starts capturing into `binding`: opens every device axis except those
// not centred (|reading| > 16384), logging at debug level "Watching pots",
// "\t%s Ignored (not centered)", "\t%s Ok" or "\t%s Failed". Ends a
// capture already pending first.
void start_binding_capture(KorbInput& input, BindingCapture& capture, KeyBinding& binding);

// Offers one event to a pending capture; true when the capture took it
// (every event is taken while a capture is pending). A pressed event with
// esc_code cancels; another pressed event with a name binds that key.
bool capture_event(KorbInput& input, BindingCapture& capture, const KorbEvent& event, int esc_code);

// After a step's events: binds the candidate axis pushed furthest, when it
// is past half its range, with the range 0.0625..0.9375 on its side.
void capture_check_axes(BindingCapture& capture);

// Ends the capture without binding; nothing pending is fine.
void end_binding_capture(BindingCapture& capture);
