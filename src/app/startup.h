#pragma once
// Start-up without windows: choosing the book's folder, the first-run
// language question, and preparing the book and the display settings.

#include <QString>
#include <QStringList>

namespace bd {

struct Options {
    QString dataDir; // --data-dir DIR, empty when not given
    QString error;   // non-empty when the command line is not understood
};

Options parseCommandLine(const QStringList& arguments);

// The folder of the book: dataDir when given, else exeDir when it can be
// written, else the per-user data folder.
QString chooseAppPath(const QString& exeDir, const QString& dataDir);

// Reads the stored language. True (with langOffset set) when it is "0" or
// "1"; false when the first-run language chooser must be shown.
bool languageChosen();

enum class InitOutcome { Ready, Quit };

// Takes the book folder for this copy of the program alone, through a lock
// file in it. A lock left by a copy that is no longer running is taken
// over. False, after saying so, when another running copy holds it.
bool lockBookFolder(const QString& folder);
// Gives the folder up (at the end of the program, and in tests).
void unlockBookFolder();

// Prepares the book in appPath: locks its folder (Quit when another copy
// has it), creates it when missing, offers to replace
// one that cannot be read (keeping it aside first), loads it into xmlDoc,
// creates the images folder and reads the display settings.
InitOutcome initialise(const QString& appPath);

// The user guide for the current language.
QString helpFilePath();

// Where the settings live, for display.
QString settingsLocation();

} // namespace bd
