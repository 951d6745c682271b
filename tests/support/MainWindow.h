// The program's one window for tests that drive it: made once per test
// program, as the entry routine makes it, and kept for all its tests.
#pragma once

// Creates `Main` on first use (title, window) and lets it settle; later
// calls do nothing.
void EnsureMainWindow();
