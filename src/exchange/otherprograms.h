#pragma once
// The readers of other programs' exports that come as archives, property
// lists, HTML pages, CSV tables or text of their own: each tells its own
// files by their content (and, where content alone cannot tell, the
// file's extension or an archive's file names) and reads them.

#include "exchange/exchange.h"
#include "exchange/formats/archive.h"
#include "exchange/formats/readers.h"

#include <optional>

namespace bd {

struct OtherRead {
    ImportKind kind = ImportKind::None;
    RecipeList read; // pictures the file holds go to read.pictureBytes
    // For another program's own cookbook (no export), which no reader
    // reads: what the cook is told (%1 the file, %2 the program).
    OwnCookbook ownCookbook;
};

// What the first reader that knows the file made of it; nullopt when none
// knows it. A reader that knows the file but finds no recipe in it gives
// an empty list; a program's own cookbook gives kind None, no recipes and
// what to tell the cook.
std::optional<OtherRead> readOtherProgram(const FileLook& file, const ReadContext& context);

} // namespace bd
