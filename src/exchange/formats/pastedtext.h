#pragma once
// A recipe pasted as text (from an e-mail, a web page, a document), split
// into the fields of a recipe for the cook to check, in English and
// Spanish: the title, the yield and times, the ingredients and the
// directions, and what else the text holds in the notes.

#include "store/recipe.h"

#include <QString>

namespace bd {

// The fields of a pasted text:
// - title: the first short line that is no greeting, no label line and
//   no ingredient (an e-mail's subject when there is none);
// - yield and times from lines such as "Serves 4", "Makes 12", "Yield:",
//   "Porciones: 4", "Prep time: 15 min", "Cook: 1 hour", "Tiempo de
//   cocción", several of them on one line too ("Prep: 10 min | Cook: 5");
// - ingredients: the lines under an "Ingredients" heading, or, without
//   one, the lines that start with an amount and those that go on a block
//   of them; bullet marks removed, sub-headings ("For the sauce:") kept;
// - directions: the lines under a "Directions" ("Method", "Instructions",
//   "Preparation", "Preparación", "Elaboración"...) heading, or, without
//   one, the text after the ingredients; numbered steps ("1.", "Step 1:")
//   each a paragraph without their number, lines wrapped by the writer
//   joined;
// - notes: a "Notes"/"Tips" part, the text between the title and the
//   ingredients, and the total time and source lines, in the language
//   langOffset names.
Recipe splitPastedRecipe(const QString& text, int langOffset);

// Whether a pasted text is nothing but one web address (http or https),
// which is imported as a page instead.
bool pastedWebAddress(const QString& text);

} // namespace bd
