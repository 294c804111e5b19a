#pragma once
// The game's entry: start-up, the run, and shutdown in their fixed order.

// Runs the whole program with the process's arguments. Returns the exit
// status: 0 after a normal run, after --open-home and when the game data
// is missing (the player has seen the error box); 1 when no track is
// installed or the command line is bad.
int tavrin_main(int argc, char** argv);
