#pragma once
// The formats an export can write, chosen by the file's type: a recipe
// book (with its pictures in exp_img), a MealMaster text file, a cookbook
// PDF and a web page. All take the chosen recipes as the export list names
// them, and write their file once, when it is complete.

#include "exchange/exchange.h"
#include "exchange/formats/mealmasterwriter.h"

#include <optional>

namespace bd {

enum class ExportFormat { Book, MealMaster, Cookbook, WebPage };

// The format a file's extension names (.xml, .mmf, .pdf, .html or .htm,
// letter case ignored), nullopt for any other.
std::optional<ExportFormat> exportFormatOf(const QString& path);

// Where the pictures of a web page go.
enum class WebPictures { Folder, Embedded, None };

struct ExportOptions {
    ExportFormat format = ExportFormat::Book;
    TextEncoding encoding = TextEncoding::Utf8;    // MealMaster
    QString title;                                 // cookbook and web page; empty: the default
    bool recipePerPage = false;                    // cookbook
    WebPictures webPictures = WebPictures::Folder; // web page
};

// The folder of a web page's pictures: "<name>_files" beside it.
QString webPictureFolder(const QString& page);

// Hands take each listed recipe of book in list order, with its
// category's name, telling step after each: Failed at the first one
// missing, Cancelled when step says so.
RunOutcome eachListed(const RecipeBook& book, const QVector<RecipeRef>& items, const StepFn& step,
                      const std::function<void(Recipe&&)>& take);

// The listed recipes of book, in list order, each with its category's
// name. False (with those found before) when one is missing.
bool listedRecipes(const RecipeBook& book, const QVector<RecipeRef>& items, QVector<Recipe>& out);

// Writes the listed recipes of book to job.path in options.format. The
// book format is exportRecipes' (job.pictureFolder: its pictures); the
// others take their pictures from job.imagesFolder. The cookbook needs a
// QGuiApplication.
ExportResult exportAs(const RecipeBook& book, const QVector<RecipeRef>& items, const ExportJob& job,
                      const ExportOptions& options, const StepFn& step = {});

// What the export says of the characters its encoding lacks (written as
// "?"), in the program's language; empty for none.
QString replacedText(int replaced);

// The web page of recipes: one HTML file, its pictures in a folder beside
// it, inside it, or left out.
QString webPageHtml(const QVector<Recipe>& recipes, const QString& title, WebPictures pictures,
                    const QString& imagesFolder, const QString& pagePath);

} // namespace bd
