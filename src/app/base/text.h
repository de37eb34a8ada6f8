#pragma once
// The string table and the colour schemes as the cook chose them in the
// preferences: text in the current language (G.langOffset), colours of the
// current scheme (G.colorBase).

#include "resources/colours.h"
#include "resources/strings.h"

#include <QColor>
#include <QLocale>
#include <QString>

namespace bd {

// Text of English id in the current language.
QString fetchText(Str id);

// Dates and numbers as the current language writes them: Spanish (Spain)
// in Spanish, the system's way in English.
QLocale programLocale();
// Makes programLocale() the default locale, which the toolkit's own
// windows (the file dialog's dates and file types) follow.
void followProgramLocale();

// The colour of role in the current scheme.
QColor fetchColor(int role);
// The colours the current scheme is shown in.
SchemeColours currentColours();

} // namespace bd
