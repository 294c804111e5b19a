#pragma once
// Shared between the listings and the index reset used by tests.

// Forgets the screenshot number of this run, so the next request scans
// the name list again.
void reset_screenshot_counter();
