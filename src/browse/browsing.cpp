#include "browse/browsing.h"

#include "app/globals.h"
#include "app/listsort.h"

namespace bd {

QString fixLineBreaks(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return out;
}

QVector<std::pair<QString, int>> categoryListEntries()
{
    QVector<std::pair<QString, int>> entries;
    for (const CategoryEntry& c : G.xmlDoc.categories())
        entries.push_back({c.name, c.position});
    sortForList(entries);
    return entries;
}

QStringList recipeListEntries(int position)
{
    QStringList titles = G.xmlDoc.recipeTitles(position);
    sortForList(titles);
    return titles;
}

} // namespace bd
