#include "app/base/text.h"

#include "app/base/globals.h"

namespace bd {

QString fetchText(Str id) { return fetchText(id, G.langOffset); }

QColor fetchColor(int role) { return fetchColor(role, G.colorBase); }

SchemeColours currentColours() { return schemeColours(G.colorBase); }

} // namespace bd
