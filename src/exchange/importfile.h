#pragma once
// The file check of the import for every format it reads: a file is told
// by its content (and, where content alone cannot tell, its extension) and
// read into a list of recipes, the import's source; a web page is read as
// it was fetched.

#include "exchange/exchange.h"
#include "exchange/formats/archive.h"
#include "exchange/formats/readers.h"
#include "exchange/webfetch.h"

#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace bd {

struct ImportFileRead {
    ImportKind kind = ImportKind::None;
    QVector<int> unreadable; // lines where recipes that could not be read start
    // Where the pictures the source's recipes name are (their image fields
    // hold bare file names there); empty when there are none.
    QString pictureFolder;
    int recipes = 0; // the entries it added (set by readImportFiles)
    // Pictures the file held itself, unpacked for the import (pictureFolder
    // is this folder then); removed when the last copy of the read goes.
    std::shared_ptr<QTemporaryDir> unpacked;
    int notPictures = 0; // pictures the file held that were no pictures, left out
    // Why an archive could not be read, where the file is one.
    ArchiveFault archiveFault = ArchiveFault::None;
    // Another program's own cookbook, which the import cannot read.
    OwnCookbook ownCookbook;
};

// Reads the recipes of path into source (in file order; context gives the
// uncategorised category and the language of the notes): a recipe book, a MasterCook export (text or
// XML), a RecipeML file, a saved web page or JSON file with schema.org
// recipes, a Cooklang file or a MealMaster file, whichever it is. A text
// file may hold MasterCook and MealMaster recipes both. Pictures named by
// the recipes are looked for beside the file. None leaves source empty.
ImportFileRead readImportFile(const QString& path, RecipeList& source, const ReadContext& context);

// Reads paths into source one after the other, as readImportFile reads
// each (several at a time): a file's recipes come after those of the files
// before it, and its result tells how many it added.
std::vector<ImportFileRead> readImportFiles(const QStringList& paths, RecipeList& source, const ReadContext& context);

// Reads a fetched page's recipes into source (kind WebPage, or None when
// it holds none); the page's address goes into their notes. When
// pictureFolder is given, the recipes' pictures are downloaded into it, all
// at once within picturesTimeoutMs for them together (progress told as
// fetchUrls tells it); a picture that has not come by then, or that the
// cook cancelled, is left out.
ImportFileRead readWebImport(const FetchedPage& page, RecipeList& source, const ReadContext& context,
                             const QString& pictureFolder = QString(), int picturesTimeoutMs = kPicturesTimeout,
                             const FetchProgress& progress = {});

// The file types of the import's file dialog ("description|patterns|...").
QString importFileFilter();

// What a read has to tell beside its recipes, in the current language: why
// the archive that file is could not be read (empty when it could), and
// how many of its pictures were no pictures (empty for none).
QString archiveFaultText(const ImportFileRead& read, const QString& file);
QString notPicturesText(const ImportFileRead& read);
// What the cook is told of a program's own cookbook (empty for a file that
// is none), in the current language.
QString ownCookbookText(const ImportFileRead& read, const QString& file);
// The string of the archive's fault (Str::None for none).
Str archiveFaultMessage(ArchiveFault fault);

} // namespace bd
