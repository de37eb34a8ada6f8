#pragma once
// The print page: what the browse window shows, written as recipe.htm in
// a private temporary folder, laid out by QTextDocument and printed or previewed
// without page header, footer or page number.

#include <QMarginsF>
#include <QString>

#include "store/recipe.h"

class QPagedPaintDevice;
class QTextDocument;

namespace bd {

// A recipe text made safe for the page: markup characters escaped, then
// every line break shown as "<br>" (the line feed itself is kept).
QString pageText(const QString& text);

// The page's lines, each ending in CR LF. withLogo: quendrel.gif heads it.
QString printPageText(const Recipe& fields, bool withLogo);

// Writes recipe.htm (UTF-8) in the program's private temporary folder, with
// the logo when appPath holds quendrel.gif (copied beside the page).
// Returns its path, or an empty text when it cannot be written.
QString prepTempPrint(const Recipe& fields);

// Loads the written page into doc; its pictures are found beside it.
bool loadPrintPage(QTextDocument& doc, const QString& path);

// Lays doc out on the device's pages (1/96 inch per layout unit) and paints
// them: no header, no footer, no page number. A Cookbook (output/cookbook.h)
// lays itself out and numbers its pages.
void printPages(QTextDocument& doc, QPagedPaintDevice* device);
// The page margins (millimetres) a printer starts with.
extern const QMarginsF kPrintMargins;

// Writes the page and hands it to the print dialog (or the preview) of the
// dialog seam. False when nothing was printed.
bool printRecipe(const Recipe& fields, bool preview);

// Lays out every recipe of the open book's category at position as a
// cookbook (output/cookbook.h) titled with its name and hands it to the
// print preview of the dialog seam, from which it is printed. False when
// the category has no recipe or nothing was printed.
bool printCategory(int position);

} // namespace bd
