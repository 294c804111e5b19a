#pragma once
// Screenshots: the frame buffer saved as "screenshot%03d.png" in the home
// directory, numbered on from the highest one already there.

#include <string>
#include <vector>

// The number after the highest "screenshot<n>.png" (or ".ppm", the older
// format) among the data file names; 0 when there is none.
int next_screenshot_number(const std::vector<std::string>& file_names);

// Reads the current GL frame buffer (width x height, RGB) and writes
// "@screenshot%03d.png", then posts "Saved \"screenshot%03d.png\"".
// `number` is -1 before the first screenshot of the run; it is found from
// the data files then and counts on after each shot.
void take_screenshot(int& number, int width, int height);
