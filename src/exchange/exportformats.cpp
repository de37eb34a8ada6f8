#include "exchange/exportformats.h"

#include "output/cookbook.h"
#include "app/base/text.h"
#include "resources/strings.h"
#include "store/names.h"
#include "store/picture.h"
#include "store/picturefiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QUrl>

namespace bd {

namespace {

// Pictures larger than this are embedded in a web page scaled down.
constexpr qint64 kEmbedAsIs = 200 * 1024;
constexpr int kEmbedSide = 800;

// The picture as a data: URL, scaled down when it is large.
QString embedded(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QByteArray bytes, format = QImageReader::imageFormat(path);
    if (file.size() <= kEmbedAsIs && !format.isEmpty()) {
        bytes = file.readAll();
    } else {
        const QImage image = loadPicture(path, QSize(kEmbedSide, kEmbedSide));
        if (image.isNull())
            return QString();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG", 85);
        format = "jpeg";
    }
    return QStringLiteral("data:image/%1;base64,").arg(QString::fromLatin1(format)) +
           QString::fromLatin1(bytes.toBase64());
}

} // namespace

std::optional<ExportFormat> exportFormatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("xml"))
        return ExportFormat::Book;
    if (suffix == QLatin1String("mmf"))
        return ExportFormat::MealMaster;
    if (suffix == QLatin1String("pdf"))
        return ExportFormat::Cookbook;
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return ExportFormat::WebPage;
    return std::nullopt;
}

QString webPictureFolder(const QString& page)
{
    const QFileInfo fi(page);
    return fi.absolutePath() + QLatin1Char('/') + fi.completeBaseName() + QStringLiteral("_files");
}

RunOutcome eachListed(const RecipeBook& book, const QVector<RecipeRef>& items, const StepFn& step,
                      const std::function<void(Recipe&&)>& take)
{
    RecipeFinder finder(book);
    const int total = int(items.size());
    for (int i = 0; i < total; ++i) {
        std::optional<Recipe> r = finder.find(items[i]);
        if (!r)
            return RunOutcome::Failed;
        take(std::move(*r));
        if (step && !step(i + 1, total))
            return RunOutcome::Cancelled;
    }
    return RunOutcome::Done;
}

bool listedRecipes(const RecipeBook& book, const QVector<RecipeRef>& items, QVector<Recipe>& out)
{
    out.reserve(out.size() + items.size());
    return eachListed(book, items, {}, [&out](Recipe&& r) { out.push_back(std::move(r)); }) == RunOutcome::Done;
}

QString webPageHtml(const QVector<Recipe>& recipes, const QString& title, WebPictures pictures,
                    const QString& imagesFolder, const QString& pagePath)
{
    CookbookOptions options;
    options.title = title;
    const CookbookPlan plan = planCookbook(recipes);
    const QString folderName = QFileInfo(webPictureFolder(pagePath)).fileName();
    const auto picture = [&](int i) {
        const QString path = pictures == WebPictures::None ? QString()
                                                           : picturePathIn(imagesFolder, plan.recipes[i].image);
        // Only regular files: reading a FIFO or a device could wait for ever.
        const QSize size = path.isEmpty() ? QSize() : pictureSize(path);
        if (!size.isValid())
            return PictureSource();
        const QSizeF shown = QSizeF(size).scaled(QSizeF(320, 240), Qt::KeepAspectRatio);
        const QString src = pictures == WebPictures::Embedded
                                ? embedded(path)
                                : QString::fromUtf8(QUrl::toPercentEncoding(folderName) + '/' +
                                                    QUrl::toPercentEncoding(plan.recipes[i].image));
        return src.isEmpty() ? PictureSource() : PictureSource{src, shown};
    };
    return cookbookHtml(plan, options, BookMarkup::Web, nullptr, picture);
}

QString replacedText(int replaced)
{
    if (replaced <= 0)
        return QString();
    return replaced == 1 ? fetchText(Str::ReplacedCharacter) : fetchText(Str::ReplacedCharacters).arg(replaced);
}

ExportResult exportAs(const RecipeBook& book, const QVector<RecipeRef>& items, const ExportJob& job,
                      const ExportOptions& options, const StepFn& step)
{
    if (options.format == ExportFormat::Book)
        return exportRecipes(book, items, job, step);

    ExportResult result;
    if (options.format == ExportFormat::MealMaster) {
        // Written as the recipes are found: no copy of the whole list.
        MealMasterFile file(options.encoding);
        result.outcome = eachListed(book, items, step, [&](Recipe&& r) {
            file.add(r);
            ++result.written;
        });
        result.replaced = file.replaced();
        result.saved = writeFileAtomically(job.path, file.bytes());
        if (!result.saved && result.outcome == RunOutcome::Done)
            result.outcome = RunOutcome::Failed;
        return result;
    }
    QVector<Recipe> recipes;
    result.outcome = eachListed(book, items, step, [&recipes](Recipe&& r) { recipes.push_back(std::move(r)); });
    result.written = int(recipes.size());

    switch (options.format) {
    case ExportFormat::Cookbook: {
        CookbookOptions cookbook;
        cookbook.title = options.title;
        cookbook.recipePerPage = options.recipePerPage;
        cookbook.imagesFolder = job.imagesFolder;
        result.saved = writeCookbookPdf(job.path, recipes, cookbook);
        break;
    }
    case ExportFormat::WebPage: {
        if (options.webPictures == WebPictures::Folder) {
            // Built beside its place and put there with the page; a linked
            // folder is never written through.
            NewPictureFolder folder(webPictureFolder(job.path));
            if (!folder.open()) {
                result.outcome = RunOutcome::Failed;
                if (unusableFolder(webPictureFolder(job.path)))
                    result.saved = SaveResult::refused(Str::PictureFolderLinked);
                break;
            }
            for (const Recipe& r : std::as_const(recipes)) {
                const QString from = picturePathIn(job.imagesFolder, r.image);
                if (!from.isEmpty() && regularFile(from) && !folder.add(from, r.image))
                    result.outcome = RunOutcome::Failed;
            }
            if (result.outcome != RunOutcome::Done)
                break;
            const QByteArray page =
                webPageHtml(recipes, options.title, options.webPictures, job.imagesFolder, job.path).toUtf8();
            bool placed = true;
            result.saved = writeFileAtomically(
                job.path, [&page](QIODevice& device) { return device.write(page) == page.size(); },
                [&] { return placed = folder.commit(); });
            if (!placed)
                result.saved = SaveResult::refused(Str::PictureFolderNotReplaced);
            break;
        }
        result.saved = writeFileAtomically(
            job.path, webPageHtml(recipes, options.title, options.webPictures, job.imagesFolder, job.path).toUtf8());
        break;
    }
    case ExportFormat::Book:
    case ExportFormat::MealMaster: break;
    }
    if (!result.saved && result.outcome == RunOutcome::Done)
        result.outcome = RunOutcome::Failed;
    return result;
}

} // namespace bd
