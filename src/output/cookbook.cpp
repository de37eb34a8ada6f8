#include "output/cookbook.h"

#include "app/base/globals.h"
#include "output/printpage.h"
#include "app/base/text.h"
#include "store/ingredients.h"
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
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextFrame>
#include <QTextLayout>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <limits>

namespace bd {

namespace {

// Pictures in the book: shown at most this large (CSS pixels), and drawn
// with this many pixels to the inch of paper, as photographs are printed.
constexpr qreal kPictureWidth = 220, kPictureHeight = 180;
constexpr qreal kPictureDpi = 200;

QCollator collator()
{
    QCollator c(QLocale(G.langOffset == 300 ? QLocale::Spanish : QLocale::English));
    c.setCaseSensitivity(Qt::CaseInsensitive);
    c.setNumericMode(true);
    return c;
}

QString esc(const QString& text) { return pageText(text.trimmed()); }

// Text for a web page: escaped, its web addresses (http://, https://,
// www.) made links. An address ends before white space, quotes and angle
// brackets; punctuation that ends a sentence after it is no part of it.
QString linkedText(const QString& text)
{
    static const QRegularExpression address(QStringLiteral(R"((?<![\w.@/])(?:https?://|www\.)[^\s<>"']+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QString t = text.trimmed();
    QString out;
    qsizetype done = 0;
    for (QRegularExpressionMatchIterator it = address.globalMatch(t); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        QString link = m.captured();
        while (!link.isEmpty() && QStringLiteral(".,;:!?)]").contains(link.back()) &&
               !(link.back() == QLatin1Char(')') && link.count(QLatin1Char('(')) >= link.count(QLatin1Char(')'))))
            link.chop(1);
        if (link.size() < 8 || link.endsWith(QLatin1String("://")))
            continue; // a bare "www." or "http://"
        out += pageText(t.mid(done, m.capturedStart() - done));
        const QString href = link.startsWith(QLatin1String("www."), Qt::CaseInsensitive)
                                 ? QStringLiteral("https://") + link
                                 : link;
        out += QStringLiteral("<a href=\"%1\">%2</a>").arg(pageText(href), pageText(link));
        done = m.capturedStart() + link.size();
    }
    return out + pageText(t.mid(done));
}

// A part of a recipe as paragraphs (apart by blank lines), their lines
// kept. Among the ingredients, lines that head the ones below them
// ("FOR THE SAUCE", "Filling:") are headings of their own.
QString paragraphs(const QString& text, BookMarkup markup, bool ingredients = false)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const auto shown = markup == BookMarkup::Web ? linkedText : esc;
    QString out;
    QStringList paragraph;
    const auto flush = [&] {
        if (!paragraph.isEmpty())
            out += QStringLiteral("<p>") + shown(paragraph.join(QLatin1Char('\n'))) + QStringLiteral("</p>\n");
        paragraph.clear();
    };
    std::vector<QStringView> lines;
    for (QStringView line : QStringView(t).split(QLatin1Char('\n')))
        lines.push_back(line);
    for (size_t i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].toString();
        if (line.trimmed().isEmpty()) {
            flush();
        } else if (ingredients && headsIngredients(lines, i)) {
            flush();
            out += QStringLiteral("<h4>") + shown(line.simplified()) + QStringLiteral("</h4>\n");
        } else {
            paragraph << line;
        }
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
h4 { font-size: 11pt; font-weight: bold; font-style: italic; margin-top: 6px; margin-bottom: 2px; }
p { margin-top: 0px; margin-bottom: 6px; }
p.times { color: #555555; font-style: italic; margin-bottom: 8px; }
p.cover { font-size: 32pt; font-weight: bold; text-align: center; }
p.count { font-size: 14pt; text-align: center; color: #555555; }
p.tocchapter { font-weight: bold; margin-top: 6px; margin-bottom: 1px; margin-right: %2px; }
p.entry { margin-top: 0px; margin-bottom: 1px; margin-right: %2px; }
p.tocrecipe { margin-top: 0px; margin-bottom: 1px; margin-left: %1px; margin-right: %2px; }
span.category { color: #777777; font-style: italic; }
)";

const char* const kWebStyle = R"(
body { font-family: Georgia, "DejaVu Serif", serif; max-width: 46em; margin: 2em auto; padding: 0 1em;
       color: #222; line-height: 1.45; }
h1 { font-size: 1.8em; margin: 1.6em 0 0.6em; border-bottom: 2px solid #b5651d; padding-bottom: 0.2em; }
h2 { font-size: 1.35em; margin: 0 0 0.2em; }
h3 { font-size: 1.05em; margin: 1em 0 0.2em; }
h4 { font-size: 1em; font-style: italic; margin: 0.8em 0 0.1em; }
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
        out += QStringLiteral("<h3>") + fetchText(Str::Ingredients) + QStringLiteral("</h3>\n") +
               paragraphs(r.ing, markup, true);
    if (!r.prep.trimmed().isEmpty())
        out += QStringLiteral("<h3>") + fetchText(Str::Preparation) + QStringLiteral("</h3>\n") +
               paragraphs(r.prep, markup);
    if (!r.other.trimmed().isEmpty())
        out += QStringLiteral("<h3>") + fetchText(Str::SpecialNotes) + QStringLiteral("</h3>\n") +
               paragraphs(r.other, markup);
    if (web)
        out += QStringLiteral("</div>\n");
    return out;
}

// CSS pixels to the inch: the layout takes the markup's lengths as the
// screen's pixels.
qreal screenDpi()
{
    if (!QCoreApplication::testAttribute(Qt::AA_Use96Dpi))
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            return qRound(screen->logicalDotsPerInchY());
    return 96;
}

// Device pixels per CSS pixel: the layout scales lengths of the markup
// (margins, picture sizes) from the screen's resolution to the device's.
qreal layoutScale(const QPaintDevice* device) { return device->logicalDpiY() / screenDpi(); }

} // namespace

QString recipeCount(int n) { return fetchText(n == 1 ? Str::CookbookOneRecipe : Str::CookbookRecipeCount).arg(n); }

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
    out +=
        QStringLiteral("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>") +
        esc(title) + QStringLiteral("</title>\n<style>") +
        (web ? QString::fromLatin1(kWebStyle)
             : QString::fromLatin1(kPrintStyle).arg(qRound(24 * pages->sideScale)).arg(qRound(48 * pages->sideScale))) +
        QStringLiteral("</style>\n</head>\n<body>\n");

    // The cover (in print, below a spacer the layout sizes).
    if (!web)
        out += QStringLiteral("<p style=\"margin-bottom: %1px\">&nbsp;</p>\n").arg(qRound(pages->coverSpace));
    out += QStringLiteral("<p class=\"cover\">") + esc(title) + QStringLiteral("</p>\n<p class=\"count\">") +
           recipeCount(int(plan.recipes.size())) + QStringLiteral("</p>\n");

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
            out += recipeHtml(plan.recipes[i], i, markup, options.recipePerPage && !first,
                              picture ? picture(i) : PictureSource());
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
    // Only the pictures' sizes now, from their files' headers: each picture
    // is read when its page is drawn, and let go after.
    for (int i = 0; i < plan_.recipes.size(); ++i) {
        const QString path = picturePathIn(options_.imagesFolder, plan_.recipes[i].image);
        const QSize size = path.isEmpty() ? QSize() : pictureSize(path);
        if (size.isValid())
            pictures_.insert(i, {path, QSizeF(size).scaled(kPictureWidth, kPictureHeight, Qt::KeepAspectRatio)});
    }
}

QVariant Cookbook::loadResource(int type, const QUrl& name)
{
    if (type != QTextDocument::ImageResource || name.scheme() != QLatin1String("picture"))
        return QTextDocument::loadResource(type, name);
    const auto it = pictures_.constFind(name.path().toInt());
    if (it == pictures_.constEnd())
        return QImage();
    // The layout asks for a picture whose size the markup gives only to
    // learn that it is there: a blank stand-in answers. It also stands for
    // a picture whose file turns out not to decode.
    static const QImage blank = [] {
        QImage one(1, 1, QImage::Format_RGB32);
        one.fill(Qt::white);
        return one;
    }();
    if (!drawingPicture_)
        return blank;
    // Drawn: read ahead, or now; let go once drawn.
    ++picturesRead_;
    const int recipe = it.key();
    const auto read = std::find_if(ahead_.begin(), ahead_.end(), [recipe](const auto& a) { return a.first == recipe; });
    QImage image;
    if (read == ahead_.end()) {
        image = pictureReader(recipe)();
    } else {
        image = read->second.get();
        ahead_.erase(ahead_.begin(), read + 1); // those before it were not drawn
        readAhead();
    }
    return image.isNull() ? blank : image;
}

std::function<QImage()> Cookbook::pictureReader(int recipe) const
{
    // As large as its place on paper needs, never larger than the file holds it.
    const auto it = pictures_.constFind(recipe);
    if (it == pictures_.constEnd())
        return [] { return QImage(); };
    const QSize size = (it->shown * (kPictureDpi / screenDpi())).toSize();
    return [path = it->path, size] { return loadPicture(path, size); };
}

void Cookbook::readAhead()
{
    // Decoding a photograph takes longer than drawing a page: one thread
    // for each core reads the next pictures; only those few are held.
    const size_t most = size_t(std::max(2, QThread::idealThreadCount()));
    while (ahead_.size() < most && nextAhead_ < floats_.size()) {
        const int recipe = floats_[nextAhead_++].recipe;
        ahead_.emplace_back(recipe, std::async(std::launch::async, pictureReader(recipe)));
    }
}

namespace {

// A block's part in the book, told by the anchor its text starts with:
// r<i> a recipe's title, c<i> a chapter's heading, tc<i>, tr<i> and ti<i>
// the entries of the contents and the index.
struct Anchor {
    QChar kind; // 'r', 'c' or none
    bool entry = false;
    int index = -1;
};

Anchor anchorOf(const QTextBlock& block)
{
    const QTextBlock::iterator first = block.begin();
    if (first.atEnd())
        return {};
    const QStringList names = first.fragment().charFormat().anchorNames();
    if (names.isEmpty() || names.constFirst().isEmpty())
        return {};
    const QString& name = names.constFirst();
    const bool entry = name.startsWith(QLatin1Char('t'));
    if (name.size() < (entry ? 3 : 2))
        return {};
    return {name[entry ? 1 : 0], entry, name.mid(entry ? 2 : 1).toInt()};
}

// How a heading ranks (1 a chapter, the contents or the index, 2 a recipe
// or a chapter's entry in the contents, 3 a part of a recipe or an index
// letter, 4 a heading among the ingredients), 0 for none.
int headingRank(const QTextBlock& block, const Anchor& anchor)
{
    if (anchor.entry && anchor.kind == QLatin1Char('c'))
        return 2;
    return block.blockFormat().headingLevel();
}

} // namespace

void Cookbook::findLines()
{
    lines_.clear();
    floats_.clear();
    const QAbstractTextDocumentLayout* layout = documentLayout();
    for (QTextBlock block = begin(); block.isValid(); block = block.next()) {
        const QTextLayout* text = block.layout();
        if (!text)
            continue;
        const qreal y = text->position().y();
        for (int i = 0; i < text->lineCount(); ++i) {
            const QTextLine line = text->lineAt(i);
            lines_.push_back({block, i, y + line.y(), y + line.y() + line.height()});
        }
    }
    // Pictures beside the text: each stands whole on one page.
    if (pictures_.isEmpty())
        return;
    for (QTextBlock block = begin(); block.isValid(); block = block.next())
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            auto* frame = qobject_cast<QTextFrame*>(objectForFormat(format));
            if (frame && frame->frameFormat().position() != QTextFrameFormat::InFlow)
                floats_.push_back({layout->frameBoundingRect(frame), it.fragment().position(), format,
                                   QUrl(format.toImageFormat().name()).path().toInt()});
        }
}

void Cookbook::paginate(qreal pageHeight)
{
    // A recipe that would start in the last part of a page goes to the next.
    constexpr qreal kFoot = 0.82;
    constexpr qreal kSlack = 0.5; // device pixels of rounding
    const size_t count = lines_.size();
    const auto blank = [this](size_t n) { return lines_[n].block.text().trimmed().isEmpty(); };

    // Where a page may not end: inside a heading, or between a heading and
    // the first two lines of what it heads (all of them when it heads
    // fewer), and beside a picture. The first line of a block that asks
    // for a page of its own starts one.
    std::vector<char> keep(count, 0), forced(count, 0);
    std::vector<int> recipeAt(count, -1);
    std::vector<qreal> reach(count); // how far down a page holding the line must go
    for (size_t n = 0; n < count; ++n) {
        reach[n] = lines_[n].bottom;
        if (lines_[n].line != 0)
            continue;
        const QTextBlock& block = lines_[n].block;
        const Anchor anchor = anchorOf(block);
        if (n > 0 && (block.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore))
            forced[n] = 1;
        if (!anchor.entry && anchor.kind == QLatin1Char('r'))
            recipeAt[n] = anchor.index;
        const int rank = headingRank(block, anchor);
        if (rank == 0)
            continue;
        // The heading's own lines, then what it heads: up to a heading of
        // its rank or above, or a page of its own.
        size_t end = n + 1;
        while (end < count && lines_[end].block == block)
            ++end;
        int following = 0;
        for (size_t k = end; k < count && following < 2; ++k) {
            if (lines_[k].line == 0) {
                const int next = headingRank(lines_[k].block, anchorOf(lines_[k].block));
                if ((next > 0 && next <= rank) ||
                    (lines_[k].block.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore))
                    break;
            }
            if (blank(k))
                continue;
            ++following;
            end = k + 1;
        }
        for (size_t k = n + 1; k < end; ++k)
            keep[k] = 1;
    }
    for (const Float& f : floats_) {
        // The lines from the one the picture starts beside to its foot.
        const auto first = std::partition_point(lines_.begin(), lines_.end(),
                                                [&f](const Line& l) { return l.bottom <= f.rect.top(); });
        for (size_t n = size_t(first - lines_.begin()); n < count && lines_[n].top < f.rect.bottom(); ++n) {
            if (lines_[n].top > f.rect.top() + kSlack && lines_[n].top < f.rect.bottom() - kSlack)
                keep[n] = 1;
            if (lines_[n].top <= f.rect.top() + kSlack && lines_[n].bottom > f.rect.top())
                reach[n] = std::max(reach[n], f.rect.bottom());
        }
    }

    pageFirst_.clear();
    pageTop_.clear();
    pages_.moved.clear();
    size_t n = 0;
    while (n < count) {
        const qreal top = n == 0 ? 0 : lines_[n].top;
        pageFirst_.push_back(int(n));
        pageTop_.push_back(top);
        // As many lines as fit, up to the next page of its own.
        size_t next = n + 1;
        while (next < count && !forced[next] && reach[next] <= top + pageHeight + kSlack)
            ++next;
        if (next < count && !forced[next]) {
            // A recipe low on the page goes to the next.
            for (size_t k = n + 1; k < next; ++k)
                if (recipeAt[k] >= 0 && !options_.recipePerPage && !keep[k] &&
                    lines_[k].top - top > kFoot * pageHeight) {
                    next = k;
                    pages_.moved.insert(recipeAt[k]);
                    break;
                }
            // The page ends where it may.
            size_t end = next;
            while (end > n + 1 && keep[end])
                --end;
            if (!keep[end])
                next = end;
        }
        // Empty lines at the end stay on this page, where they show nothing:
        // a page opens with something to read.
        while (next < count && !forced[next] && blank(next))
            ++next;
        n = next;
    }
    pages_.count = int(pageFirst_.size());
}

int Cookbook::pageOfLine(size_t line) const
{
    const auto after = std::upper_bound(pageFirst_.begin(), pageFirst_.end(), int(line));
    return int(after - pageFirst_.begin());
}

int Cookbook::layoutFor(QPagedPaintDevice* device)
{
    documentLayout()->setPaintDevice(device);
    const QRectF area = device->pageLayout().paintRectPixels(device->logicalDpiX());
    footer_ = device->logicalDpiY() * 0.35; // about 9 mm
    const qreal pageHeight = area.height() - footer_;
    // Laid out in one long column; the pages are cut from it where the
    // book's rules allow, so no line is ever split by a page's edge.
    setPageSize(QSizeF(area.width(), -1));
    pages_ = PageNumbers();
    // The cover's title stands a third of the way down. The layout scales
    // the markup's lengths to the device, but not margins left and right.
    pages_.coverSpace = pageHeight / 3 / layoutScale(device);
    pages_.sideScale = layoutScale(device);
    const auto picture = [this](int i) {
        const auto it = pictures_.constFind(i);
        return it != pictures_.constEnd() ? PictureSource{QStringLiteral("picture:%1").arg(i), it->shown}
                                          : PictureSource();
    };
    setHtml(cookbookHtml(plan_, options_, BookMarkup::Print, &pages_, picture));
    documentLayout()->documentSize(); // lays the whole book out
    findLines();
    paginate(pageHeight);
    pageHeight_ = pageHeight;

    // Where each recipe and chapter starts, and the entries that point there.
    pages_.recipes.fill(0, plan_.recipes.size());
    pages_.chapters.fill(0, plan_.chapters.size());
    entries_.clear();
    for (size_t n = 0; n < lines_.size(); ++n) {
        if (lines_[n].line != 0)
            continue;
        const Anchor anchor = anchorOf(lines_[n].block);
        if (anchor.entry) {
            entries_.push_back({lines_[n].block, anchor.kind == QLatin1Char('c'), anchor.index});
        } else if (anchor.kind == QLatin1Char('r') && anchor.index >= 0 && anchor.index < pages_.recipes.size()) {
            pages_.recipes[anchor.index] = pageOfLine(n);
        } else if (anchor.kind == QLatin1Char('c') && anchor.index >= 0 && anchor.index < pages_.chapters.size()) {
            pages_.chapters[anchor.index] = pageOfLine(n);
        }
    }
    return pages_.count;
}

bool Cookbook::paint(QPagedPaintDevice* device)
{
    const int count = layoutFor(device);
    QPainter painter;
    if (!painter.begin(device)) {
        documentLayout()->setPaintDevice(nullptr);
        return false;
    }
    const qreal width = pageSize().width();
    QFont footerFont = defaultFont();
    footerFont.setPointSizeF(9);
    QTextObjectInterface* images = documentLayout()->handlerForObject(QTextFormat::ImageObject);
    nextAhead_ = 0;
    readAhead();
    size_t entry = 0;
    for (int page = 0; page < count; ++page) {
        if (page > 0)
            device->newPage();
        const qreal top = pageTop_[size_t(page)];
        const size_t first = size_t(pageFirst_[size_t(page)]);
        const size_t end = page + 1 < count ? size_t(pageFirst_[size_t(page) + 1]) : lines_.size();
        painter.save();
        painter.setClipRect(QRectF(0, 0, width, pageHeight_ + footer_));
        painter.translate(0, -top);
        painter.setPen(Qt::black);
        // Only this page's lines are drawn: a line of another page drawn
        // here, even where the clip hides it, would be in the file twice.
        for (size_t n = first; n < end; ++n)
            lines_[n].block.layout()->lineAt(lines_[n].line).draw(&painter, lines_[n].block.layout()->position());
        for (const Float& f : floats_)
            if (images && f.rect.top() >= top - 1 && (page + 1 == count || f.rect.top() < pageTop_[size_t(page) + 1])) {
                drawingPicture_ = true;
                images->drawObject(&painter, f.rect, this, f.position, f.format);
                drawingPicture_ = false;
            }
        // The page numbers of the contents' and the index's entries on this
        // page, right-aligned on each entry's last line.
        const qreal bottom = page + 1 < count ? pageTop_[size_t(page) + 1] : std::numeric_limits<qreal>::max();
        for (; entry < entries_.size(); ++entry) {
            const Entry& e = entries_[entry];
            const QTextLayout* text = e.block.layout();
            if (!text || text->lineCount() == 0)
                continue;
            const QTextLine line = text->lineAt(text->lineCount() - 1);
            const qreal lineTop = text->position().y() + line.y();
            if (lineTop >= bottom)
                break;
            const int number = e.chapter ? pages_.chapters.value(e.index) : pages_.recipes.value(e.index);
            QFont font = e.block.begin().fragment().charFormat().font();
            if (e.chapter)
                font.setBold(true);
            painter.setFont(font);
            const QString digits = QString::number(number);
            const qreal advance = QFontMetricsF(font, device).horizontalAdvance(digits);
            painter.drawText(QPointF(width - advance, lineTop + line.ascent()), digits);
        }
        painter.restore();
        if (page > 0) {
            painter.setFont(footerFont);
            painter.setPen(Qt::black);
            painter.drawText(QRectF(0, pageHeight_, width, footer_), Qt::AlignHCenter | Qt::AlignBottom,
                             QString::number(page + 1));
        }
    }
    painter.end();
    ahead_.clear();
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
