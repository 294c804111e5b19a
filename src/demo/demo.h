#pragma once
// Demo files: recording every tick's bike states, playing them back
// ("Playback Only" or "Race Against"), seeking, and the solo last-lap and
// fastest-lap demos with the ghost.
//
// File layout: a text header, then raw frames.
//   "QZ05 B RACE_TICKS LAPS DROP_TICK\n"
//   track directory name "\n"
//   per recorded bike: "model|rider|bike|wheel|helmet\n" "number\n"
// then, for tick 0, 1, 2, ..., one frame of B states (39 bytes each; 26 in
// the older version 4, which is played but never written). Frame t starts
// at header length + t * B * S. There is no trailer: a file cut anywhere
// plays up to its last whole frame.
//
// The game tick (race control) calls record_tick and play_tick after the
// tick counter advanced; the session start calls start_recording and
// open_playback. Everything runs on the main thread.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "data/stream.h"
#include "demo/bike_state.h"
#include "demo/state_history.h"
#include "race/game_state.h"

constexpr int demo_version = 5;
constexpr const char* default_demo_name = "@demos/default.qzdemo";
constexpr const char* last_lap_demo = "lastlap.qzdemo";  // in the track's folder
constexpr const char* fast_lap_demo = "fastlap.qzdemo";  // in the track's folder

// One recorded bike as the header describes it. Graphics files are empty
// when the bike had none of its own.
struct DemoBike {
  std::string model, rider, bike, wheel, helmet;
  std::string number;  // at most 3 characters
};

struct DemoHeader {
  int version = demo_version;  // 4 or 5
  int race_ticks = 0;          // timed part of the race, ticks
  int laps = 0;
  int drop_tick = 0;            // gate drop; 14 s worth of ticks when the file names none
  std::string track;            // track directory name
  std::vector<DemoBike> bikes;  // B entries, in slot order (at most 40)
  int length = 0;               // bytes of the whole header
};

// Bytes of one bike's state in a file of this version (0 for others).
int demo_state_size(int version);

// Reads and checks a header from the start of `stream`. On a malformed
// header posts "demo NAME: WHY" (`name` is only used in the message) and
// returns false; the stream is then at an unspecified position.
bool read_demo_header(Stream* stream, const char* name, DemoHeader& header);

// Writes the header text; returns its length in bytes, or -1 on failure.
int write_demo_header(Stream* stream, const DemoHeader& header);

// What the session tells the demo code about itself.
struct DemoSession {
  bool solo = false;           // a solo session: last/fast lap files, ghost
  bool online = false;         // connected to a race server
  bool race_slot = false;      // online with a race slot (every bike recorded)
  int drop_tick = 0;           // gate drop tick, written into the header
  bool accurate_skip = false;  // --accurate-skip: Skip runs the game ticks
};

// Session demo state. Lifetime: the streams from start_recording /
// open_playback to stop_recording / close_playback (next session start,
// solo lap end, restart, exit); `name` until stop_recording uses it.
struct DemoState {
  DemoSession session;
  StreamPtr recording;  // null while not recording
  std::string recording_file;
  StreamPtr playback;  // null while not playing
  std::string playback_file;
  DemoHeader header;  // of the playback
  std::string name;   // given by "namedemo"; empty for none
  // Per slot: 1 when the bike got a state this tick, else 0.
  std::array<float, max_bikes> visibility{};
  // Per slot: a state was applied from the frame before, so the next one
  // gives the bodies their velocities.
  std::array<bool, max_bikes> have_previous{};
  // Slots written into each frame, fixed by start_recording (the header's
  // order), and the last state written for each (repeated should a bike
  // vanish, so every frame keeps its size).
  std::vector<int> recorded_slots;
  std::array<BikeState, max_bikes> last_recorded{};
  // Received states of remote bikes, for online recording (filled by the
  // network client).
  std::array<StateHistory, max_bikes> history{};
  bool playback_ended = false;  // the file ran out (or was damaged)
  long long frame = 0;          // index of the next frame to read
};

// The game's one demo state.
extern DemoState game_demo;

// Steps of the rest of the game that seeking needs. Null slots do nothing.
struct DemoHooks {
  // One whole game tick (accurate skip runs these for one second).
  void (*game_tick)(GameState& game) = nullptr;
  // Roost emission off (false) and back on during an accurate skip.
  void (*roost_enabled)(bool enabled) = nullptr;
  // Rewinds every bike's gate progress to what it was at `tick` and
  // updates the standings (seeking backwards).
  void (*rewind_progress)(GameState& game, int tick) = nullptr;
};
extern DemoHooks demo_hooks;

// File name of a solo demo of the track: "@" + track + "/" + file.
std::string solo_demo_name(const char* track, const char* file);

// Opens the recording file (solo: the track's lastlap, else
// demos/default) and writes the header from the session and its recorded
// bikes. A file that cannot be created records nothing, silently.
void start_recording(const GameState& game, DemoState& demo);

// Closes the recording; when a name was given with "namedemo", moves
// demos/default.qzdemo to demos/ + that name and forgets the name.
void stop_recording(DemoState& demo);

// Opens `file` (null: solo the track's fastlap, else demos/default) and
// reads its header into demo.header. False, with a message posted for a
// damaged header, when it cannot be played.
bool open_playback(const GameState& game, DemoState& demo, const char* file);

// Whether a session that plays `playback_file` may record: "Race Against"
// of demos/default.qzdemo would overwrite the demo being played, so it
// posts "Can't record and play from same file - recording disabled" (even
// when recording was not asked for) and returns false; "Playback Only"
// (`race_against` false) never records.
bool demo_recording_allowed(const char* playback_file, bool race_against, bool record_demo);

// Closes the playback; bikes it drove keep their last state.
void close_playback(DemoState& demo);

// True when the recorded track `name` exists; posts a message otherwise.
bool demo_track_exists(const DemoHeader& header, const char* name);

// Writes this tick's frame (offline: the bikes of kind 0 and 2; online the
// states of 127 ticks ago) and flushes it.
void record_tick(const GameState& game, DemoState& demo);

// Reads the next frame and places the bikes of kind 1 from it, in slot
// order. A frame that is not whole (end of file, damage) places nothing
// and ends the playback's movement: visibility 0.
void play_tick(GameState& game, DemoState& demo);

// Skip (+1) or Rewind (-1) by one second. Only while playing, not
// recording, and with every bike of kind 1.
void seek_playback(GameState& game, DemoState& demo, int direction);

// The solo lap end (after the race code timed the lap): closes the
// playback and the recording, frees the ghost bikes, keeps the last lap as
// the fastest when there was none or the ghost was behind
// (`ghost_behind`) and `last_lap_ticks` > 0, then opens the fastest lap
// for playback, starts recording the next lap and builds the ghost bikes
// into slots 1 and up (kind 1). Without timing gates (`has_gates` false)
// stops after freeing the ghosts. `world` is where ghosts are made.
struct PhysicsWorld;
void end_solo_lap(GameState& game, DemoState& demo, PhysicsWorld& world, bool has_gates,
                  bool ghost_behind, int last_lap_ticks);

// The whole demo part of a solo lap end, for the game tick's solo lap
// step: notes whether the ghost (slot 1) was behind the player (slot 0) by
// their next gates, runs end_solo_lap in game.world with the session's
// gates and last lap, and starts the new ghosts' gate progress at the lap
// line (gate F - 1). The player's own return to the lap line and the
// standings are race control's.
void solo_lap_demos(GameState& game, DemoState& demo);

// Builds the playback's bikes into the slots whose lineup code is 0 (or,
// with `ghost_slots`, into slots 1..39), kind 1, with the header's model
// (through the alias hook), number and graphics. A model no bike matches
// gets create_bike's fall-back model and its message. Returns how many.
int build_demo_bikes(GameState& game, const DemoState& demo, PhysicsWorld& world, bool ghost_slots);
