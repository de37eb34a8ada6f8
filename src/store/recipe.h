#pragma once
// The one recipe value every part of the program hands around: the store,
// the readers and writers of every file format, the text builders and the
// windows.

#include <QString>

namespace bd {

// Children of a <recipe> in a book file, by position.
enum RecipeChild { RTitle = 0, RPrepTime, RCookTime, RYield, RIng, RPrep, ROther, RDate, RImage, RChildCount };

extern const char* const kRecipeChildNames[RChildCount];

struct Recipe {
    // The nine texts a book holds for a recipe, in book order. On its way
    // into the store, image is the picture file the cook chose (a path);
    // in a book, the stored picture's bare file name.
    QString title, preptime, cooktime, yield, ing, prep, other, date, image;
    // The name of its category, where the recipe is known apart from a book.
    QString category;

    QString& operator[](int child);
    const QString& operator[](int child) const;
};

// A recipe as a list names it: its category's position and its exact title.
struct RecipeRef {
    int category = -1;
    QString title;
};

} // namespace bd
