#include "platform/memory.h"

#include <cstdlib>
#include <new>

#include "platform/driver.h"
#include "platform/error_box.h"

void fatal_out_of_memory() {
  korb_driver_close_for_fatal();
  korb_error_box("Error", "Out of virtual memory");
  // Not exit(): destructors and exit handlers could try to save state
  // that is only half built, and the configuration must not be written.
  std::_Exit(1);
}

void* xmalloc(std::size_t size) {
  void* block = std::malloc(size ? size : 1);
  if (!block) fatal_out_of_memory();
  return block;
}

void install_out_of_memory_handler() { std::set_new_handler(fatal_out_of_memory); }
