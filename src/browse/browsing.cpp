#include "browse/browsing.h"

#include "app/base/globals.h"
#include "store/listsort.h"

namespace bd {

QString fixLineBreaks(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return out;
}

QStringList recipeListEntries(int position)
{
    QStringList titles = G.xmlDoc.recipeTitles(position);
    sortForList(titles);
    return titles;
}

} // namespace bd
