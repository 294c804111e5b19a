#include "data/listings.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "data/data_dirs.h"
#include "data/listings_internal.h"
#include "data/stream.h"

namespace {

// -1 until the first screenshot of the run.
int g_next_screenshot = -1;

bool ends_with(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::string_view base_name(std::string_view name) {
  const std::size_t slash = name.rfind('/');
  return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

// First line of the track's desc, without its line end; empty if none.
std::string track_title(const std::string& track) {
  const std::string name = "@" + track + "/desc";
  StreamPtr desc(stream_open(name.c_str(), "rb"));
  if (!desc) return {};
  char line[256];
  if (!stream_gets(desc.get(), line, sizeof line)) return {};
  std::string title = line;
  while (!title.empty() && (title.back() == '\n' || title.back() == '\r')) title.pop_back();
  return title;
}

}  // namespace

std::vector<TrackListing> list_tracks() {
  std::vector<TrackListing> tracks;
  for (std::string_view name : file_names()) {
    std::string_view folder;
    for (std::string_view tail : {"/terrain.hf", "/terrain.hf.gz"}) {
      if (ends_with(name, tail) && name.size() > tail.size()) {
        folder = name.substr(0, name.size() - tail.size());
      }
    }
    if (folder.empty()) continue;
    // A track with both terrain.hf and terrain.hf.gz is still one track.
    if (std::any_of(tracks.begin(), tracks.end(),
                    [&](const TrackListing& t) { return t.name == folder; })) {
      continue;
    }
    TrackListing track{std::string(folder), track_title(std::string(folder))};
    if (track.display.empty()) track.display = track.name;
    tracks.push_back(std::move(track));
  }
  std::stable_sort(tracks.begin(), tracks.end(), [](const TrackListing& a, const TrackListing& b) {
    return strcasecmp(a.display.c_str(), b.display.c_str()) < 0;
  });
  return tracks;
}

std::vector<DemoListing> list_demos() {
  std::vector<DemoListing> demos;
  for (std::string_view name : file_names()) {
    if (name.substr(0, 6) != "demos/" || !ends_with(name, ".qzdemo")) continue;
    std::string_view base = base_name(name);
    base.remove_suffix(std::strlen(".qzdemo"));
    demos.push_back({std::string(name), std::string(base)});
  }
  return demos;
}

std::vector<GraphicsVariant> list_graphics_variants(const char* prefix) {
  std::vector<GraphicsVariant> variants{{"", "default"}};
  const std::string_view wanted(prefix);
  for (std::string_view name : file_names()) {
    if (!ends_with(name, ".png") || ends_with(name, "_norm.png") || ends_with(name, "_spec.png")) {
      continue;
    }
    std::string_view base = base_name(name);
    if (base.substr(0, wanted.size()) != wanted || base.size() < wanted.size() + 4) continue;
    base.remove_prefix(wanted.size());
    base.remove_suffix(4);
    variants.push_back({"@" + std::string(name), std::string(base)});
  }
  return variants;
}

int next_screenshot_number() {
  if (g_next_screenshot < 0) {
    g_next_screenshot = 0;
    constexpr std::string_view kStem = "screenshot";
    for (const std::string& name : file_names()) {
      if (name.compare(0, kStem.size(), kStem) != 0) continue;
      const char* digits = name.c_str() + kStem.size();
      if (*digits < '0' || *digits > '9') continue;
      // Numbers beyond a billion are someone else's files; ignore them
      // rather than count past the largest int.
      const long number = std::strtol(digits, nullptr, 10);
      if (number < 1000000000L) g_next_screenshot = std::max(g_next_screenshot, int(number) + 1);
    }
  }
  return g_next_screenshot++;
}

void reset_screenshot_counter() { g_next_screenshot = -1; }
