#include "app/globals.h"

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
    editTitle.clear(); editCat.clear(); editIng.clear(); editPrep.clear(); editOther.clear();
    editCookTime.clear(); editPrepTime.clear(); editYield.clear(); editImage.clear();
    addWinActive = false;
    helpFolder.clear();
}

QString bookPath() { return G.appPath + QStringLiteral("/recipes.xml"); }
QString imagesFolder() { return G.appPath + QStringLiteral("/images"); }

} // namespace bd
