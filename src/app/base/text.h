#pragma once
// The string table and the colour schemes as the cook chose them in the
// preferences: text in the current language (G.langOffset), colours of the
// current scheme (G.colorBase).

#include "resources/colours.h"
#include "resources/strings.h"

#include <QColor>
#include <QString>

namespace bd {

// Text of English id in the current language.
QString fetchText(Str id);

// The colour of role in the current scheme.
QColor fetchColor(int role);
// The colours the current scheme is shown in.
SchemeColours currentColours();

} // namespace bd
