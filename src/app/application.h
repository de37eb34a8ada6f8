#pragma once

namespace bd {

// Registers the program's windows with the window switcher.
void registerStandardWindows();

// The whole program: command line, first-run language, start-up, and the
// event loop. Returns the exit code.
int runBrindelle(int argc, char** argv);

} // namespace bd
