#pragma once
// The import as the wizard runs it, timed for the import benchmarks.

#include "benchbook.h"

#include "exchange/exchange.h"
#include "exchange/importfile.h"

namespace benchbook {

using namespace bd;

// The import of files as the wizard does it: the file check, the check
// list, the import and its one save. Several files (a folder of Cooklang
// recipes) are each checked and read into one source, imported at once.
struct Timing {
    double check = 0; // the file check: reading the files into a list of recipes
    double whole = 0; // check, check list, import and save
};

inline Timing importFiles(const QStringList& files, const QString& bookFile, RecipeBook& book, int n)
{
    check(writeFileAtomically(bookFile, kEmptyBook).ok && book.loadFile(bookFile), QStringLiteral("no empty book"));
    QElapsedTimer clock;
    clock.start();
    RecipeList source;
    const ReadContext context{QStringLiteral("Imported"), 0};
    if (files.size() == 1) {
        check(readImportFile(files.first(), source, context).kind != ImportKind::None,
              QStringLiteral("%1 did not read").arg(files.first()));
    } else {
        const std::vector<ImportFileRead> reads = readImportFiles(files, source, context);
        for (size_t i = 0; i < reads.size(); ++i)
            check(reads[i].kind != ImportKind::None, QStringLiteral("%1 did not read").arg(files[qsizetype(i)]));
    }
    Timing t;
    t.check = double(clock.nsecsElapsed()) / 1e6;
    ImportJob job;
    const int entries = int(importList(source).size());
    for (int i = 0; i < entries; ++i)
        job.selected.insert(i);
    job.bookPath = bookFile;
    job.date = QStringLiteral("12/6/2026");
    const ImportResult r = importRecipes(book, source, job);
    t.whole = double(clock.nsecsElapsed()) / 1e6;
    check(r.outcome == RunOutcome::Done && r.imported == n && r.saved.ok,
          QStringLiteral("%1 of %2 recipes imported").arg(r.imported).arg(n));
    return t;
}

// A book file's document holding the recipes of list, in their order.
inline void fillBook(RecipeBook& book, const RecipeList& list)
{
    book.clear();
    pugi::xml_node category;
    for (const Recipe& r : list.recipes) {
        if (!category || r.category != qstr(category.attribute("cname").value()))
            category = RecipeBook::appendCategoryNode(book.root(), r.category);
        RecipeBook::appendRecipeNode(category, r, true);
    }
}

} // namespace benchbook
