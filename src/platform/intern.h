#pragma once
// Interned strings: one shared, never-freed copy per distinct text, for the
// file, key and demo names that many records keep. Equal texts give the
// same pointer, so interned names may be compared by address.

#include <string_view>

// The shared, null-terminated copy equal to text (byte comparison). Lives
// until the program exits.
const char* intern_string(std::string_view text);
