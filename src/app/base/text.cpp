#include "app/base/text.h"

#include "app/base/globals.h"

namespace bd {

QString fetchText(Str id) { return fetchText(id, G.langOffset); }

QLocale programLocale() { return G.langOffset == 300 ? QLocale(QLocale::Spanish, QLocale::Spain) : QLocale::system(); }

void followProgramLocale()
{
    const QLocale wanted = programLocale();
    if (QLocale() != wanted)
        QLocale::setDefault(wanted);
}

QColor fetchColor(int role) { return fetchColor(role, G.colorBase); }

SchemeColours currentColours() { return schemeColours(G.colorBase); }

} // namespace bd
