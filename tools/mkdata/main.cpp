// tavrin-mkdata: writes Tavrin's game data set.
//
//   tavrin-mkdata --out DIR
//
// Exit status 0 on success, 1 with a message on standard error otherwise.

#include <cstdio>
#include <cstring>
#include <string>

#include "data_set.h"

int main(int argc, char** argv) {
  const char* out = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
      out = argv[++i];
    } else {
      std::fprintf(stderr, "tavrin-mkdata: unknown argument '%s'\n", argv[i]);
      out = nullptr;
      break;
    }
  }
  if (!out) {
    std::fprintf(stderr, "usage: tavrin-mkdata --out DIR\n");
    return 1;
  }
  std::string error;
  if (!mkdata::write_data_set(out, error)) {
    std::fprintf(stderr, "tavrin-mkdata: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
