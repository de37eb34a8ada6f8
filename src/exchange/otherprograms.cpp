#include "exchange/otherprograms.h"

#include "exchange/formats/csvrecipes.h"
#include "exchange/formats/nowyourecooking.h"
#include "exchange/formats/rezkonv.h"
#include "exchange/formats/saffron.h"
#include "exchange/formats/jsonexports.h"
#include "exchange/formats/htmlexports.h"
#include "exchange/formats/livingcookbook.h"
#include "exchange/formats/macgourmet.h"

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
        {ImportKind::NowYoureCooking,
         [](const FileLook& f, const ReadContext& c) { return readNowYoureCooking(f.bytes, c); }},
        {ImportKind::Saffron, [](const FileLook& f, const ReadContext& c) { return readSaffron(f.bytes, c); }},
        {ImportKind::PlanToEat,
         [](const FileLook& f, const ReadContext& c) { return readPlanToEat(f.bytes, f.archive, c); }},
        {ImportKind::MyRecipeBox,
         [](const FileLook& f, const ReadContext& c) { return readMyRecipeBox(f.bytes, f.archive, c); }},
        {ImportKind::RezKonv, [](const FileLook& f, const ReadContext& c) { return readRezKonv(f.bytes, c); }},
        {ImportKind::Paprika, readPaprika},
        {ImportKind::Mealie, readMealie},
        {ImportKind::Tandoor, readTandoor},
        {ImportKind::Nextcloud, readNextcloud},
        {ImportKind::Mela, readMela},
        {ImportKind::Crouton, readCrouton},
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
