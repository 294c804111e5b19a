#include "platform/binding.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/intern.h"
#include "platform/log.h"

float axis_binding_value(int reading, float range_low, float range_high) {
  float v = static_cast<float>(reading) / 32768.0f;
  if (range_high == range_low) {
    // Dividing by zero would feed NaN or infinity into the controls.
    bool past = range_high >= 0 ? v >= range_high : v <= range_high;
    return past ? 1.0f : 0.0f;
  }
  return std::clamp((v - range_low) / (range_high - range_low), 0.0f, 1.0f);
}

void open_binding(KorbInput& input, KeyBinding& binding) {
  close_binding(binding);
  binding.key_code = kNoKey;
  if (binding.key_name) {
    if (auto code = find_key(input, binding.key_name)) {
      binding.key_code = *code;
    } else {
      korb_log("Unknown key \"%s\" for %s\n", binding.key_name, binding.label);
    }
  } else if (binding.axis_name) {
    binding.axis = open_axis(input, binding.axis_name);
    if (!binding.axis)
      korb_log("Can't open axis \"%s\" for %s\n", binding.axis_name, binding.label);
  }
}

void close_binding(KeyBinding& binding) {
  close_axis(binding.axis);
  binding.axis = nullptr;
}

void end_binding_capture(BindingCapture& capture) {
  if (!capture.binding) return;
  for (KorbAxis* axis : capture.candidates) close_axis(axis);
  capture.candidates.clear();
  capture.binding = nullptr;
  if (debug_level > 0) korb_log("Done watching pots\n");
}

void start_binding_capture(KorbInput& input, BindingCapture& capture, KeyBinding& binding) {
  end_binding_capture(capture);
  capture.binding = &binding;
  if (debug_level > 0) korb_log("Watching pots\n");
  for (const std::string& name : axis_names(input)) {
    KorbAxis* axis = open_axis(input, name);
    if (!axis) {
      if (debug_level > 0) korb_log("\t%s %s\n", name.c_str(), "Failed");
      continue;
    }
    if (std::abs(read_axis(axis)) > 16384) {
      if (debug_level > 0) korb_log("\t%s Ignored (not centered)\n", name.c_str());
      close_axis(axis);
      continue;
    }
    if (debug_level > 0) korb_log("\t%s %s\n", name.c_str(), "Ok");
    capture.candidates.push_back(axis);
  }
}

bool capture_event(KorbInput& input, BindingCapture& capture, const KorbEvent& event,
                   int esc_code) {
  if (!capture.binding) return false;
  if (!event.pressed) return true;
  if (event.code == esc_code) {
    end_binding_capture(capture);
    return true;
  }
  const char* name = key_name(input, event.code);
  if (!name) return true;  // a typed character: wait for a key
  KeyBinding& binding = *capture.binding;
  close_binding(binding);
  binding.key_name = name;
  binding.key_code = event.code;
  binding.axis_name = nullptr;
  end_binding_capture(capture);
  return true;
}

void capture_check_axes(BindingCapture& capture) {
  if (!capture.binding) return;
  int best = -1;
  float best_value = 0;
  for (std::size_t i = 0; i < capture.candidates.size(); ++i) {
    float v = static_cast<float>(read_axis(capture.candidates[i])) / 32768.0f;
    if (best < 0 || std::fabs(v) > std::fabs(best_value)) {
      best = static_cast<int>(i);
      best_value = v;
    }
  }
  if (best < 0 || std::fabs(best_value) <= 0.5f) return;
  KeyBinding& binding = *capture.binding;
  KorbAxis* axis = capture.candidates[best];
  capture.candidates.erase(capture.candidates.begin() + best);
  close_binding(binding);
  binding.key_name = nullptr;
  binding.key_code = kNoKey;
  binding.axis = axis;
  binding.axis_name = intern_string(axis->device->axis_names[axis->index]);
  binding.range_low = best_value > 0 ? 0.0625f : -0.0625f;
  binding.range_high = best_value > 0 ? 0.9375f : -0.9375f;
  end_binding_capture(capture);
}
