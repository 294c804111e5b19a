#include "robots/robot_roster.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "base/random.h"

// Numbers 20-39 ride 125s with the "elm" personality, 40-59 250s with "ash",
// 60-79 250s with "elm" and 80-99 250s with "oak". Rider graphics cycle
// through the variants so neighbours on the grid look different.
const std::array<RobotRosterEntry, kRosterSize> robot_roster = {{
    {"20", "elm", "kx125", 1, 2, 0, 0},
    {"21", "elm", "kx125", 2, 3, 0, 0},
    {"22", "elm", "kx125", 3, 1, 0, 0},
    {"23", "elm", "kx125", 1, 2, 1, 1},
    {"24", "elm", "kx125", 2, 3, 0, 0},
    {"25", "elm", "yz125", 3, 1, 0, 0},
    {"26", "elm", "yz125", 1, 2, 0, 0},
    {"27", "elm", "yz125", 2, 3, 1, 1},
    {"28", "elm", "yz125", 3, 1, 0, 0},
    {"29", "elm", "yz125", 1, 2, 0, 0},
    {"30", "elm", "cr125", 2, 3, 0, 0},
    {"31", "elm", "cr125", 3, 1, 1, 1},
    {"32", "elm", "cr125", 1, 2, 0, 0},
    {"33", "elm", "cr125", 2, 3, 0, 0},
    {"34", "elm", "cr125", 3, 1, 0, 0},
    {"35", "elm", "rm125", 1, 2, 1, 1},
    {"36", "elm", "rm125", 2, 3, 0, 0},
    {"37", "elm", "rm125", 3, 1, 0, 0},
    {"38", "elm", "rm125", 1, 2, 0, 0},
    {"39", "elm", "rm125", 2, 3, 0, 0},
    {"40", "ash", "crf250(2009)", 1, 2, 0, 0},
    {"41", "ash", "crf250(2009)", 2, 3, 0, 0},
    {"42", "ash", "crf250(2009)", 3, 1, 0, 0},
    {"43", "ash", "crf250(2009)", 1, 2, 0, 0},
    {"44", "ash", "crf250(2009)", 2, 3, 0, 0},
    {"45", "ash", "kx250f(2009)", 3, 1, 0, 0},
    {"46", "ash", "kx250f(2009)", 1, 2, 0, 0},
    {"47", "ash", "kx250f(2009)", 2, 3, 0, 0},
    {"48", "ash", "kx250f(2009)", 3, 1, 0, 0},
    {"49", "ash", "kx250f(2009)", 1, 2, 0, 0},
    {"50", "ash", "rmz250(2009)", 2, 3, 0, 0},
    {"51", "ash", "rmz250(2009)", 3, 1, 0, 0},
    {"52", "ash", "rmz250(2009)", 1, 2, 0, 0},
    {"53", "ash", "rmz250(2009)", 2, 3, 0, 0},
    {"54", "ash", "yz250f(2009)", 3, 1, 0, 0},
    {"55", "ash", "yz250f(2009)", 1, 2, 0, 0},
    {"56", "ash", "yz250f(2009)", 2, 3, 0, 0},
    {"57", "ash", "yz250f(2009)", 3, 1, 0, 0},
    {"58", "ash", "yz250f(2009)", 1, 2, 0, 0},
    {"59", "ash", "yz250f_se(2006)", 2, 3, 0, 0},
    {"60", "elm", "crf250(2009)", 1, 2, 0, 0},
    {"61", "elm", "crf250(2009)", 2, 3, 0, 0},
    {"62", "elm", "crf250(2009)", 3, 1, 0, 0},
    {"63", "elm", "crf250(2009)", 1, 2, 0, 0},
    {"64", "elm", "crf250(2009)", 2, 3, 0, 0},
    {"65", "elm", "kx250f(2009)", 3, 1, 0, 0},
    {"66", "elm", "kx250f(2009)", 1, 2, 0, 0},
    {"67", "elm", "kx250f(2009)", 2, 3, 0, 0},
    {"68", "elm", "kx250f(2009)", 3, 1, 0, 0},
    {"69", "elm", "kx250f(2009)", 1, 2, 0, 0},
    {"70", "elm", "rmz250(2009)", 2, 3, 0, 0},
    {"71", "elm", "rmz250(2009)", 3, 1, 0, 0},
    {"72", "elm", "rmz250(2009)", 1, 2, 0, 0},
    {"73", "elm", "rmz250(2009)", 2, 3, 0, 0},
    {"74", "elm", "rmz250(2009)", 3, 1, 0, 0},
    {"75", "elm", "yz250f(2009)", 1, 2, 0, 0},
    {"76", "elm", "yz250f(2009)", 2, 3, 0, 0},
    {"77", "elm", "yz250f(2009)", 3, 1, 0, 0},
    {"78", "elm", "yz250f(2009)", 1, 2, 0, 0},
    {"79", "elm", "yz250f_se(2006)", 2, 3, 0, 0},
    {"80", "oak", "crf250(2009)", 1, 1, 1, 1},
    {"81", "oak", "crf250(2009)", 2, 2, 2, 2},
    {"82", "oak", "crf250(2009)", 1, 1, 1, 1},
    {"83", "oak", "crf250(2009)", 2, 2, 2, 2},
    {"84", "oak", "crf250(2009)", 1, 1, 1, 1},
    {"85", "oak", "kx250f(2009)", 2, 2, 2, 2},
    {"86", "oak", "kx250f(2009)", 1, 1, 1, 1},
    {"87", "oak", "kx250f(2009)", 2, 2, 2, 2},
    {"88", "oak", "kx250f(2009)", 1, 1, 1, 1},
    {"89", "oak", "kx250f(2009)", 2, 2, 2, 2},
    {"90", "oak", "yz250f(2009)", 1, 1, 1, 1},
    {"91", "oak", "yz250f(2009)", 2, 2, 2, 2},
    {"92", "oak", "yz250f(2009)", 1, 1, 1, 1},
    {"93", "oak", "yz250f(2009)", 2, 2, 2, 2},
    {"94", "oak", "yz250f(2009)", 1, 1, 1, 1},
    {"95", "oak", "rmz250(2009)", 2, 2, 2, 2},
    {"96", "oak", "rmz250(2009)", 1, 1, 1, 1},
    {"97", "oak", "rmz250(2009)", 2, 2, 2, 2},
    {"98", "oak", "rmz250(2009)", 1, 1, 1, 1},
    {"99", "oak", "rmz250(2009)", 2, 2, 2, 2},
}};

void shuffle_roster(std::array<int, kRosterSize>& identities) {
  for (int n = 0; n < kRosterSize; ++n) identities[n] = n;
  for (int n = kRosterSize - 1; n >= 1; --n) {
    std::uint32_t r = random_u32();
    std::swap(identities[n], identities[(r >> 16) % static_cast<std::uint32_t>(n)]);
  }
}

namespace {

bool entry_wanted(const RobotRosterEntry& entry, int code) {
  if (code == 3) return std::string_view(entry.model).find("125") != std::string_view::npos;
  if (code == 4) return std::string_view(entry.model).find("250") != std::string_view::npos;
  return std::string_view(entry.number) == std::to_string(code - 1000);
}

}  // namespace

int take_roster_entry(std::array<int, kRosterSize>& identities, int d, int code) {
  d = ((d % kRosterSize) + kRosterSize) % kRosterSize;
  if (code == 3 || code == 4 || code >= 1000) {
    for (int n = kRosterSize - 1; n > d; --n) {
      int index = identities[n];
      if (index >= 0 && index < kRosterSize && entry_wanted(robot_roster[index], code)) {
        std::swap(identities[n], identities[d]);
        break;
      }
    }
  }
  return std::clamp(identities[d], 0, kRosterSize - 1);
}

namespace {

std::string variant_name(std::string_view prefix, int variant) {
  if (variant <= 0) return {};
  return "@" + std::string(prefix) + "alt" + std::to_string(variant) + ".png";
}

}  // namespace

BikeTextureChoice roster_textures(const RobotRosterEntry& entry) {
  // The bike's own variants are named after the model's file prefix, the
  // model name without its year.
  std::string_view model = entry.model;
  std::string bike_prefix = std::string(model.substr(0, model.find('('))) + "-";
  BikeTextureChoice choice;
  choice.bike = variant_name(bike_prefix, entry.bike);
  choice.wheels = variant_name("wheels-", entry.wheels);
  choice.rider_body = variant_name("rider_body-", entry.rider_body);
  choice.helmet = variant_name("rider_head-", entry.rider_head);
  return choice;
}
