#pragma once
// A modal message box with an OK button: for problems the player must see
// before the program ends (missing game data, out of memory). Formats at
// most 1023 characters and returns when the user has closed the box. With
// no display (or with the null driver) the title and the text go to
// standard error instead.

void korb_error_box(const char* title, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
