#include "app/base/globals.h"

#include "app/base/clock.h"
#include "app/base/settings.h"

#include <QDir>

namespace bd {

Globals G;

void Globals::reset()
{
    appPath.clear();
    regKey.clear();
    xmlDoc.clear();
    imgPrefix.clear();
    langOffset = 0;
    colorBase = 0;
    textFontSize = 10;
    printPreview = false;
    savedHeader.clear();
    savedFooter.clear();
    endOnUnload = false;
    calledFromBr = calledFromAdd = calledFromEdit = false;
    viewImagePath.clear();
    editTitle.clear();
    editCat.clear();
    editIng.clear();
    editPrep.clear();
    editOther.clear();
    editCookTime.clear();
    editPrepTime.clear();
    editYield.clear();
    editImage.clear();
    addWinActive = false;
    readOnly = false;
    helpFolder.clear();
}

Recipe Globals::editRecipe() const
{
    Recipe r;
    r.title = editTitle;
    r.preptime = editPrepTime;
    r.cooktime = editCookTime;
    r.yield = editYield;
    r.ing = editIng;
    r.prep = editPrep;
    r.other = editOther;
    r.image = editImage;
    r.category = editCat;
    return r;
}

void Globals::setEditRecipe(const Recipe& r)
{
    editTitle = r.title;
    editPrepTime = r.preptime;
    editCookTime = r.cooktime;
    editYield = r.yield;
    editIng = r.ing;
    editPrep = r.prep;
    editOther = r.other;
    editImage = r.image;
    editCat = r.category;
}

QString bookPath() { return G.appPath + QStringLiteral("/recipes.xml"); }
QString imagesFolder() { return G.appPath + QStringLiteral("/images"); }

} // namespace bd

namespace bd {

BookPlace bookPlace()
{
    BookPlace p;
    p.book = bookPath();
    p.images = imagesFolder();
    if (!G.imgPrefix.isEmpty())
        p.imgPrefix = G.imgPrefix;
    // How many daily snapshots of the book are kept (0: none).
    bool number = false;
    const int kept = readValue(QStringLiteral("snapshots")).toInt(&number);
    if (number && kept >= 0)
        p.snapshots.kept = kept;
    p.snapshots.clock = snapshotTime;
    p.readOnly = G.readOnly;
    return p;
}

Store bookStore() { return Store(G.xmlDoc, bookPlace()); }

QString storedPicturePath(const QString& name) { return picturePathIn(imagesFolder(), name); }

} // namespace bd
