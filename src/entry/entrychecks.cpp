#include "entry/entrychecks.h"

#include "store/recipebook.h"
#include "app/globals.h"

#include <QDir>
#include <QFileInfo>

namespace bd {

namespace {

EntryCheck titleFailure(int message, const QString& suffix = QString())
{
    return {message, suffix, EntryFocus::Title, message != 165};
}

EntryCheck categoryFailure() { return {164, QString(), EntryFocus::Category, false}; }

} // namespace

QString titleCharsText()
{
    return QStringLiteral("\r\n\" , ' , ? , \\ , / , : , * , | , < , >");
}

QString addCategoryCharsText()
{
    return QStringLiteral("\r\n\" , ' , ? , \\ , / , : , * , | , < , > ");
}

QString editCategoryCharsText()
{
    return QStringLiteral("\r\n\" , ' , ? , \\ , / , : , *  , | , < , >");
}

EntryCheck checkNewRecipe(const QString& title, bool categoryChosen)
{
    if (title.isEmpty())
        return titleFailure(165);
    if (!categoryChosen)
        return categoryFailure();
    if (!nameAllowed(title))
        return titleFailure(166, titleCharsText());
    if (G.xmlDoc.titleExists(title))
        return titleFailure(167);
    return {};
}

EntryCheck checkEditedRecipe(const QString& title, bool categoryChosen, const QString& editTitle)
{
    if (!categoryChosen)
        return categoryFailure();
    if (title.isEmpty())
        return titleFailure(165);
    if (!nameAllowed(title))
        return titleFailure(166, titleCharsText());
    if (title.toLower() != editTitle.toLower() && G.xmlDoc.titleExists(title))
        return titleFailure(167);
    return {};
}

bool pictureNameAccepted(const QString& path)
{
    const QString end = path.right(3).toLower();
    for (const char* ok : {"gif", "jpg", "bmp", "peg", "jpe"})
        if (end == QLatin1String(ok))
            return true;
    return false;
}

bool inFolder(const QString& path, const QString& folder)
{
    const QFileInfo file(path);
    const QFileInfo dir(folder);
    QString fileFolder = QDir::cleanPath(file.absolutePath());
    QString wanted = QDir::cleanPath(dir.absoluteFilePath());
    if (file.exists() && dir.exists()) {
        fileFolder = QFileInfo(file.canonicalFilePath()).absolutePath();
        wanted = dir.canonicalFilePath();
    }
    return fileFolder == wanted;
}

} // namespace bd
