#pragma once
// What the lines of a recipe's ingredients are: the amounts they start
// with, and the lines that name a part of the recipe ("FOR THE SAUCE",
// "Filling:") over the ingredients that follow, which the MealMaster
// export writes as its headings and the cookbook prints as headings.

#include <QStringView>

#include <vector>

namespace bd {

// A character of an amount: digits, fractions, "/", ".", ",", "-".
bool amountChar(QChar c);
// A word of amount characters alone ("1", "1/2", "2-3").
bool amountWord(QStringView word);

// A line that names a part of the ingredients: no amount first, at most 60
// characters, and either ending in a colon or with no small letters (but
// some letter), not framed in dashes.
bool ingredientHeading(QStringView line);

// Whether lines[i] heads ingredients: a heading line whose next line that
// is not blank is an ingredient (not another heading).
bool headsIngredients(const std::vector<QStringView>& lines, size_t i);

} // namespace bd
