#pragma once

namespace bd {

// Registers the program's windows with the window switcher.
void registerStandardWindows();

// Offers, one after another and each only once, to import the recipes of
// the other versions of the book left beside it (conflictCopies): a copy
// taken up opens the import wizard with what the book lacks ticked, and the
// next one is offered when the wizard has returned to the browse window.
void offerConflictCopies();

// The whole program: command line, first-run language, start-up, and the
// event loop. Returns the exit code.
int runBrindelle(int argc, char** argv);

} // namespace bd
