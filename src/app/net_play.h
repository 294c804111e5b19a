#pragma once
// Online play from the game's side: joining the server named on the
// command line, the network step before each game tick, the pacing that
// follows the server's clock, and leaving at exit. The race client itself
// (net/net_client.h) does the talking; sessions are started by the server.

struct CommandLineOptions;
struct GameState;

// Start-up: the rider, the password and the fake network of the command
// line; joins --connect when given. True when a server is being joined.
bool start_net_play(const CommandLineOptions& options);

// Once per simulation step, before the game tick. False while the game
// must wait for the server (no server tick seen yet).
bool net_play_step(GameState& game);

// The factor on the frame's simulated advance: 1 offline, near 1 online
// where the local tick drifts from the server's.
double net_play_pace(const GameState& game);

// Exit: says goodbye to the server and closes the sockets.
void stop_net_play();
