#include "browse/categories.h"

#include "app/dialogs.h"
#include "app/globals.h"
#include "resources/strings.h"
#include "store/store.h"

#include <QFile>
#include <QFileInfo>

namespace bd {

bool catNameFree(const QStringList& listEntries, const QString& candidate)
{
    const QString wanted = candidate.toLower();
    for (const QString& entry : listEntries)
        if (entry.toLower() == wanted)
            return false;
    return true;
}

SaveResult renameCategory(const QString& oldName, const QString& newName)
{
    const int position = G.xmlDoc.categoryPosition(oldName);
    if (position < 0)
        return {};
    G.xmlDoc.renameCategory(position, newName);
    return saveBook();
}

SaveResult deleteCategory(const QString& name)
{
    const int position = G.xmlDoc.categoryPosition(name);
    if (position < 0)
        return {};
    QStringList pictures;
    for (pugi::xml_node r = G.xmlDoc.category(position).child("recipe"); r; r = r.next_sibling("recipe")) {
        const QString image = RecipeBook::childText(r, RImage);
        if (safePictureName(image))
            pictures << storedPicturePath(image);
    }
    G.xmlDoc.removeCategory(position);
    const SaveResult saved = saveBook();
    // Pictures go only once the book without their recipes is on disk; one
    // that cannot be deleted stays behind.
    if (saved.ok) {
        for (const QString& path : std::as_const(pictures)) {
            if (QFileInfo(path).isFile())
                QFile::remove(path);
        }
    }
    return saved;
}

std::optional<QString> askNewCategoryName(const QStringList& listEntries, const QString& current)
{
    if (listEntries.isEmpty())
        return std::nullopt;
    const QString prompt =
        fetchText(261) + QStringLiteral(":\r\n« ") + current + QStringLiteral(" »");
    for (;;) {
        const std::optional<QString> answer = dialogs().input(261, prompt, QStringLiteral("BD"), current);
        const QString newName = answer ? storableText(*answer).trimmed() : QString();
        if (newName.isEmpty() || newName == current)
            return std::nullopt;
        if (!nameAllowed(newName)) {
            msgBox(295, Buttons::Ok, Icon::None, QStringLiteral("\r\n\" , ' , ? , \\ , / , : , * , | , < , > "));
            return std::nullopt;
        }
        if (catNameFree(listEntries, newName))
            return newName;
        if (msgBox(192, Buttons::RetryCancel) != Answer::Retry)
            return std::nullopt;
    }
}

bool confirmCategoryDeletion(const QString& name, bool hasRecipes)
{
    if (hasRecipes)
        msgBox(259);
    return msgBox(168, Buttons::YesNo, Icon::None, QStringLiteral(":\r\n« ") + name + QStringLiteral(" »")) !=
           Answer::No;
}

} // namespace bd
