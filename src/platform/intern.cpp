#include "platform/intern.h"

#include <mutex>
#include <new>
#include <string>
#include <unordered_set>

#include "platform/memory.h"

namespace {
// Set nodes never move, so each element's c_str() stays valid for the run.
// Names are interned from the main thread and the window thread (key
// names), hence the lock.
std::mutex intern_lock;
std::unordered_set<std::string>& interned() {
  static auto* strings = new std::unordered_set<std::string>;  // never freed
  return *strings;
}
}  // namespace

const char* intern_string(std::string_view text) {
  std::lock_guard hold(intern_lock);
  // Programs without the out-of-memory handler still end on the one path.
  try {
    return interned().emplace(text).first->c_str();
  } catch (const std::bad_alloc&) {
    fatal_out_of_memory();
  }
}
