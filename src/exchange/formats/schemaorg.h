#pragma once
// Reading schema.org Recipe descriptions, as web pages carry them in
// <script type="application/ld+json"> blocks, into a list of
// recipes: from a saved page, a .json file or a downloaded page.

#include "exchange/formats/readers.h"

#include <QJsonDocument>

#include <vector>

namespace bd {

// True when text may hold schema.org data: a page with an ld+json block or
// a Recipe in microdata, or JSON text.
bool looksLikeSchemaOrg(QStringView text);

// The Recipe objects of text (an HTML page or
// JSON), found anywhere in its blocks: alone, in a list, in "@graph" or
// inside another object. Ingredients one a line; instructions a paragraph
// a step, section names as headings; times as a cook writes them; the
// first category names the recipe's category; description, author, more
// categories, cuisine, keywords, total time and the page's address
// (address, or the recipe's own) go to the notes. A recipe's picture is
// kept as the address or path the page gives. A block that cannot be read,
// or a recipe with neither ingredients nor instructions, is listed by the
// line it starts on. A page without such blocks may mark its recipe with
// microdata (itemtype schema.org/Recipe, itemprop names as above).
RecipeList readSchemaOrg(QStringView text, const ReadContext& context, const QString& address = QString());

// The same for a JSON file's text given as its UTF-8 bytes (without a
// byte order mark).
RecipeList readSchemaOrgJson(const QByteArray& utf8, const ReadContext& context);

// JSON text as QJsonDocument accepts it: raw control characters inside
// strings escaped or dropped, escapes JSON does not know dropped, and
// commas before closing brackets dropped.
QByteArray cleanJson(QStringView json);

// JSON text (UTF-8) as QJsonDocument::fromJson reads it, read the quicker
// way: Qt's parser reads a string with an escape in it a character at a
// time, so the escapes that stand for characters a string may hold as they
// are (line breaks, tabs, slashes, and \u escapes of any but control
// characters, quotes, backslashes and surrogates) become those characters
// first. The strings read the same.
QJsonDocument parsedJson(QByteArrayView json, QJsonParseError* error = nullptr);

// Appends piece (which starts at from in its text) to list, the escapes at
// the offsets given (of that text) made plain as parsedJson does.
void withPlainEscapes(QByteArray& list, QByteArrayView piece, qsizetype from, const std::vector<qsizetype>& escapes);

} // namespace bd
