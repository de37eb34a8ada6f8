#pragma once
// The preferences window's logic: which list entries the stored settings
// select, and what Save and Discard store and change.

#include <QString>

namespace bd {

// The positions chosen in the three lists.
struct PrefChoice {
    int colour = 0; // scheme position 0-6 (offset position x 100)
    int lang = 0;   // 0 English, 1 Spanish
    int text = 0;   // 0 small, 1 normal, 2 large
};

constexpr int kLangCount = 2;
constexpr int kTextSizeCount = 3;

// The list positions the stored "color", "language" and "textSize" texts
// select. Empty texts, texts that are not numbers and numbers beyond a
// list select position 0.
int colourPosition(const QString& stored);
int listPosition(const QString& stored, int count);
PrefChoice storedPreferences();

// langOffset and textFontSize from the language and text-size positions.
void getAllDefaultSettings(int langPosition, int textPosition);

// Stores the three choices and makes them current.
void savePreferences(const PrefChoice& choice);

// Undoes a colour preview from the stored colour; with no stored language,
// says that English will be used and stores it.
void discardPreferences();

// The units recipes are shown in (0 as written, 1 metric, 2 US), kept in
// the setting "units"; what is not one of them reads as 0.
constexpr int kUnitsCount = 3;
int unitsPreference();
void saveUnitsPreference(int units);

} // namespace bd
