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
        {ImportKind::Paprika, readPaprikaPage},
    };
    return readers;
}

// The files in which programs keep their own cookbooks, which the import
// cannot read, and what to tell the cook of each: Now You're Cooking!'s
// cookbook (a .gcf beside its index files, or a zip of them) and
// BigOven's (a .crb, an Access database).
OwnCookbook ownCookbook(const FileLook& file)
{
    const OwnCookbook nyc{Str::OwnCookbookText, QStringLiteral("Now You're Cooking!")};
    if (file.archive) {
        for (const QString& name : file.archive->names())
            if (name.endsWith(QLatin1String(".gcf"), Qt::CaseInsensitive) && !junkEntry(name))
                return nyc;
        return OwnCookbook();
    }
    if (file.suffix == QLatin1String("gcf"))
        return nyc;
    const QByteArray kind = file.bytes.mid(4, 15);
    if (file.suffix == QLatin1String("crb") && (kind == "Standard Jet DB" || kind == "Standard ACE DB"))
        return OwnCookbook{Str::OwnCookbookPages, QStringLiteral("BigOven")};
    return OwnCookbook();
}

} // namespace

std::optional<OtherRead> readOtherProgram(const FileLook& file, const ReadContext& context)
{
    if (OwnCookbook own = ownCookbook(file); own.message != Str::None)
        return OtherRead{ImportKind::None, RecipeList(), std::move(own)};
    for (const KnownReader& reader : knownReaders())
        if (std::optional<RecipeList> read = reader.read(file, context))
            return OtherRead{reader.kind, std::move(*read), OwnCookbook()};
    return std::nullopt;
}

} // namespace bd
