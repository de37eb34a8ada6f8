// The cookbook PDF read back as its reader sees it. A book of many recipes
// of every shape (long preparations, many ingredients, section headings,
// notes) is written, and the words of every page, with where they stand,
// are taken out of the PDF by pdftotext (poppler-utils, which scripts/deps
// installs). Checked: no page blank but for its number, every page from
// the second numbered, no heading alone at the foot of a page, no text
// twice (lines clipped at a page break still count as text), and the page
// numbers of the contents and the index are those of the pages the
// chapters and recipes start on.

#include "app/base/globals.h"
#include "output/cookbook.h"
#include "app/base/text.h"
#include "store/picture.h"
#include "testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QImageWriter>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <QtTest>

#include <algorithm>

using namespace bd;

namespace {

// A word of a page: its text and its box, in points from the top left.
struct Word {
    QString text;
    QRectF box;
};

// Words that stand on one line, left to right.
struct Row {
    QList<Word> words;
    qreal top = 0, bottom = 0;
    QString text() const
    {
        QStringList t;
        for (const Word& w : words)
            t << w.text;
        return t.join(QLatin1Char(' '));
    }
    qreal height() const { return bottom - top; }
};

struct Page {
    QSizeF size;
    QList<Row> rows; // top to bottom
};

// Words whose middles are at one height make a row.
QList<Row> rowsOf(QList<Word> words)
{
    std::sort(words.begin(), words.end(),
              [](const Word& a, const Word& b) { return a.box.center().y() < b.box.center().y(); });
    QList<Row> rows;
    for (const Word& w : std::as_const(words)) {
        const qreal middle = w.box.center().y();
        if (rows.isEmpty() || middle > (rows.last().top + rows.last().bottom) / 2 + rows.last().height() / 3) {
            rows.append(Row{{w}, w.box.top(), w.box.bottom()});
        } else {
            Row& row = rows.last();
            row.words << w;
            row.top = std::min(row.top, w.box.top());
            row.bottom = std::max(row.bottom, w.box.bottom());
        }
    }
    for (Row& row : rows)
        std::sort(row.words.begin(), row.words.end(),
                  [](const Word& a, const Word& b) { return a.box.left() < b.box.left(); });
    return rows;
}

// The pages of a PDF file as pdftotext reads them; empty when it cannot.
QList<Page> readPdf(const QString& path, QString* error)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty()) {
        *error = QStringLiteral("pdftotext is missing: bash scripts/deps installs poppler-utils");
        return {};
    }
    QProcess p;
    p.start(tool,
            {QStringLiteral("-bbox"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        *error = QStringLiteral("pdftotext failed: ") + QString::fromLocal8Bit(p.readAllStandardError());
        return {};
    }
    QList<Page> pages;
    QList<Word> words;
    QXmlStreamReader xml(p.readAllStandardOutput());
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("page")) {
            pages.append(Page{QSizeF(xml.attributes().value(QLatin1String("width")).toDouble(),
                                     xml.attributes().value(QLatin1String("height")).toDouble()),
                              {}});
            words.clear();
        } else if (xml.isStartElement() && xml.name() == QLatin1String("word")) {
            const QXmlStreamAttributes a = xml.attributes();
            const QPointF topLeft(a.value(QLatin1String("xMin")).toDouble(), a.value(QLatin1String("yMin")).toDouble());
            const QPointF bottomRight(a.value(QLatin1String("xMax")).toDouble(),
                                      a.value(QLatin1String("yMax")).toDouble());
            // Ligatures ("ﬂ") as the letters they join.
            words.append(
                Word{xml.readElementText().normalized(QString::NormalizationForm_KC), QRectF(topLeft, bottomRight)});
        } else if (xml.isEndElement() && xml.name() == QLatin1String("page")) {
            pages.last().rows = rowsOf(words);
        }
    }
    if (xml.hasError())
        *error = QStringLiteral("pdftotext's output does not read: ") + xml.errorString();
    return pages;
}

bool number(const QString& word)
{
    bool ok = false;
    word.toInt(&ok);
    return ok;
}

// How many times each word with a letter in it occurs in text.
QHash<QString, int> letterWords(const QStringList& texts)
{
    QHash<QString, int> counts;
    for (const QString& text : texts) {
        QString word;
        const auto flush = [&] {
            if (std::any_of(word.cbegin(), word.cend(), [](QChar c) { return c.isLetter(); }))
                ++counts[word];
            word.clear();
        };
        for (QChar c : text) {
            if (c.isSpace())
                flush();
            else
                word += c;
        }
        flush();
    }
    return counts;
}

// A picture in four quarters as shown: the top left one in corner, then
// black, white and grey. Turned, it is stored a quarter turn back with the
// EXIF orientation that turns it upright again.
QByteArray quarteredJpeg(const QSize& shown, const QColor& corner, bool turned = false)
{
    QImage image(shown, QImage::Format_RGB32);
    const int w = shown.width() / 2, h = shown.height() / 2;
    QPainter p(&image);
    p.fillRect(0, 0, w, h, corner);
    p.fillRect(w, 0, shown.width() - w, h, Qt::black);
    p.fillRect(0, h, w, shown.height() - h, Qt::white);
    p.fillRect(w, h, shown.width() - w, shown.height() - h, Qt::gray);
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    if (turned) {
        image = image.transformed(QTransform().rotate(-90));
        writer.setTransformation(QImageIOHandler::TransformationRotate90);
    }
    writer.write(image);
    return bytes;
}

// Whether image shows the four quarters of quarteredJpeg in their places.
bool quarteredAs(const QImage& image, const QColor& corner)
{
    const QColor expected[] = {corner, Qt::black, Qt::white, Qt::gray};
    for (int q = 0; q < 4; ++q) {
        const QColor c = image.pixelColor(image.width() * (1 + 2 * (q % 2)) / 4,
                                          image.height() * (1 + 2 * (q / 2)) / 4);
        if (qAbs(c.red() - expected[q].red()) + qAbs(c.green() - expected[q].green()) +
                qAbs(c.blue() - expected[q].blue()) >
            60)
            return false;
    }
    return true;
}

// What pdfimages lists of each picture of a PDF file, in the file's order.
struct PdfImage {
    int page = 0;
    QSize size;
    int ppi = 0; // pixels to the inch of paper, across
};
QList<PdfImage> listImages(const QString& path, QString* error)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdfimages"));
    if (tool.isEmpty()) {
        *error = QStringLiteral("pdfimages is missing: bash scripts/deps installs poppler-utils");
        return {};
    }
    QProcess p;
    p.start(tool, {QStringLiteral("-list"), path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        *error = QStringLiteral("pdfimages failed");
        return {};
    }
    QList<PdfImage> images;
    // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
    for (const QString& line : QString::fromLocal8Bit(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QStringList f = line.simplified().split(QLatin1Char(' '));
        if (f.size() >= 13 && number(f[0]) && f[2] == QLatin1String("image"))
            images.append({f[0].toInt(), QSize(f[3].toInt(), f[4].toInt()), f[12].toInt()});
    }
    return images;
}

// The pictures of a PDF file as images, in the file's order.
QList<QImage> extractImages(const QString& path, const QString& folder)
{
    QProcess p;
    p.start(QStandardPaths::findExecutable(QStringLiteral("pdfimages")),
            {QStringLiteral("-png"), path, folder + QStringLiteral("/img")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    QList<QImage> images;
    const QStringList names = QDir(folder).entryList({QStringLiteral("img-*.png")}, QDir::Files, QDir::Name);
    for (const QString& name : names)
        images << QImage(folder + QLatin1Char('/') + name);
    return images;
}

// A book of n recipes with unique titles, as varied as a cook's: few and
// many ingredients, ingredient headings, preparations from a line to
// several pages, notes now and then.
QVector<Recipe> generatedBook(int n)
{
    QRandomGenerator rng(39);
    const auto pick = [&rng](const QStringList& from) { return from[int(rng.bounded(quint32(from.size())))]; };
    const QStringList categories = {QStringLiteral("Breads"),
                                    QStringLiteral("Cakes"),
                                    QStringLiteral("Soups"),
                                    QStringLiteral("Salads"),
                                    QStringLiteral("Stews"),
                                    QStringLiteral("Pies"),
                                    QStringLiteral("Sauces"),
                                    QStringLiteral("Fish"),
                                    QStringLiteral("Poultry"),
                                    QStringLiteral("Drinks"),
                                    QStringLiteral("Cookies"),
                                    QStringLiteral("Pickles"),
                                    QStringLiteral("Desserts"),
                                    QStringLiteral("Starters"),
                                    QString::fromUtf8("Guisos de la abuela"),
                                    QString::fromUtf8("Ñoquis y pastas")};
    const QStringList adjectives = {QStringLiteral("Golden"),   QStringLiteral("Spiced"),   QStringLiteral("Rustic"),
                                    QStringLiteral("Quick"),    QStringLiteral("Smoky"),    QStringLiteral("Creamy"),
                                    QStringLiteral("Lemon"),    QStringLiteral("Autumn"),   QStringLiteral("Crisp"),
                                    QStringLiteral("Mother's"), QString::fromUtf8("Crème"), QStringLiteral("Wild")};
    const QStringList dishes = {
        QStringLiteral("Lentil Stew"), QStringLiteral("Apple Cake"), QStringLiteral("Bread"),
        QStringLiteral("Tart"),        QStringLiteral("Chowder"),    QStringLiteral("Salad"),
        QStringLiteral("Dumplings"),   QStringLiteral("Pudding"),    QStringLiteral("Relish"),
        QStringLiteral("Buns"),        QStringLiteral("Broth"),      QString::fromUtf8("Éclairs")};
    const QStringList items = {QStringLiteral("flour"),
                               QStringLiteral("sugar"),
                               QStringLiteral("butter, softened"),
                               QStringLiteral("eggs"),
                               QStringLiteral("onion, chopped"),
                               QStringLiteral("garlic cloves"),
                               QStringLiteral("carrots, diced"),
                               QStringLiteral("vegetable stock"),
                               QStringLiteral("salt"),
                               QStringLiteral("black pepper"),
                               QStringLiteral("olive oil"),
                               QStringLiteral("parsley"),
                               QStringLiteral("large ripe tomatoes, peeled, seeded and cut into small even pieces "
                                              "before they go into the pan with the onions")};
    const QStringList units = {QStringLiteral("c"),  QStringLiteral("g"),  QStringLiteral("tb"),
                               QStringLiteral("ts"), QStringLiteral("lb"), QString()};
    const QStringList headings = {QStringLiteral("FOR THE SAUCE"), QStringLiteral("GARNISHES"),
                                  QStringLiteral("Filling:"), QStringLiteral("TOPPING")};
    const QStringList sentences = {
        QStringLiteral("Heat the oil in a heavy pan over a medium flame until it shimmers."),
        QStringLiteral("Stir in the onions and cook them slowly, stirring now and then, until soft and golden."),
        QStringLiteral("Add the rest and bring it to the boil."),
        QStringLiteral("Lower the heat, cover and let it simmer gently for about forty minutes."),
        QStringLiteral("Taste and season."),
        QStringLiteral("Beat the butter with the sugar until pale, then add the eggs one by one, beating well "
                       "after each so that the batter does not curdle."),
        QStringLiteral("Pour into the tin and bake until a skewer comes out clean.")};

    QVector<Recipe> recipes;
    recipes.reserve(n);
    for (int i = 0; i < n; ++i) {
        Recipe r;
        r.title = pick(adjectives) + QLatin1Char(' ') + pick(dishes) + QLatin1Char(' ') + QString::number(i + 1);
        r.category = categories[i % categories.size()];
        if (rng.bounded(3) > 0)
            r.preptime = QStringLiteral("%1 min").arg(5 + rng.bounded(60));
        if (rng.bounded(2) > 0)
            r.cooktime = QStringLiteral("%1 min").arg(10 + rng.bounded(120));
        if (rng.bounded(2) > 0)
            r.yield = QStringLiteral("%1 servings").arg(2 + rng.bounded(10));

        // Ingredients: none, a few or very many, with headings now and then,
        // each heading over at least two lines.
        const int shape = int(rng.bounded(10));
        const int lines = shape == 0 ? 0 : shape < 7 ? 2 + int(rng.bounded(12)) : 15 + int(rng.bounded(45));
        QStringList ing;
        for (int k = 0; k < lines; ++k) {
            if (k + 2 < lines && rng.bounded(8) == 0) {
                if (!ing.isEmpty() && rng.bounded(2) == 0)
                    ing << QString();
                ing << pick(headings);
                ing << QStringLiteral("%1 %2 %3").arg(1 + rng.bounded(9)).arg(pick(units), pick(items));
                ++k;
            }
            ing << QStringLiteral("%1 %2 %3").arg(1 + rng.bounded(9)).arg(pick(units), pick(items));
        }
        r.ing = ing.join(QLatin1Char('\n'));

        // The preparation: a short one, a page, or pages on end.
        const int kind = int(rng.bounded(20));
        const int paragraphs = kind == 0   ? 0
                               : kind < 14 ? 1 + int(rng.bounded(4))
                               : kind < 19 ? 5 + int(rng.bounded(12))
                                           : 40;
        QStringList prep;
        for (int p = 0; p < paragraphs; ++p) {
            QStringList paragraph;
            const int count = 2 + int(rng.bounded(6));
            for (int s = 0; s < count; ++s)
                paragraph << pick(sentences);
            prep << paragraph.join(QLatin1Char(' '));
        }
        r.prep = prep.join(QStringLiteral("\n\n"));
        if (r.ing.isEmpty() && r.prep.isEmpty())
            r.prep = pick(sentences) + QLatin1Char(' ') + pick(sentences);
        if (rng.bounded(4) == 0)
            r.other = QStringLiteral("From a neighbour's card.\nKeeps three days in the cold.");
        recipes << r;
    }
    return recipes;
}

struct BookShape {
    QList<Page> pages;
    QString error;
};

} // namespace

class TestCookbookPdf : public QObject {
    Q_OBJECT
private slots:
    void aLargeBookReadsBackWhole_data()
    {
        QTest::addColumn<int>("recipes");
        QTest::addColumn<bool>("perPage");
        QTest::addColumn<int>("language");
        QTest::addColumn<bool>("pictures");
        QTest::newRow("820 recipes flowing on, some with pictures") << 820 << false << 0 << true;
        QTest::newRow("60 recipes a page each, Spanish") << 60 << true << 300 << false;
    }

    void aLargeBookReadsBackWhole()
    {
        QFETCH(int, recipes);
        QFETCH(bool, perPage);
        QFETCH(int, language);
        QFETCH(bool, pictures);
        bdtest::TestEnv env;
        G.langOffset = language;
        QVector<Recipe> book = generatedBook(recipes);
        CookbookOptions options;
        options.recipePerPage = perPage;
        if (pictures) {
            env.write(QStringLiteral("images/dish.png"), bdtest::pngBytes(300, 200));
            options.imagesFolder = env.file(QStringLiteral("images"));
            for (int i = 0; i < book.size(); i += 9)
                book[i].image = QStringLiteral("dish.png");
        }
        const QString path = env.file(QStringLiteral("book.pdf"));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(writeCookbookPdf(path, book, options));
        const qint64 written = timer.restart();
        QString error;
        const QList<Page> pages = readPdf(path, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        qInfo("%d recipes, %d pages: written in %lld ms, read back in %lld ms", recipes, int(pages.size()), written,
              timer.elapsed());
        QVERIFY(pages.size() > 3);

        // Rows of the body text are the lowest; headings of recipes and
        // chapters stand well above them.
        QList<qreal> heights;
        for (const Page& page : pages)
            for (const Row& row : page.rows)
                heights << row.height();
        std::sort(heights.begin(), heights.end());
        const qreal body = heights[heights.size() / 2];
        const auto large = [body](const Row& row) { return row.height() > body * 1.15; };

        // Every page but the cover ends in its number, centred, and holds
        // more than that.
        for (int p = 1; p < pages.size(); ++p) {
            const Page& page = pages[p];
            QVERIFY2(page.rows.size() >= 2, qPrintable(QStringLiteral("page %1 is blank").arg(p + 1)));
            const Row& foot = page.rows.last();
            QVERIFY2(foot.text() == QString::number(p + 1),
                     qPrintable(QStringLiteral("page %1 ends in '%2'").arg(p + 1).arg(foot.text())));
            QVERIFY(qAbs((foot.words.first().box.left() + foot.words.last().box.right()) / 2 - page.size.width() / 2) <
                    page.size.width() / 10);
        }

        // Each word as often as the book holds it: a line clipped at a page
        // break is no second copy.
        QTextDocument text;
        const CookbookPlan plan = planCookbook(book);
        text.setHtml(cookbookHtml(plan, options, BookMarkup::Print, nullptr, {}));
        QStringList shown;
        for (const Page& page : pages)
            for (const Row& row : page.rows)
                shown << row.text();
        const QHash<QString, int> want = letterWords({text.toPlainText()}), got = letterWords(shown);
        for (auto it = want.cbegin(); it != want.cend(); ++it)
            QVERIFY2(got.value(it.key()) == it.value(), qPrintable(QStringLiteral("'%1': %2 in the PDF, %3 in the book")
                                                                       .arg(it.key())
                                                                       .arg(got.value(it.key()))
                                                                       .arg(it.value())));
        QCOMPARE(got.size(), want.size());

        // Where each chapter and recipe starts: its heading, below the
        // contents. No heading (of a chapter, a recipe, a part of one, the
        // ingredients, an index letter, a chapter in the contents) stands at
        // the foot of a page without two lines of what it heads.
        const QSet<QString> headings = {fetchText(Str::Ingredients),  fetchText(Str::Preparation),
                                        fetchText(Str::SpecialNotes), QStringLiteral("FOR THE SAUCE"),
                                        QStringLiteral("GARNISHES"),  QStringLiteral("Filling:"),
                                        QStringLiteral("TOPPING")};
        int checked = 0;
        QHash<QString, int> chapterNames, recipeTitles;
        for (const CookbookPlan::Chapter& c : plan.chapters)
            chapterNames.insert(c.name, 0);
        for (const Recipe& r : book)
            recipeTitles.insert(r.title, 0);
        const QString contents = fetchText(Str::CookbookContents), index = fetchText(Str::CookbookIndex);
        enum { Cover, Contents, Chapters, Index } part = Cover;
        QHash<QString, int> startsOn;
        QList<std::pair<QString, int>> contentsEntries, indexEntries; // as printed, with their numbers
        for (int p = 0; p < pages.size(); ++p) {
            const QList<Row>& rows = pages[p].rows;
            const int last = int(rows.size()) - (p > 0 ? 1 : 0); // the page number aside
            for (int k = 0; k < last; ++k) {
                const Row& row = rows[k];
                const QString t = row.text();
                const QString entry = row.words.size() > 1 && number(row.words.last().text)
                                          ? t.left(t.size() - row.words.last().text.size() - 1)
                                          : QString();
                const bool heading = large(row) || headings.contains(t) ||
                                     (part == Index && row.words.size() == 1 && t.size() == 1) ||
                                     (part == Contents && chapterNames.contains(entry));
                // Below it on its page: two rows, or one that ends what it heads
                // (the next page opens with a heading).
                if (heading && p > 0) {
                    ++checked;
                    const int below = last - k - 1;
                    const bool ends = p + 1 < pages.size() && (large(pages[p + 1].rows.first()) ||
                                                               headings.contains(pages[p + 1].rows.first().text()));
                    QVERIFY2(below >= 2 || (below == 1 && ends),
                             qPrintable(QStringLiteral("'%1' stands at the foot of page %2").arg(t).arg(p + 1)));
                }
                if (large(row)) {
                    if (t == contents && part == Cover) {
                        part = Contents;
                    } else if (t == index && part == Chapters) {
                        part = Index;
                    } else if (part != Index && (chapterNames.contains(t) || recipeTitles.contains(t))) {
                        part = Chapters;
                        QVERIFY2(!startsOn.contains(t), qPrintable(t));
                        startsOn.insert(t, p + 1);
                    }
                    continue;
                }
                if (part != Contents && part != Index)
                    continue;
                if (entry.isEmpty())
                    continue; // an index letter
                (part == Contents ? contentsEntries : indexEntries).append({entry, row.words.last().text.toInt()});
                // The number stands at the right margin.
                QVERIFY(row.words.last().box.right() > pages[p].size.width() * 0.8);
            }
        }
        QVERIFY(checked > recipes * 2);
        QCOMPARE(startsOn.size(), plan.chapters.size() + book.size());
        QCOMPARE(contentsEntries.size(), plan.chapters.size() + book.size());
        QCOMPARE(indexEntries.size(), book.size());
        QStringList order;
        for (const CookbookPlan::Chapter& c : plan.chapters) {
            order << c.name;
            for (int i : c.recipes)
                order << plan.recipes[i].title;
        }
        for (int e = 0; e < contentsEntries.size(); ++e) {
            const auto& [entry, page] = contentsEntries[e];
            QCOMPARE(entry, order[e]);
            QVERIFY2(page == startsOn.value(entry),
                     qPrintable(QStringLiteral("the contents give page %1 for '%2', which starts on page %3")
                                    .arg(page)
                                    .arg(entry)
                                    .arg(startsOn.value(entry))));
        }
        for (int e = 0; e < indexEntries.size(); ++e) {
            const Recipe& r = plan.recipes[plan.index[e]];
            QCOMPARE(indexEntries[e].first, r.title + QStringLiteral(" (") + r.category + QLatin1Char(')'));
            QVERIFY2(indexEntries[e].second == startsOn.value(r.title),
                     qPrintable(QStringLiteral("the index gives page %1 for '%2', which starts on page %3")
                                    .arg(indexEntries[e].second)
                                    .arg(r.title)
                                    .arg(startsOn.value(r.title))));
        }
    }
    // Pictures come into the cookbook as large as their place on paper
    // needs (200 pixels to the inch), turned upright, never enlarged: read
    // from the file at that size when their page is drawn, never while the
    // book is laid out, and each beside its own recipe.
    void picturesAsLargeAsTheirPlaceNeeds()
    {
        bdtest::TestEnv env;
        env.write(QStringLiteral("images/big.jpg"), quarteredJpeg(QSize(1600, 1200), Qt::red));
        env.write(QStringLiteral("images/tall.jpg"), quarteredJpeg(QSize(1200, 1600), Qt::blue, true));
        env.write(QStringLiteral("images/small.png"), bdtest::pngBytes(100, 80));
        env.write(QStringLiteral("images/broken.jpg"), "no picture at all");
        const QString images = env.file(QStringLiteral("images"));
        const auto in = [&images](const char* name) { return images + QLatin1Char('/') + QLatin1String(name); };

        // Sizes as shown, from the files' headers.
        QCOMPARE(pictureSize(in("big.jpg")), QSize(1600, 1200));
        QCOMPARE(pictureSize(in("tall.jpg")), QSize(1200, 1600));
        QCOMPARE(pictureSize(in("small.png")), QSize(100, 80));
        QVERIFY(!pictureSize(in("broken.jpg")).isValid());
        QVERIFY(!pictureSize(images).isValid());
        QVERIFY(!pictureSize(in("missing.jpg")).isValid());
        // Read to fit, the quarters where they belong.
        for (const QSize& fit : {QSize(458, 344), QSize(190, 190), QSize(1600, 1200)}) {
            const QImage big = loadPicture(in("big.jpg"), fit);
            QCOMPARE(big.size(), QSize(1600, 1200).scaled(fit, Qt::KeepAspectRatio));
            QVERIFY(quarteredAs(big, Qt::red));
            const QImage tall = loadPicture(in("tall.jpg"), fit);
            QCOMPARE(tall.size(), QSize(1200, 1600).scaled(fit, Qt::KeepAspectRatio));
            QVERIFY(quarteredAs(tall, Qt::blue));
        }
        QCOMPARE(loadPicture(in("small.png"), QSize(458, 344)).size(), QSize(100, 80));
        QVERIFY(loadPicture(in("broken.jpg"), QSize(458, 344)).isNull());
        QVERIFY(loadPicture(images, QSize(458, 344)).isNull());

        // In the PDF, a recipe a page.
        QVector<Recipe> recipes;
        for (const char* picture : {"big.jpg", "tall.jpg", "small.png", "broken.jpg", "big.jpg"}) {
            Recipe r;
            r.title = QStringLiteral("Recipe %1").arg(recipes.size() + 1);
            r.category = QStringLiteral("Pictures");
            r.ing = QStringLiteral("1 egg");
            r.image = QLatin1String(picture);
            recipes << r;
        }
        recipes[4].image.clear();
        CookbookOptions options;
        options.recipePerPage = true;
        options.imagesFolder = images;
        Cookbook book(recipes, options);
        const QString path = env.file(QStringLiteral("pictures.pdf"));
        {
            QPdfWriter writer(path);
            writer.setResolution(600);
            QVERIFY(book.paint(&writer));
        }
        QCOMPARE(book.picturesRead(), 3);
        QString error;
        const QList<PdfImage> listed = listImages(path, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(listed.size(), 3);
        const QSize sizes[] = {QSize(458, 344), QSize(281, 375), QSize(100, 80)};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(listed[i].page, book.pages().recipes[i]);
            QVERIFY2(qAbs(listed[i].size.width() - sizes[i].width()) <= 1 &&
                         qAbs(listed[i].size.height() - sizes[i].height()) <= 1,
                     qPrintable(QStringLiteral("picture %1 is %2 x %3")
                                    .arg(i + 1)
                                    .arg(listed[i].size.width())
                                    .arg(listed[i].size.height())));
            QVERIFY2(i == 2 ? listed[i].ppi < 195 : qAbs(listed[i].ppi - 200) <= 5,
                     qPrintable(QStringLiteral("picture %1: %2 pixels to the inch").arg(i + 1).arg(listed[i].ppi)));
        }
        const QString extracted = env.file(QStringLiteral("extracted"));
        QVERIFY(QDir().mkpath(extracted));
        const QList<QImage> drawn = extractImages(path, extracted);
        QCOMPARE(drawn.size(), 3);
        QVERIFY(quarteredAs(drawn[0], Qt::red));
        QVERIFY(quarteredAs(drawn[1], Qt::blue));
    }
};

QTEST_MAIN(TestCookbookPdf)
#include "tst_cookbookpdf.moc"
