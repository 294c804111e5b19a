#pragma once
// Helpers for the track tests: small file writers and a look into the
// posted message ring; temporary folders are the shared TempTree.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/temp_tree.h"
#include "platform/messages.h"

// True when some line of the message ring starts with `text` (the ring
// keeps each posted text without its final newline, cut at 127 characters).
inline bool was_posted(const std::string& text) {
  std::string wanted = text;
  while (!wanted.empty() && wanted.back() == '\n') wanted.pop_back();
  for (const auto& line : message_list().lines) {
    std::string posted(line.data());
    while (!posted.empty() && posted.back() == '\n') posted.pop_back();
    if (!posted.empty() && posted.rfind(wanted.substr(0, 127), 0) == 0) return true;
  }
  return false;
}

// Binary PPM (P6) of w x h with every byte `value`.
inline std::string ppm(int w, int h, std::uint8_t value) {
  return "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n" +
         std::string(static_cast<std::size_t>(w) * h * 3, static_cast<char>(value));
}

// Binary PGM (P5) of w x h with the given bytes.
inline std::string pgm(int w, int h, const std::string& bytes) {
  return "P5\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n" + bytes;
}

// terrain.hf with inline samples: header line, ':' and the raw values
// (low byte first).
inline std::string terrain_hf(int shift, double spacing, double lo, double hi,
                              const std::vector<std::uint16_t>& raw) {
  char header[200];
  std::snprintf(header, sizeof header, "%d %g %g %g\n:", shift, spacing, lo, hi);
  std::string text = header;
  for (std::uint16_t v : raw) {
    text += static_cast<char>(v & 0xff);
    text += static_cast<char>(v >> 8);
  }
  return text;
}
