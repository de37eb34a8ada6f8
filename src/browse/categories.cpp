#include "browse/categories.h"

#include "app/base/dialogs.h"
#include "app/base/text.h"
#include "store/names.h"
#include "store/recipebook.h"

namespace bd {

std::optional<QString> askNewCategoryName(const QStringList& listEntries, const QString& current)
{
    if (listEntries.isEmpty())
        return std::nullopt;
    const QString prompt = fetchText(Str::RenameCategory) + QStringLiteral(":\r\n« ") + current + QStringLiteral(" »");
    for (;;) {
        const std::optional<QString> answer = dialogs().input(Str::RenameCategory, prompt, QStringLiteral("BD"),
                                                              current);
        const QString newName = answer ? storableText(*answer).trimmed() : QString();
        if (newName.isEmpty() || newName == current)
            return std::nullopt;
        if (!nameAllowed(newName)) {
            msgBox(Str::CategoryChars, Buttons::Ok, Icon::None, forbiddenCharsText(CharsList::RenameCategory));
            return std::nullopt;
        }
        if (categoryNameFree(listEntries, newName))
            return newName;
        if (msgBox(Str::CategoryExists, Buttons::RetryCancel) != Answer::Retry)
            return std::nullopt;
    }
}

bool confirmCategoryDeletion(const QString& name, bool hasRecipes)
{
    if (hasRecipes)
        msgBox(Str::CategoryHasRecipes);
    return msgBox(Str::ConfirmDeletion, Buttons::YesNo, Icon::None,
                  QStringLiteral(":\r\n« ") + name + QStringLiteral(" »")) != Answer::No;
}

} // namespace bd
