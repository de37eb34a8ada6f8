#include "app/base/preferences.h"

#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "app/base/settings.h"
#include "resources/colours.h"

#include <cmath>

namespace bd {

namespace {
int whole(double v) { return std::isfinite(v) && std::abs(v) < 1e9 ? int(std::nearbyint(v)) : -1; }
} // namespace

int colourPosition(const QString& stored)
{
    if (stored.isEmpty())
        return 0;
    const int v = whole(numericValue(stored));
    if (v == 0)
        return 0;
    const int position = whole(v / 100.0);
    return position >= 0 && position < kSchemeCount ? position : 0;
}

int listPosition(const QString& stored, int count)
{
    if (stored.isEmpty())
        return 0;
    const int position = whole(numericValue(stored));
    return position >= 0 && position < count ? position : 0;
}

PrefChoice storedPreferences()
{
    PrefChoice c;
    c.colour = colourPosition(readValue(QStringLiteral("color")));
    c.lang = listPosition(readValue(QStringLiteral("language")), kLangCount);
    c.text = listPosition(readValue(QStringLiteral("textSize")), kTextSizeCount);
    return c;
}

void getAllDefaultSettings(int langPosition, int textPosition)
{
    G.langOffset = langPosition == 1 ? 300 : 0;
    static const int points[kTextSizeCount] = {8, 10, 12};
    G.textFontSize = textPosition >= 0 && textPosition < kTextSizeCount ? points[textPosition] : 10;
}

void savePreferences(const PrefChoice& choice)
{
    writeValue(QStringLiteral("color"), QString::number(choice.colour * 100));
    G.colorBase = choice.colour * 100;
    writeValue(QStringLiteral("language"), QString::number(choice.lang));
    writeValue(QStringLiteral("textSize"), QString::number(choice.text));
    getAllDefaultSettings(choice.lang, choice.text);
}

void discardPreferences()
{
    G.colorBase = colourOffset(readValue(QStringLiteral("color")));
    if (readValue(QStringLiteral("language")).isEmpty()) {
        dialogs().message(Str::None, QStringLiteral("Default settings will be used (English)"), Buttons::Ok, Icon::None,
                          QStringLiteral("BD"));
        writeValue(QStringLiteral("language"), QStringLiteral("0"));
    }
}

int unitsPreference() { return listPosition(readValue(QStringLiteral("units")), kUnitsCount); }

void saveUnitsPreference(int units)
{
    writeValue(QStringLiteral("units"), QString::number(units >= 0 && units < kUnitsCount ? units : 0));
}

} // namespace bd
