#include "exchange/otherprograms.h"

#include "exchange/htmlexports.h"
#include "exchange/livingcookbook.h"
#include "exchange/macgourmet.h"

#include <vector>

namespace bd {

namespace {

// A reader: the recipes of a file it knows, else nullopt.
using OtherReader = std::optional<RecipeList> (*)(const FileLook& file, const ReadContext& context);

struct KnownReader {
    ImportKind kind;
    OtherReader read;
};

// The readers, asked in this order: one that tells its files by little
// (an extension, a common file name in an archive) after those that look
// for more.
const std::vector<KnownReader>& knownReaders()
{
    static const std::vector<KnownReader> readers = {
        {ImportKind::LivingCookbook, readLivingCookbook},
        {ImportKind::MacGourmet, readMacGourmet},
        {ImportKind::RecipeKeeper, readRecipeKeeper},
        {ImportKind::CopyMeThat, readCopyMeThat},
        {ImportKind::BigOven, readBigOven},
    };
    return readers;
}

} // namespace

std::optional<OtherRead> readOtherProgram(const FileLook& file, const ReadContext& context)
{
    for (const KnownReader& reader : knownReaders())
        if (std::optional<RecipeList> read = reader.read(file, context))
            return OtherRead{reader.kind, std::move(*read)};
    return std::nullopt;
}

} // namespace bd
