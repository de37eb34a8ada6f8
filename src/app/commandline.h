#pragma once
// The work the program does on the terminal, without windows: exporting
// the book (or some of its categories) to a file, and importing whole
// files into it. Each returns its exit code and the texts for standard
// output and standard error; a failure leaves the book as it was.

#include "app/startup.h"

#include <QString>

namespace bd {

struct CommandResult {
    int exitCode = 0;
    QString out; // what was done, for standard output
    QString err; // what went wrong, for standard error
};

// Exit codes besides 0.
enum : int { kCommandFailed = 1, kNothingFound = 1, kSearchFailed = 2, kBookInUse = 3 };

// --export: writes the book in folder, or the categories options name, to
// options.exportFile in the format its extension names. Only reads the
// book. The cookbook PDF needs a QGuiApplication.
CommandResult exportFromCommandLine(const QString& folder, const Options& options);

// --import: adds the recipes of every file to the book in folder with one
// save, renaming clashing titles (" (2)", " (3)", ...) or, with
// skipClashes, leaving them out. Refused while another copy holds the
// book. Every file is read before anything changes.
CommandResult importFromCommandLine(const QString& folder, const Options& options);

// --search: the recipes options.query finds in the book in folder, a line
// each (category, tab, title) in the search window's order; exits
// kNothingFound when there are none, kSearchFailed when the book cannot be
// read. Only reads the book, so the program may have it open meanwhile.
CommandResult searchFromCommandLine(const QString& folder, const Options& options);

// --show: the recipes titled options.recipeTitles[0] (exactly; every
// category that holds the title gives one) as the plain-text view shows
// them, for options.servings[0] (0: the recipe's own) in options.units,
// with LF line breaks, a blank line between recipes. kNothingFound when no
// recipe has the title; a recipe whose yield names no count is shown for
// its own yield, which standard error says. Only reads the book.
CommandResult showFromCommandLine(const QString& folder, const Options& options);

// --shopping-list: the shopping list of the recipes titled
// options.recipeTitles (the first in book order of each title), each for
// its servings, as shoppingListText writes it with LF line breaks.
// kNothingFound when a title names no recipe. Only reads the book.
CommandResult shoppingListFromCommandLine(const QString& folder, const Options& options);

// True when the command needs a QGuiApplication (the cookbook PDF).
bool commandNeedsGui(const Options& options);

// Runs the command for the book folder the options choose, prints its
// texts and returns its exit code.
int runCommand(const Options& options);

} // namespace bd
