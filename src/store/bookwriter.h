#pragma once
// Turning a book document into the bytes of its file. A large book is
// turned into text in pieces on several cores at once while the pieces
// already done are written out in order, so that a save costs little more
// than writing the bytes.

#include <QIODevice>

#include <pugixml.hpp>

namespace bd {

struct BookWriting {
    // The most sibling nodes (recipes, mostly) turned into text as one piece.
    int nodesPerPiece = 256;
    // Threads of the global pool that help beside the caller; -1: as many
    // as the pool has to spare.
    int helpers = -1;
};

// Writes doc to out as pugixml saves it unindented, without a declaration,
// in UTF-8, with every LF that does not follow a CR written as CR LF (an
// unindented document holds LFs only inside texts), and a CR LF after the
// last element. False when out refused a write; out may then hold part of
// the text.
bool writeBookText(const pugi::xml_document& doc, QIODevice& out, const BookWriting& how = {});

} // namespace bd
