#pragma once
// Start-up without windows: choosing the book's folder, the first-run
// language question, and preparing the book and the display settings.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include "output/cooking.h"

namespace bd {

struct Options {
    QString dataDir;      // --data-dir DIR, empty when not given
    QString error;        // non-empty when the command line is not understood
    bool help = false;    // --help: print usageText and stop
    bool version = false; // --version: print versionText() and stop
    QString usageText;    // usage line and options, for --help
    // The error is an option this program does not know. It may be one of the
    // GUI toolkit's own (-platform, --style, ...), which the GUI takes off the
    // command line once it has started.
    bool unknownOption = false;

    // Work done on the terminal without windows (app/commandline.h).
    QString exportFile;         // --export FILE
    QStringList categories;     // --category NAME, any number of them
    QStringList importFiles;    // --import FILE [FILE...]
    bool skipClashes = false;   // --skip-clashes
    QString title;              // --title TEXT: the cookbook's or web page's title
    bool recipePerPage = false; // --recipe-per-page: the cookbook's layout
    bool windows1252 = false;   // --windows-1252: the MealMaster file's encoding
    bool search = false;        // --search QUERY
    QString query;
    bool show = false;                        // --show TITLE
    QStringList recipeTitles;                 // --show's title, or --shopping-list's TITLE [TITLE...]
    QVector<double> servings;                 // --servings N: for each title, 0 for its own yield
    bool shoppingList = false;                // --shopping-list
    UnitSystem units = UnitSystem::AsWritten; // --metric, --us
    bool command() const { return !exportFile.isEmpty() || !importFiles.isEmpty() || search || show || shoppingList; }
};

Options parseCommandLine(const QStringList& arguments);

// "Brindelle 1.2.3", for --version.
QString versionText();

// Where the running program finds its user guides. An installed program has
// them in the data folder its install put beside the program's folder
// (../share/brindelle/help from bin); a program run where it was built or
// unpacked has them beside itself.
struct ProgramFolders {
    QString helpFolder;  // the user guides
    QString portableDir; // the program's folder when it runs uninstalled, else empty
};
ProgramFolders programFolders(const QString& exeDir);

// The folder of the book: dataDir when given, else portableDir when it is
// given and can be written, else the per-user data folder. An installed
// program has no portableDir: it never writes beside itself.
QString chooseAppPath(const QString& portableDir, const QString& dataDir);

// The "Files:" part of --help: where the book, the settings and the user
// guides are.
QString filesText(const QString& bookFolder, const QString& settingsFile, const QString& helpFolder);

// Reads the stored language. True (with langOffset set) when it is "0" or
// "1"; false when the first-run language chooser must be shown.
bool languageChosen();

enum class InitOutcome { Ready, Quit };

// Prepares the book in appPath: locks its folder (Quit when another copy
// has it), creates it when missing, offers to replace
// one that cannot be read (keeping it aside first), loads it into xmlDoc,
// creates the images folder and reads the display settings.
InitOutcome initialise(const QString& appPath);

// Where the settings live, for display.
QString settingsLocation();

} // namespace bd
