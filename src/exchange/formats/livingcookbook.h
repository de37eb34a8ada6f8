#pragma once
// Living Cookbook's exports: .fdx (XML, pictures as base64 text) and
// .fdxz (a zip of Data.xml and the pictures it names).

#include "exchange/formats/readers.h"

namespace bd {

// The recipes of an .fdx or .fdxz file; nullopt when the file is neither.
// A recipe's category is its chapter (else its cookbook); its recipe types
// are further categories. Ingredients and procedures keep their headings;
// comments, tips and author notes go to the notes, as do source, web page,
// author, copyright, reviews, nutrition and the times the book has no
// place for. The recipe's first picture comes along.
std::optional<RecipeList> readLivingCookbook(const FileLook& file, const ReadContext& context);

} // namespace bd
