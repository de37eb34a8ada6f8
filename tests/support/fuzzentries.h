#pragma once
// Entry points that feed outside data to the program's readers. The fuzz
// targets call them with generated input, and the regression test with the
// seed corpus and every input that once made them fail. Each aborts when a
// promise is broken (a save that does not read back, a search that misses).

#include <QByteArray>

namespace bdtest {

// Loads bytes as the book and reads it as the windows do: the category and
// recipe lists, every field, the picture names, the keyword search (with a
// keyword taken from the start of the input), the plain text, the print
// page and the e-mail text; then saves it in memory and loads that again.
void readBook(const QByteArray& bytes);

// Takes bytes as a file chosen for import: the file check, the check list,
// and a full import of every entry into a small open book, each clash
// skipped and no file read or written; then checks the book's promises
// (unique titles, bare picture names, a save that reads back). Also feeds
// the input's halves to the picture renaming.
void importFile(const QByteArray& bytes);

// Reads bytes as a MealMaster file: the decoding, the recipes with their
// titles and categories, the lines of those left out, and a full import of
// what was read, as importFile does.
void importMealMaster(const QByteArray& bytes);

// Each reads bytes as one of the other programs' formats (MasterCook text
// and XML; RecipeML; schema.org data in a page or JSON; Cooklang), checks
// what it read as importMealMaster does, and imports it.
void importMasterCook(const QByteArray& bytes);
void importRecipeML(const QByteArray& bytes);
void importSchemaOrg(const QByteArray& bytes);
void importCooklang(const QByteArray& bytes);

// Offers bytes to the readers of other programs' exports (alone,
// gzip-compressed or in a zip, within small archive limits) under the
// names, endings and root elements they look for, and checks and imports
// what the reader that knows them reads.
void importOtherPrograms(const QByteArray& bytes);

} // namespace bdtest
