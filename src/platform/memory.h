#pragma once
// The program-wide reaction to running out of memory.

#include <cstddef>

// Closes the audio output and the window if open, shows the error box
// "Error" / "Out of virtual memory" and exits with status 1. Nothing is
// saved: a half-built state must not overwrite good files.
[[noreturn]] void fatal_out_of_memory();

// malloc that never returns null: a failure ends in fatal_out_of_memory.
// A size of 0 still gives a unique, freeable block. Free with free().
void* xmalloc(std::size_t size);

// Makes every failed operator new (std::vector growth, std::string, ...)
// end in fatal_out_of_memory instead of an uncaught exception. Called once
// at start-up by each program.
void install_out_of_memory_handler();
