#include "output/cookbook.h"

#include "app/base/globals.h"
#include "output/printpage.h"
#include "app/base/text.h"
#include "store/names.h"
#include "store/picture.h"

#include <QAbstractTextDocumentLayout>
#include <QCollator>
#include <QGuiApplication>
#include <QScreen>
#include <QLocale>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextLayout>
#include <QUrl>

#include <algorithm>

namespace bd {

namespace {

// Pictures in the book: shown at most this large (CSS pixels), kept at
// twice that for print.
constexpr qreal kPictureWidth = 220, kPictureHeight = 180;
constexpr int kPictureResolution = 2;

QCollator collator()
{
    QCollator c(QLocale(G.langOffset == 300 ? QLocale::Spanish : QLocale::English));
    c.setCaseSensitivity(Qt::CaseInsensitive);
    c.setNumericMode(true);
    return c;
}

QString esc(const QString& text) { return pageText(text.trimmed()); }

// Paragraphs (apart by blank lines), their lines kept.
QString paragraphs(const QString& text, const QString& open = QStringLiteral("<p>"))
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QString out;
    QStringList paragraph;
    const auto flush = [&] {
        if (!paragraph.isEmpty())
            out += open + esc(paragraph.join(QLatin1Char('\n'))) + QStringLiteral("</p>\n");
        paragraph.clear();
    };
    for (const QString& line : t.split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty())
            flush();
        else
            paragraph << line;
    }
    flush();
    return out;
}

// The letter an index entry is filed under: the title's first letter
// without its accent, "#" for a title that starts with no letter.
QString indexLetter(const QString& title)
{
    const QString t = title.trimmed();
    if (t.isEmpty() || !t[0].isLetter())
        return QStringLiteral("#");
    const QString base = t.left(1).normalized(QString::NormalizationForm_D);
    return base.left(1).toUpper();
}

const char* const kPrintStyle = R"(
body { font-size: 11pt; }
h1 { font-size: 22pt; font-weight: bold; margin-top: 0px; margin-bottom: 16px; }
h2 { font-size: 16pt; font-weight: bold; margin-top: 18px; margin-bottom: 4px; }
h3 { font-size: 12pt; font-weight: bold; margin-top: 10px; margin-bottom: 3px; }
p { margin-top: 0px; margin-bottom: 6px; }
p.times { color: #555555; font-style: italic; margin-bottom: 8px; }
p.cover { font-size: 32pt; font-weight: bold; text-align: center; }
p.count { font-size: 14pt; text-align: center; color: #555555; }
p.tocchapter { font-weight: bold; margin-top: 6px; margin-bottom: 1px; margin-right: 48px; }
p.entry { margin-top: 0px; margin-bottom: 1px; margin-right: 48px; }
p.tocrecipe { margin-top: 0px; margin-bottom: 1px; margin-left: 24px; margin-right: 48px; }
span.category { color: #777777; font-style: italic; }
)";

const char* const kWebStyle = R"(
body { font-family: Georgia, "DejaVu Serif", serif; max-width: 46em; margin: 2em auto; padding: 0 1em;
       color: #222; line-height: 1.45; }
h1 { font-size: 1.8em; margin: 1.6em 0 0.6em; border-bottom: 2px solid #b5651d; padding-bottom: 0.2em; }
h2 { font-size: 1.35em; margin: 0 0 0.2em; }
h3 { font-size: 1.05em; margin: 1em 0 0.2em; }
p { margin: 0 0 0.6em; }
p.times { color: #666; font-style: italic; }
p.cover { font-size: 2.6em; font-weight: bold; text-align: center; margin: 1em 0 0.2em; }
p.count { text-align: center; color: #666; }
a { color: #8a4b12; text-decoration: none; }
a:hover { text-decoration: underline; }
ul.contents, ul.index { list-style: none; padding-left: 0; }
ul.contents ul { list-style: none; padding-left: 1.5em; }
li.chapter { font-weight: bold; margin-top: 0.5em; }
li.chapter li { font-weight: normal; }
span.category { color: #888; font-style: italic; }
div.recipe { clear: both; border-top: 1px solid #ddd; padding-top: 1em; margin-top: 1.5em; }
h1 + div.recipe { border-top: none; padding-top: 0; margin-top: 0; }
img.picture { float: right; max-width: 40%; height: auto; margin: 0 0 1em 1em; border-radius: 4px; }
@media print { h1.chapter { page-break-before: always; } div.recipe { page-break-inside: avoid; } }
)";

QString recipeHtml(const Recipe& r, int i, BookMarkup markup, bool pageBreak, const PictureSource& picture)
{
    QString out;
    const bool web = markup == BookMarkup::Web;
    if (web)
        out += QStringLiteral("<div class=\"recipe\">\n<h2 id=\"r%1\">").arg(i);
    else
        out += (pageBreak ? QStringLiteral("<h2 style=\"page-break-before: always\">") : QStringLiteral("<h2>")) +
               QStringLiteral("<a name=\"r%1\"></a>").arg(i);
    out += esc(r.title) + QStringLiteral("</h2>\n");

    QStringList times;
    const std::pair<Str, const QString*> fields[] = {{Str::PrepTime, &r.preptime},
                                                     {Str::CookTime, &r.cooktime},
                                                     {Str::Yield, &r.yield}};
    for (const auto& [id, value] : fields)
        if (!value->trimmed().isEmpty())
            times << fetchText(id) + QStringLiteral(": ") + esc(value->simplified());
    if (!times.isEmpty())
        out += QStringLiteral("<p class=\"times\">") + times.join(QStringLiteral(" &nbsp;&middot;&nbsp; ")) +
               QStringLiteral("</p>\n");
    if (!picture.src.isEmpty()) {
        out += QStringLiteral(
                   "<img class=\"picture\" src=\"%1\" width=\"%2\" height=\"%3\" align=\"right\" alt=\"\">\n")
                   .arg(picture.src.toHtmlEscaped())
                   .arg(qRound(picture.size.width()))
                   .arg(qRound(picture.size.height()));
    }
    if (!r.ing.trimmed().isEmpty())
        out += QStringLiteral("<h3>") + fetchText(Str::Ingredients) + QStringLiteral("</h3>\n") + paragraphs(r.ing);
    if (!r.prep.trimmed().isEmpty())
        out += QStringLiteral("<h3>") + fetchText(Str::Preparation) + QStringLiteral("</h3>\n") + paragraphs(r.prep);
    if (!r.other.trimmed().isEmpty())
        out += QStringLiteral("<h3>") + fetchText(Str::SpecialNotes) + QStringLiteral("</h3>\n") + paragraphs(r.other);
    if (web)
        out += QStringLiteral("</div>\n");
    return out;
}

// Device pixels per CSS pixel: the layout scales lengths of the markup
// (margins, picture sizes) from the screen's resolution to the device's.
qreal layoutScale(const QPaintDevice* device)
{
    qreal screenDpi = 96;
    if (!QCoreApplication::testAttribute(Qt::AA_Use96Dpi))
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            screenDpi = qRound(screen->logicalDotsPerInchY());
    return device->logicalDpiY() / screenDpi;
}

} // namespace

CookbookPlan planCookbook(QVector<Recipe> recipes)
{
    CookbookPlan plan;
    plan.recipes = std::move(recipes);
    const QCollator c = collator();
    QHash<QString, int> chapterOf;
    for (int i = 0; i < plan.recipes.size(); ++i) {
        const QString& name = plan.recipes[i].category;
        auto it = chapterOf.find(name);
        if (it == chapterOf.end()) {
            it = chapterOf.insert(name, int(plan.chapters.size()));
            plan.chapters.push_back({name, {}});
        }
        plan.chapters[*it].recipes << i;
        plan.index << i;
    }
    const auto byTitle = [&](int a, int b) {
        const int order = c.compare(plan.recipes[a].title, plan.recipes[b].title);
        return order != 0 ? order < 0 : plan.recipes[a].title < plan.recipes[b].title;
    };
    std::stable_sort(
        plan.chapters.begin(), plan.chapters.end(),
        [&](const CookbookPlan::Chapter& a, const CookbookPlan::Chapter& b) { return c.compare(a.name, b.name) < 0; });
    for (CookbookPlan::Chapter& chapter : plan.chapters)
        std::stable_sort(chapter.recipes.begin(), chapter.recipes.end(), byTitle);
    std::stable_sort(plan.index.begin(), plan.index.end(), byTitle);
    return plan;
}

QString cookbookTitle(const CookbookOptions& options)
{
    const QString title = options.title.simplified();
    return title.isEmpty() ? fetchText(Str::CookbookTitle) : title;
}

QString cookbookHtml(const CookbookPlan& plan, const CookbookOptions& options, BookMarkup markup,
                     const PageNumbers* pages, const std::function<PictureSource(int recipe)>& picture)
{
    const bool web = markup == BookMarkup::Web;
    static const PageNumbers unknown;
    if (!pages)
        pages = &unknown;
    const QString title = cookbookTitle(options);
    const QString newPage = web ? QString() : QStringLiteral(" style=\"page-break-before: always\"");
    QString out;
    out.reserve(plan.recipes.size() * 1500 + 4096);
    out += QStringLiteral("<!DOCTYPE html>\n<html lang=\"%1\">\n<head>\n<meta charset=\"utf-8\">\n")
               .arg(G.langOffset == 300 ? QStringLiteral("es") : QStringLiteral("en"));
    out += QStringLiteral("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>") +
           esc(title) + QStringLiteral("</title>\n<style>") + QLatin1String(web ? kWebStyle : kPrintStyle) +
           QStringLiteral("</style>\n</head>\n<body>\n");

    // The cover (in print, below a spacer the layout sizes).
    if (!web)
        out += QStringLiteral("<p style=\"margin-bottom: %1px\">&nbsp;</p>\n").arg(qRound(pages->coverSpace));
    out += QStringLiteral("<p class=\"cover\">") + esc(title) + QStringLiteral("</p>\n<p class=\"count\">") +
           fetchText(Str::CookbookRecipeCount).arg(plan.recipes.size()) + QStringLiteral("</p>\n");

    // The contents: each chapter and its recipes.
    out += QStringLiteral("<h1%1>").arg(newPage) + fetchText(Str::CookbookContents) + QStringLiteral("</h1>\n");
    if (web) {
        out += QStringLiteral("<ul class=\"contents\">\n");
        for (int c = 0; c < plan.chapters.size(); ++c) {
            out += QStringLiteral("<li class=\"chapter\"><a href=\"#c%1\">").arg(c) + esc(plan.chapters[c].name) +
                   QStringLiteral("</a>\n<ul>\n");
            for (int i : plan.chapters[c].recipes)
                out += QStringLiteral("<li><a href=\"#r%1\">").arg(i) + esc(plan.recipes[i].title) +
                       QStringLiteral("</a></li>\n");
            out += QStringLiteral("</ul></li>\n");
        }
        out += QStringLiteral("</ul>\n");
    } else {
        // Each entry names what it points to; the page numbers are drawn
        // beside the entries when the pages are painted.
        for (int c = 0; c < plan.chapters.size(); ++c) {
            out += QStringLiteral("<p class=\"tocchapter\"><a name=\"tc%1\"></a>").arg(c) + esc(plan.chapters[c].name) +
                   QStringLiteral("</p>\n");
            for (int i : plan.chapters[c].recipes)
                out += QStringLiteral("<p class=\"tocrecipe\"><a name=\"tr%1\"></a>").arg(i) +
                       esc(plan.recipes[i].title) + QStringLiteral("</p>\n");
        }
    }

    // The chapters.
    for (int c = 0; c < plan.chapters.size(); ++c) {
        if (web)
            out += QStringLiteral("<h1 class=\"chapter\" id=\"c%1\">").arg(c);
        else
            out += QStringLiteral("<h1%1><a name=\"c%2\"></a>").arg(newPage).arg(c);
        out += esc(plan.chapters[c].name) + QStringLiteral("</h1>\n");
        bool first = true;
        for (int i : plan.chapters[c].recipes) {
            const bool newPage = (options.recipePerPage && !first) || pages->moved.contains(i);
            out += recipeHtml(plan.recipes[i], i, markup, newPage, picture ? picture(i) : PictureSource());
            first = false;
        }
    }

    // The index: every title A-Z under its letter.
    out += QStringLiteral("<h1%1%2>").arg(newPage, web ? QStringLiteral(" id=\"index\"") : QString()) +
           fetchText(Str::CookbookIndex) + QStringLiteral("</h1>\n");
    QString letter;
    for (int i : plan.index) {
        const Recipe& r = plan.recipes[i];
        const QString l = indexLetter(r.title);
        if (l != letter) {
            if (web && !letter.isEmpty())
                out += QStringLiteral("</ul>\n");
            letter = l;
            out += QStringLiteral("<h3>") + esc(l) + QStringLiteral("</h3>\n");
            if (web)
                out += QStringLiteral("<ul class=\"index\">\n");
        }
        const QString entry = esc(r.title) + QStringLiteral(" <span class=\"category\">(") + esc(r.category) +
                              QStringLiteral(")</span>");
        if (web)
            out += QStringLiteral("<li><a href=\"#r%1\">").arg(i) + entry + QStringLiteral("</a></li>\n");
        else
            out += QStringLiteral("<p class=\"entry\"><a name=\"ti%1\"></a>").arg(i) + entry + QStringLiteral("</p>\n");
    }
    if (web && !letter.isEmpty())
        out += QStringLiteral("</ul>\n");
    out += QStringLiteral("</body>\n</html>\n");
    return out;
}

// ---------------------------------------------------------------------------

Cookbook::Cookbook(QVector<Recipe> recipes, const CookbookOptions& options, QObject* parent)
    : QTextDocument(parent), plan_(planCookbook(std::move(recipes))), options_(options)
{
    setMetaInformation(QTextDocument::DocumentTitle, cookbookTitle(options_));
    setDocumentMargin(0);
    if (options_.imagesFolder.isEmpty())
        return;
    for (int i = 0; i < plan_.recipes.size(); ++i) {
        const QString path = picturePathIn(options_.imagesFolder, plan_.recipes[i].image);
        if (path.isEmpty())
            continue;
        const QImage image = loadPicture(path);
        if (image.isNull())
            continue;
        const QSizeF shown = QSizeF(image.size()).scaled(kPictureWidth, kPictureHeight, Qt::KeepAspectRatio);
        const QSize kept = (shown * kPictureResolution).toSize();
        pictures_.insert(i, image.width() > kept.width()
                                ? image.scaled(kept, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                : image);
        pictureSizes_.insert(i, shown);
    }
}

QVariant Cookbook::loadResource(int type, const QUrl& name)
{
    if (type == QTextDocument::ImageResource && name.scheme() == QLatin1String("picture"))
        return pictures_.value(name.path().toInt());
    return QTextDocument::loadResource(type, name);
}

PageNumbers Cookbook::findPages(const QSet<int>& moved)
{
    // A recipe that would start in the last part of a page goes to the next.
    constexpr qreal kFoot = 0.82;
    PageNumbers found;
    found.recipes.fill(0, plan_.recipes.size());
    found.chapters.fill(0, plan_.chapters.size());
    found.moved = moved;
    entries_.clear();
    const QAbstractTextDocumentLayout* layout = documentLayout();
    const qreal height = pageSize().height();
    for (QTextBlock block = begin(); block.isValid(); block = block.next()) {
        const QTextBlock::iterator first = block.begin();
        if (first.atEnd())
            continue;
        const QStringList names = first.fragment().charFormat().anchorNames();
        if (names.isEmpty())
            continue;
        const QString& name = names.constFirst();
        const bool entry = name.startsWith(QLatin1Char('t'));
        const QChar kind = name[entry ? 1 : 0];
        const int i = name.mid(entry ? 2 : 1).toInt();
        if (entry) {
            entries_.push_back({block, kind == QLatin1Char('c'), i});
            continue;
        }
        const qreal top = layout->blockBoundingRect(block).top();
        const int page = int((top + 1) / height) + 1;
        if (kind == QLatin1Char('r') && i < found.recipes.size()) {
            found.recipes[i] = page;
            if (!options_.recipePerPage && top - (page - 1) * height > kFoot * height)
                found.moved.insert(i);
        } else if (kind == QLatin1Char('c') && i < found.chapters.size()) {
            found.chapters[i] = page;
        }
    }
    return found;
}

int Cookbook::layoutFor(QPagedPaintDevice* device)
{
    documentLayout()->setPaintDevice(device);
    const QRectF area = device->pageLayout().paintRectPixels(device->logicalDpiX());
    footer_ = device->logicalDpiY() * 0.35; // about 9 mm
    setPageSize(QSizeF(area.width(), area.height() - footer_));
    const auto picture = [this](int i) {
        return pictures_.contains(i) ? PictureSource{QStringLiteral("picture:%1").arg(i), pictureSizes_.value(i)}
                                     : PictureSource();
    };
    // The page numbers of the contents and the index are drawn when the
    // pages are painted, so they move nothing; the layout is redone only
    // while recipes still move off the foot of a page.
    PageNumbers used;
    // The cover's title stands a third of the way down.
    used.coverSpace = pageSize().height() / 3 / layoutScale(device);
    for (int pass = 0; pass < 6; ++pass) {
        setHtml(cookbookHtml(plan_, options_, BookMarkup::Print, &used, picture));
        const PageNumbers found = findPages(used.moved);
        const bool settled = found.moved == used.moved;
        pages_ = found;
        pages_.coverSpace = used.coverSpace;
        used = pages_;
        if (settled)
            break;
    }
    return pageCount();
}

bool Cookbook::paint(QPagedPaintDevice* device)
{
    const int count = layoutFor(device);
    QPainter painter;
    if (!painter.begin(device)) {
        documentLayout()->setPaintDevice(nullptr);
        return false;
    }
    const QSizeF page = pageSize();
    QFont footerFont = defaultFont();
    footerFont.setPointSizeF(9);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    size_t entry = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            device->newPage();
        painter.save();
        painter.translate(0, -i * page.height());
        context.clip = QRectF(0, i * page.height(), page.width(), page.height());
        painter.setClipRect(context.clip);
        documentLayout()->draw(&painter, context);
        // The page numbers of the contents' and the index's entries on this
        // page, right-aligned on each entry's last line.
        painter.setPen(Qt::black);
        for (; entry < entries_.size(); ++entry) {
            const Entry& e = entries_[entry];
            const QTextLayout* text = e.block.layout();
            if (!text || text->lineCount() == 0)
                continue;
            const QTextLine line = text->lineAt(text->lineCount() - 1);
            const qreal baseline = text->position().y() + line.y() + line.ascent();
            if (baseline > (i + 1) * page.height())
                break;
            const int number = e.chapter ? pages_.chapters.value(e.index) : pages_.recipes.value(e.index);
            QFont font = e.block.begin().fragment().charFormat().font();
            if (e.chapter)
                font.setBold(true);
            painter.setFont(font);
            const QString digits = QString::number(number);
            const qreal width = QFontMetricsF(font, device).horizontalAdvance(digits);
            painter.drawText(QPointF(page.width() - width, baseline), digits);
        }
        painter.restore();
        if (i > 0) {
            painter.setFont(footerFont);
            painter.setPen(Qt::black);
            painter.drawText(QRectF(0, page.height(), page.width(), footer_), Qt::AlignHCenter | Qt::AlignBottom,
                             QString::number(i + 1));
        }
    }
    painter.end();
    documentLayout()->setPaintDevice(nullptr);
    return true;
}

SaveResult writeCookbookPdf(const QString& path, const QVector<Recipe>& recipes, const CookbookOptions& options)
{
    Cookbook book(recipes, options);
    return writeFileAtomically(path, [&book](QIODevice& device) {
        QPdfWriter writer(&device);
        writer.setResolution(600);
        writer.setTitle(book.metaInformation(QTextDocument::DocumentTitle));
        writer.setCreator(QStringLiteral("Brindelle"));
        const bool letter = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
        writer.setPageLayout(QPageLayout(QPageSize(letter ? QPageSize::Letter : QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(18, 18, 18, 12), QPageLayout::Millimeter));
        return book.paint(&writer);
    });
}

} // namespace bd
