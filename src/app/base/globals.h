#pragma once
// The program-wide state shared by the windows. Every window reads and
// writes these under their historical names; tests call G.reset().

#include <QString>

#include "store/recipebook.h"
#include "store/store.h"

namespace bd {

class Dialogs;

struct Globals {
    QString appPath;       // folder of the book, no trailing separator
    QString regKey;        // settings base key, for display only
    RecipeBook xmlDoc;     // the open recipe book
    QString imgPrefix;     // "recipes": first part of stored picture names
    int langOffset = 0;    // 0 English, 300 Spanish
    int colorBase = 0;     // colour scheme offset 0, 100, ... 600
    int textFontSize = 10; // points for recipe text: 8, 10 or 12
    bool printPreview = false;
    QString savedHeader, savedFooter;
    bool endOnUnload = false; // unloading a main window ends the program
    bool calledFromBr = false, calledFromAdd = false, calledFromEdit = false;
    QString viewImagePath;
    // The edit buffer: the recipe the browse window hands to the edit window.
    QString editTitle, editCat, editIng, editPrep, editOther;
    QString editCookTime, editPrepTime, editYield, editImage;
    bool addWinActive = false;
    // No lock could be taken on the book's folder: every change is refused.
    bool readOnly = false;

    // Folder that holds the user guides (beside the program).
    QString helpFolder;

    // The edit buffer as a recipe (category: editCat).
    Recipe editRecipe() const;
    // Fills the edit buffer.
    void setEditRecipe(const Recipe& r);

    void reset();
};

extern Globals G;

// Paths derived from appPath.
QString bookPath();     // appPath + "/recipes.xml"
QString imagesFolder(); // appPath + "/images"
// The open book's place and store.
BookPlace bookPlace();
Store bookStore();
// The images folder + name, or an empty string when name is not safe.
QString storedPicturePath(const QString& name);

} // namespace bd
