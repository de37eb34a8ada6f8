// The recipe book document, its lookups, the store operations and saving.

#include "app/base/globals.h"
#include "app/base/text.h"
#include "store/encoding.h"
#include "store/leftovers.h"
#include "store/names.h"
#include "store/bookfile.h"
#include "store/booksave.h"
#include "store/bookwriter.h"
#include "store/charscan.h"
#include "store/picturefiles.h"
#include "store/store.h"
#include "store/trash.h"
#include "testsupport.h"

#include <QtTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace bd;

namespace {

// Indented the way a person or another tool might write it.
const QByteArray kPrettyBook =
    "<recipebook>\r\n"
    "  <category cname=\"Desserts\">\r\n"
    "    <recipe>\r\n      <title>Apple pie</title>\r\n"
    "      <preptime>20 min</preptime><cooktime>45 min</cooktime><yield>8</yield>\r\n"
    "      <ing>apples\r\nflour</ing><prep>bake</prep><other/><date>1/1/1999</date><image></image>\r\n"
    "    </recipe>\r\n"
    "    <recipe><title>Flan</title><preptime/><cooktime/><yield/><ing/><prep/><other/>"
    "<date>1/1/1999</date><image/></recipe>\r\n"
    "  </category>\r\n"
    "  <category cname=\"Soups\">\r\n"
    "    <recipe><title>Gazpacho</title><preptime/><cooktime/><yield/><ing/><prep/><other/>"
    "<date>1/1/1999</date><image/></recipe>\r\n"
    "  </category>\r\n"
    "  <category cname=\"Empty\"/>\r\n"
    "</recipebook>\r\n";

// Puts bytes on disk as the book and opens it as G.xmlDoc.
void openBook(const bdtest::TestEnv& env, const QByteArray& bytes)
{
    env.write(QStringLiteral("recipes.xml"), bytes);
    QVERIFY(G.xmlDoc.loadFile(bookPath()));
}

// The book as it is on disk now.
Recipe reloadedRecipe(int category, const QString& title)
{
    RecipeBook disk;
    if (!disk.loadFile(bookPath()))
        return {};
    return RecipeBook::fields(disk.findRecipe(category, title));
}

using bdtest::titled;

Recipe recipe(const QString& title, const QString& category)
{
    Recipe in;
    in.title = title;
    in.category = category;
    return in;
}

} // namespace

class TestStore : public QObject {
    Q_OBJECT
private slots:
    void bookFormat()
    {
        bdtest::TestEnv env;
        // Whitespace between elements is not kept: the title is the first child.
        openBook(env, kPrettyBook);
        const pugi::xml_node pie = G.xmlDoc.findRecipe(0, QStringLiteral("Apple pie"));
        QCOMPARE(QString::fromUtf8(pie.first_child().name()), QStringLiteral("title"));
        QCOMPARE(G.xmlDoc.recipeTitles(0), QStringList({"Apple pie", "Flan"}));
        QCOMPARE(RecipeBook::fields(pie).ing, QStringLiteral("apples\nflour"));

        // CR LF from a text box reads back as LF; the empty category survives.
        Recipe in = recipe(QStringLiteral("Layers"), QStringLiteral("Soups"));
        in.prep = QStringLiteral("one\r\ntwo\r\n\r\nthree");
        QVERIFY(bookStore().addRecipe(1, in).ok);
        QVERIFY(bookStore().addRecipe(1, recipe(QStringLiteral("Bare"), QStringLiteral("Soups"))).ok);
        QCOMPARE(reloadedRecipe(1, in.title).prep, QStringLiteral("one\ntwo\n\nthree"));
        const bdtest::DiskBook disk;
        QCOMPARE(disk.categoryName(2), QStringLiteral("Empty"));

        // All optional fields empty: still nine children, the last an empty image.
        const pugi::xml_node bare = disk.findRecipe(1, QStringLiteral("Bare"));
        QCOMPARE(int(std::distance(bare.begin(), bare.end())), 9);
        QCOMPARE(QString::fromUtf8(bare.last_child().name()), QStringLiteral("image"));

        // On disk every line end of a text is CR LF, however it came in:
        // LF from the text boxes, CR LF, or both mixed (a CR LF is not doubled).
        Recipe mixed = recipe(QStringLiteral("Mixed"), QStringLiteral("Soups"));
        mixed.ing = QStringLiteral("a\nb\r\nc\n\nd");
        mixed.other = QStringLiteral("x & <y>\n");
        QVERIFY(bookStore().addRecipe(1, mixed).ok);
        const QByteArray bytes = env.read(QStringLiteral("recipes.xml"));
        QVERIFY(bytes.contains("<ing>a\r\nb\r\nc\r\n\r\nd</ing>"));
        QVERIFY(bytes.contains("<other>x &amp; &lt;y&gt;\r\n</other>"));
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
        QVERIFY(!bytes.contains("\r\r"));
        // Load, save, load: the same texts, and the same bytes.
        QVERIFY(G.xmlDoc.loadFile(bookPath()));
        QCOMPARE(RecipeBook::fields(G.xmlDoc.findRecipe(1, mixed.title)).ing, QStringLiteral("a\nb\nc\n\nd"));
        QVERIFY(bookStore().save().ok);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), bytes);
        QCOMPARE(reloadedRecipe(1, mixed.title).other, QStringLiteral("x & <y>\n"));

        QCOMPARE(checkBook(env.file(QStringLiteral("missing.xml"))), QStringLiteral("error"));
        const QList<QPair<QByteArray, QString>> books = {
            {kPrettyBook, "aok"}, {"<recipebook><category cname=\"x\"></recipebook>", "error"},
            {"<cookbook></cookbook>", "error"}, {"<recipebook/><recipebook/>", "error"},
        };
        for (const auto& b : books) {
            env.write(QStringLiteral("check.xml"), b.first);
            QVERIFY2(checkBook(env.file(QStringLiteral("check.xml"))) == b.second, b.first.constData());
        }
    }

    void textChecksFindACharacterAnywhere()
    {
        // Long texts are checked several characters at a time: a character
        // that matters is found at every place, at the edges of those blocks too.
        const QString base = QStringLiteral("Whisk the eggs with the milk and pour it over");
        for (const char16_t odd : {u'\t', u'\n', char16_t(0xA0), char16_t(0x2003), u' '}) {
            for (qsizetype at = 1; at + 1 < base.size(); ++at) {
                QString text = base;
                text[at] = QChar(odd);
                QCOMPARE(isSimplified(text), text.simplified() == text);
            }
        }
        for (const char16_t odd :
             {char16_t(0x01), char16_t(0x1F), char16_t(0xD800), char16_t(0xDFFF), char16_t(0xFFFE)}) {
            for (qsizetype at = 0; at < base.size(); ++at) {
                QString text = base;
                text[at] = QChar(odd);
                QCOMPARE(storableText(text), QString(base).remove(at, 1));
            }
        }
        QString kept = base;
        kept[9] = QLatin1Char('\t');
        kept[17] = QChar(0xE9);
        QCOMPARE(storableText(kept).constData(), kept.constData()); // shared, not copied
        // Tabs and line breaks are kept, also beside a character that is not.
        for (qsizetype at = 0; at + 3 < base.size(); ++at) {
            QString lines = base;
            lines[at] = QLatin1Char('\n');
            lines[at + 1] = QLatin1Char('\r');
            lines[at + 2] = QChar(0x0B);
            lines[at + 3] = QLatin1Char('\t');
            QCOMPARE(storableText(lines), QString(lines).remove(at + 2, 1));
        }

        // Short copies are made by moves of a known size: every size copies
        // its bytes, and no byte beside them.
        unsigned char from[80], to[84];
        for (unsigned i = 0; i < sizeof from; ++i)
            from[i] = static_cast<unsigned char>(i + 1);
        for (std::size_t size = 0; size <= sizeof from; ++size) {
            std::memset(to, 0xEE, sizeof to);
            charscan::copyBytes(to + 2, from, size);
            QVERIFY2(std::memcmp(to + 2, from, size) == 0, qPrintable(QString::number(size)));
            QCOMPARE(to[1], 0xEE);
            QCOMPARE(to[2 + size], 0xEE);
        }
        // Short compares likewise: a byte that differs is seen at every
        // place of every size, and bytes beside them are not looked at.
        for (std::size_t size = 0; size <= sizeof from; ++size) {
            std::memcpy(to + 2, from, size);
            to[2 + size] = 0;
            QVERIFY2(charscan::sameBytes(to + 2, from, size), qPrintable(QString::number(size)));
            for (std::size_t at = 0; at < size; ++at) {
                to[2 + at] ^= 0x40;
                QVERIFY2(!charscan::sameBytes(to + 2, from, size),
                         qPrintable(QStringLiteral("%1 %2").arg(size).arg(at)));
                to[2 + at] ^= 0x40;
            }
        }
    }

    void lookups()
    {
        bdtest::TestEnv env;
        openBook(env, kPrettyBook);
        QVERIFY(G.xmlDoc.recipeTitles(7).isEmpty());

        // The title search ignores case, also beyond ASCII; findRecipe does not.
        G.xmlDoc.appendRecipe(2, titled(QStringLiteral("Crème brûlée")));
        QVERIFY(G.xmlDoc.titleExists(QStringLiteral("CRÈME BRÛLÉE")));
        QVERIFY(G.xmlDoc.titleExists(QStringLiteral("apple PIE")));
        QVERIFY(!G.xmlDoc.titleExists(QStringLiteral("Apple pi")));
        QVERIFY(!G.xmlDoc.findRecipe(0, QStringLiteral("apple pie")));

        // Titles a query text could not quote are still found exactly.
        for (const QString& t : {QStringLiteral("Mum's \"best\" pie"), QStringLiteral("a]b'c"),
                                 QStringLiteral("x') or ('1'='1")}) {
            G.xmlDoc.appendRecipe(2, titled(t));
            const pugi::xml_node r = G.xmlDoc.findRecipe(2, t);
            QVERIFY2(r, qPrintable(t));
            QCOMPARE(RecipeBook::childText(r, RTitle), t);
        }
        QVERIFY(!G.xmlDoc.findRecipe(2, QStringLiteral("x")));

        for (QChar c : QStringLiteral("\"'?\\/:*|<>"))
            QVERIFY2(!nameAllowed(QStringLiteral("ab") + c + QStringLiteral("cd")), qPrintable(QString(c)));
        QVERIFY(nameAllowed(QStringLiteral("Crème brûlée & tarte (100%) [v2]; #1")));
        QVERIFY(nameAllowed(QString()));

        QVERIFY(shortDateText().contains(QString::number(QDate::currentDate().year())));
    }

    // titleExists answers from an index of the titles that every change
    // of the book keeps in step: after each change it answers as a walk
    // over the whole book does.
    void titleIndexFollowsEveryChange()
    {
        RecipeBook book;
        const QStringList probes = {QStringLiteral("Apple pie"),    QStringLiteral("APPLE PIE"),
                                    QStringLiteral("apple pi"),     QStringLiteral("Crème brûlée"),
                                    QStringLiteral("CRÈME BRÛLÉE"), QStringLiteral("Gazpacho"),
                                    QStringLiteral("Stew"),         QStringLiteral("Soda bread"),
                                    QStringLiteral("SODA BREAD"),   QStringLiteral("Rye")};
        const auto walked = [&book](const QString& title) {
            bool found = false;
            book.forEachRecipe([&](pugi::xml_node r, int) {
                found = found || qstr(RecipeBook::titleOf(r)).toLower() == title.toLower();
            });
            return found;
        };
        const auto disagreeing = [&] {
            QStringList out;
            for (const QString& t : probes)
                if (book.titleExists(t) != walked(t))
                    out << t;
            return out.join(QStringLiteral(", "));
        };
        QCOMPARE(disagreeing(), QString());
        const int cakes = book.appendCategory(QStringLiteral("Cakes"));
        const int soups = book.appendCategory(QStringLiteral("Soups"));
        book.appendRecipe(cakes, titled(QStringLiteral("Apple pie")));
        QCOMPARE(disagreeing(), QString()); // the index is made here
        book.appendRecipe(cakes, titled(QStringLiteral("Crème brûlée")));
        book.appendRecipe(soups, titled(QStringLiteral("Gazpacho")));
        QVERIFY(book.titleExists(QStringLiteral("CRÈME BRÛLÉE")) && book.titleExists(QStringLiteral("gazpacho")));
        QCOMPARE(disagreeing(), QString());
        book.removeRecipe(book.findRecipe(soups, QStringLiteral("Gazpacho")));
        QVERIFY(!book.titleExists(QStringLiteral("Gazpacho")));
        // The import's way in.
        book.noteNewRecipe(RecipeBook::appendRecipeNode(book.category(soups), titled(QStringLiteral("Stew")), true));
        QVERIFY(book.titleExists(QStringLiteral("STEW")));
        QVERIFY(book.journal().base.contains(QStringLiteral("stew")));
        book.renameCategory(soups, QStringLiteral("Pots"));
        QCOMPARE(disagreeing(), QString());
        book.removeCategory(cakes);
        QVERIFY(!book.titleExists(QStringLiteral("apple pie")) && book.titleExists(QStringLiteral("stew")));
        QCOMPARE(disagreeing(), QString());

        // A book read anew, one a hand could make: a title twice but for
        // letter case. The first in book order is found, and the other
        // once that goes.
        QVERIFY(book.loadBuffer("<recipebook><category cname=\"A\"><recipe><title>Rye</title></recipe>"
                                "<recipe><title>Soda bread</title></recipe></category><category cname=\"B\">"
                                "<recipe><title>SODA BREAD</title></recipe></category></recipebook>"));
        QVERIFY(!book.titleExists(QStringLiteral("Stew")));
        QCOMPARE(disagreeing(), QString());
        const pugi::xml_node first = book.findTitle(QStringLiteral("soda bread"));
        QCOMPARE(qstr(RecipeBook::titleOf(first)), QStringLiteral("Soda bread"));
        book.removeRecipe(first);
        QCOMPARE(qstr(RecipeBook::titleOf(book.findTitle(QStringLiteral("soda bread")))), QStringLiteral("SODA BREAD"));
        QCOMPARE(disagreeing(), QString());

        // Another book taken in; then none.
        RecipeBook other;
        other.appendRecipe(other.appendCategory(QStringLiteral("Pies")), titled(QStringLiteral("Apple pie")));
        book.adopt(other);
        QVERIFY(book.titleExists(QStringLiteral("apple PIE")) && !book.titleExists(QStringLiteral("Rye")));
        QVERIFY(!other.titleExists(QStringLiteral("Apple pie")));
        QCOMPARE(disagreeing(), QString());
        book.clear();
        QVERIFY(!book.titleExists(QStringLiteral("Apple pie")));
    }

    void walksFollowBookOrder()
    {
        RecipeBook book;
        QVERIFY(book.loadBuffer(kPrettyBook));
        QStringList seen;
        QVERIFY(book.forEachRecipe([&](pugi::xml_node r, int position) {
            seen << QString::number(position) + QLatin1Char(' ') + RecipeBook::childText(r, RTitle);
        }));
        QCOMPARE(seen, QStringList({"0 Apple pie", "0 Flan", "1 Gazpacho"}));

        // A callback returning false stops the walk, which says so.
        int visited = 0;
        QVERIFY(!book.forEachRecipe([&](pugi::xml_node, int) { return ++visited < 2; }));
        QCOMPARE(visited, 2);
        QVERIFY(book.forEachRecipeIn(2, [](pugi::xml_node) { QFAIL("the category is empty"); }));
        QVERIFY(book.forEachRecipeIn(7, [](pugi::xml_node) { QFAIL("there is no such category"); }));
        QVERIFY(book.forEachRecipeIn(-1, [](pugi::xml_node) { QFAIL("there is no such category"); }));

        const QVector<Recipe> desserts = book.recipesIn(0);
        QCOMPARE(desserts.size(), 2);
        QCOMPARE(desserts[0].ing, QStringLiteral("apples\nflour"));
        QCOMPARE(desserts[1].title, QStringLiteral("Flan"));
        QCOMPARE(desserts[1].category, QStringLiteral("Desserts"));
        QVERIFY(book.recipesIn(2).isEmpty());
        QVERIFY(book.recipesIn(3).isEmpty());

        const std::optional<Recipe> soup = book.recipe({1, QStringLiteral("Gazpacho")});
        QVERIFY(soup);
        QCOMPARE(soup->category, QStringLiteral("Soups"));
        QCOMPARE(soup->date, QStringLiteral("1/1/1999"));
        QVERIFY(!book.recipe({0, QStringLiteral("Gazpacho")}));
        QVERIFY(!book.recipe({1, QStringLiteral("gazpacho")}));
    }

    void walksOverCraftedRecipes()
    {
        // Stray text before the title, a child too many, names and titles twice.
        RecipeBook book;
        QVERIFY(book.loadBuffer("<recipebook><category cname=\"A\">"
                                "<recipe>stray<title>One</title><preptime>p</preptime></recipe>"
                                "<recipe><title>Two</title><x>1</x><x>2</x></recipe>"
                                "<recipe><title>Two</title><x>second</x></recipe></category>"
                                "<category cname=\"A\"><recipe><title>Three</title></recipe></category>"
                                "</recipebook>"));
        const pugi::xml_node first = book.category(0).first_child();
        QCOMPARE(RecipeBook::titleOf(first), "stray");
        QCOMPARE(RecipeBook::childText(first, RTitle), QStringLiteral("One"));
        QCOMPARE(RecipeBook::childText(first, RPrepTime), QStringLiteral("p"));
        QCOMPARE(RecipeBook::childText(first, RCookTime), QString());
        QCOMPARE(RecipeBook::categoryOf(first), QStringLiteral("A"));

        QStringList texts;
        QVERIFY(RecipeBook::forEachText(first.next_sibling(), 1, [&](int child, const char* text) {
            texts << QString::number(child) + QString::fromUtf8(text);
        }));
        QCOMPARE(texts, QStringList({"0Two", "11"}));
        texts.clear();
        QVERIFY(RecipeBook::forEachText(
            first.next_sibling(), RChildCount, [&](int child, const char*) { texts << QString::number(child); },
            (1u << RTitle) | (1u << 2)));
        QCOMPARE(texts, QStringList({"1"}));

        // Equal names and titles: the first is the one found.
        const QHash<QString, pugi::xml_node> byName = book.categoriesByName();
        QCOMPARE(byName.size(), 1);
        QCOMPARE(byName.value(QStringLiteral("A")), book.category(0));
        RecipeFinder finder(book);
        const std::optional<Recipe> two = finder.find({0, QStringLiteral("Two")});
        QVERIFY(two);
        QCOMPARE(two->preptime, QStringLiteral("1"));
        QCOMPARE(two->category, QStringLiteral("A"));
        QVERIFY(finder.find({0, QStringLiteral("One")}));
        QVERIFY(!finder.find({0, QStringLiteral("stray")}));
        QVERIFY(!finder.find({0, QStringLiteral("Three")}));
        QCOMPARE(finder.find({1, QStringLiteral("Three")})->category, QStringLiteral("A"));
        QVERIFY(!finder.find({2, QStringLiteral("Three")}));
    }

    void builtBooksAreWrittenAsBefore()
    {
        RecipeBook book;
        Recipe f = titled(QStringLiteral("Soup"));
        f.ing = QStringLiteral("a\nb");
        f.image = QStringLiteral("soup.jpg");
        const pugi::xml_node cat = book.appendCategoryNode(QStringLiteral("Soups & <stews>"));
        RecipeBook::appendRecipeNode(cat, f, true);
        RecipeBook::appendRecipeNode(cat, f, false);
        QVERIFY(book.journal().isEmpty()); // built, not edited
        QCOMPARE(book.serialize(),
                 QByteArray("<recipebook><category cname=\"Soups &amp; &lt;stews>\">"
                            "<recipe><title>Soup</title><preptime/><cooktime/><yield/><ing>a\r\nb</ing><prep/>"
                            "<other/><date/><image>soup.jpg</image></recipe>"
                            "<recipe><title>Soup</title><preptime/><cooktime/><yield/><ing>a\r\nb</ing><prep/>"
                            "<other/><date/></recipe></category></recipebook>\r\n"));
    }

    // The text written in pieces on several threads is the text of the
    // whole document, however the pieces fall: tags with attributes, odd
    // nodes between the recipes, line ends of every kind, empty elements.
    void bookTextInPiecesIsTheWholeText()
    {
        struct Into : pugi::xml_writer {
            QByteArray bytes;
            void write(const void* data, size_t size) override
            {
                bytes.append(static_cast<const char*>(data), qsizetype(size));
            }
        };
        // What a save writes: the whole document at once, every LF not after a CR as CR LF.
        auto whole = [](const pugi::xml_document& doc) {
            Into w;
            doc.save(w, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
            QByteArray out;
            for (qsizetype i = 0; i < w.bytes.size(); ++i) {
                if (w.bytes[i] == '\n' && (i == 0 || w.bytes[i - 1] != '\r'))
                    out += '\r';
                out += w.bytes[i];
            }
            return out + "\r\n";
        };
        std::vector<std::unique_ptr<pugi::xml_document>> docs;
        auto add = [&docs](const char* xml, unsigned flags = pugi::parse_default) {
            docs.push_back(std::make_unique<pugi::xml_document>());
            if (*xml)
                QVERIFY(docs.back()->load_string(xml, flags));
        };
        add(""); // no element at all
        add("<recipebook/>");
        add("<recipebook><category cname=\"Empty\"/><category cname=\"a &amp; &quot;b&quot;&#10;c\">"
            "<recipe><title>One</title><ing>a\r\nb\nc\rd &lt;e&gt; &amp; \"f\"</ing><prep/></recipe>"
            "<recipe kept=\"yes\"><title>Two</title><other><b>nested</b> text</other></recipe>"
            "</category><category cname=\"\"><recipe><title/></recipe></category></recipebook>");
        add("<recipebook v=\"1\">loose text<category cname=\"A\">before<recipe><title>R</title></recipe>"
            "<!--note--><![CDATA[raw <data>]]>between\n<recipe><title>S</title></recipe>after\r</category>"
            "<?pi data?>tail</recipebook>",
            pugi::parse_full);
        // A text that ends in CR just before a piece's end, and one that starts with LF after it.
        add("<recipebook><category cname=\"A\"><recipe><title>x\r</title></recipe>\n<recipe><title>\ny</title>"
            "</recipe></category></recipebook>",
            pugi::parse_default | pugi::parse_ws_pcdata);
        {
            // Every byte in texts and values, at every place in a block of
            // sixteen; a comment inside a recipe; elements nested deeper than
            // any stack would go.
            docs.push_back(std::make_unique<pugi::xml_document>());
            pugi::xml_node cat = docs.back()->append_child("recipebook").append_child("category");
            std::string every;
            for (int c = 1; c < 256; ++c)
                every += char(c);
            for (int shift = 0; shift <= 16; ++shift) {
                const std::string text = std::string(size_t(shift), 'x') + every + "\r\n\n";
                pugi::xml_node r = cat.append_child("recipe");
                r.append_attribute("a") = text.c_str();
                r.append_child("title").text() = text.c_str();
            }
            cat.last_child().append_child(pugi::node_comment).set_value("a comment");
            pugi::xml_node deep = cat.append_child("recipe");
            for (int i = 0; i < 100000; ++i)
                deep = deep.append_child("d");
            deep.text() = "at the bottom";
        }
        RecipeBook built;
        for (int c = 0; c < 4; ++c) {
            const pugi::xml_node cat = built.appendCategoryNode(QStringLiteral("Category %1").arg(c));
            for (int r = 0; r < 37 * c; ++r) {
                Recipe f = titled(QStringLiteral("Recipe %1 %2").arg(c).arg(r));
                f.ing = QStringLiteral("line\r\nline\nline");
                RecipeBook::appendRecipeNode(cat, f, r % 2);
            }
        }
        {
            // Elements of their own making: no name, text of their own.
            pugi::xml_node odd = built.root().append_child(pugi::node_element);
            odd.append_child("recipe").append_child(pugi::node_pcdata).set_value("t");
            built.root().append_child("category").append_attribute("cname") = "x\ny";
            // Texts side by side: a CR at the end of one, an LF at the start of the next.
            pugi::xml_node texts = built.category(1);
            texts.prepend_child(pugi::node_pcdata).set_value("\nb");
            texts.prepend_child(pugi::node_pcdata).set_value("a\r");
        }
        for (const auto& doc : docs) {
            const QByteArray expected = whole(*doc);
            for (int per : {1, 2, 3, 256})
                for (int helpers : {0, 1, 3}) {
                    QByteArray bytes;
                    QBuffer out(&bytes);
                    out.open(QIODevice::WriteOnly);
                    QVERIFY(writeBookText(*doc, out, BookWriting{per, helpers}));
                    QCOMPARE(bytes, expected);
                }
        }
        const QByteArray expected = whole(built.document());
        for (int per : {1, 5, 256})
            for (int helpers : {0, 2}) {
                QByteArray bytes;
                QBuffer out(&bytes);
                out.open(QIODevice::WriteOnly);
                QVERIFY(writeBookText(built.document(), out, BookWriting{per, helpers}));
                QCOMPARE(bytes, expected);
            }
        QCOMPARE(built.serialize(), expected);

        // A device that stops taking bytes: the writing stops and says so.
        struct Full : QIODevice {
            qint64 room = 0;
            Full() { open(WriteOnly); }
            qint64 readData(char*, qint64) override { return -1; }
            qint64 writeData(const char*, qint64 n) override
            {
                if (n > room)
                    return -1;
                room -= n;
                return n;
            }
        };
        for (qint64 room : {qint64(0), qint64(100), qint64(expected.size() / 2), qint64(expected.size() - 1)}) {
            Full full;
            full.room = room;
            QVERIFY(!writeBookText(built.document(), full, BookWriting{3, 2}));
        }
    }

    void leftoversGoOrAreTold()
    {
        bdtest::TestEnv env;
        env.write(QStringLiteral("left.tmp"), "x");
        env.write(QStringLiteral("kept/picture.jpg"), "jpg");
        QVERIFY(removeLeftover(env.file(QStringLiteral("left.tmp"))));
        QVERIFY(!QFileInfo::exists(env.file(QStringLiteral("left.tmp"))));
        QVERIFY(removeLeftover(env.file(QStringLiteral("never.tmp")))); // nothing was there

        // A link goes, never what it points to; a folder is no leftover file.
        QVERIFY(QFile::link(env.file(QStringLiteral("kept/picture.jpg")), env.file(QStringLiteral("link.jpg"))));
        QVERIFY(removeLeftover(env.file(QStringLiteral("link.jpg"))));
        QCOMPARE(env.read(QStringLiteral("kept/picture.jpg")), QByteArray("jpg"));
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(QStringLiteral("could not remove ") + env.file(QStringLiteral("kept"))));
        QVERIFY(!removeLeftover(env.file(QStringLiteral("kept"))));
        QVERIFY(QFileInfo(env.file(QStringLiteral("kept"))).isDir());

        // Another version of a file is kept beside it, or told of where it stays.
        env.write(QStringLiteral("recipes.xml.other"), "theirs");
        const QString copy = keepOtherVersion(env.file(QStringLiteral("recipes.xml.other")), bookPath());
        QVERIFY(QFileInfo(copy).fileName().startsWith(QStringLiteral("recipes-conflict-")));
        QCOMPARE(QFileInfo(copy).absolutePath(), QFileInfo(bookPath()).absolutePath());
        QCOMPARE(env.read(QFileInfo(copy).fileName()), QByteArray("theirs"));
        QVERIFY(!QFileInfo::exists(env.file(QStringLiteral("recipes.xml.other"))));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^could not keep ")));
        QVERIFY(keepOtherVersion(env.file(QStringLiteral("gone.other")), bookPath()).isEmpty());
    }

    // Every recipe in book order, its fields by position as fields() reads
    // them, and which recipes have too few or too many of them.
    void allRecipesInBookOrder()
    {
        RecipeBook book;
        QVERIFY(book.loadBuffer("<recipebook><category cname=\"A\"><recipe><title>a1</title><!-- x --><preptime>p"
                                "</preptime></recipe><recipe><title>a2</title><preptime/><cooktime/><yield/><ing>i"
                                "</ing><prep/><other/><date/></recipe></category><note/><category cname=\"B\"/>"
                                "<category cname=\"A\"><recipe><t>b1</t><x/><x/><x/><x/><x/><x/><x/><img>g</img>"
                                "<x/><x/><x/></recipe></category></recipebook>"));
        QHash<int, int> counts;
        const std::vector<Recipe> all = book.allRecipes(&counts);
        QCOMPARE(int(all.size()), 3);
        QCOMPARE(all[0].title, QStringLiteral("a1"));
        QCOMPARE(all[0].preptime, QStringLiteral("p"));
        QCOMPARE(all[1].ing, QStringLiteral("i"));
        QCOMPARE(all[2].title, QStringLiteral("b1"));
        QCOMPARE(all[2].image, QStringLiteral("g"));
        for (const Recipe& r : all)
            QCOMPARE(r.category, QStringLiteral("A"));
        QCOMPARE(counts, (QHash<int, int>{{0, 2}, {2, 12}}));
        QCOMPARE(int(book.allRecipes().size()), book.recipeCount());
    }

    void addAndDelete()
    {
        bdtest::TestEnv env;
        openBook(env, kPrettyBook);

        // Added to an empty category and written at once, with its picture.
        const QByteArray png = bdtest::pngBytes(4, 3);
        env.write(QStringLiteral("pics/Pie.JPEG"), png);
        Recipe in = recipe(QStringLiteral("Tart"), QStringLiteral("Empty"));
        in.preptime = QStringLiteral("10 min");
        in.ing = QStringLiteral("butter & <sugar>");
        in.image = env.file(QStringLiteral("pics/Pie.JPEG"));
        QVERIFY(bookStore().addRecipe(2, in).ok);
        const Recipe onDisk = reloadedRecipe(2, QStringLiteral("Tart"));
        QCOMPARE(onDisk.ing, QStringLiteral("butter & <sugar>"));
        QCOMPARE(onDisk.image, QStringLiteral("recipes_Empty_Tart.jpg"));
        QCOMPARE(env.read(QStringLiteral("images/recipes_Empty_Tart.jpg")), png);
        QVERIFY(env.dialogs.calls.isEmpty());

        // An empty picture file is refused; the recipe is kept without it.
        in = recipe(QStringLiteral("Soup of the day"), QStringLiteral("Soups"));
        env.write(QStringLiteral("pics/empty.jpg"), QByteArray());
        in.image = env.file(QStringLiteral("pics/empty.jpg"));
        const SaveResult kept = bookStore().addRecipe(1, in);
        QVERIFY(kept.ok);
        QCOMPARE(kept.notices, QVector<Str>{Str::PictureUnreadable});
        QVERIFY(report(kept));
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::PictureUnreadable});
        QCOMPARE(reloadedRecipe(1, in.title).title, in.title);
        QVERIFY(!QFile::exists(env.file(QStringLiteral("images/recipes_Soups_Soup of the day.jpg"))));

        // Characters XML cannot carry are left out, so the book still reads.
        in = recipe(QStringLiteral("Bad\x01Title"), QStringLiteral("Soups"));
        in.ing = QStringLiteral("a\x0B" "b\x1F" "c\td");
        QVERIFY(bookStore().addRecipe(1, in).ok);
        QCOMPARE(checkBook(bookPath()), QStringLiteral("aok"));
        QVERIFY(!env.read(QStringLiteral("recipes.xml")).contains('\x01'));
        QCOMPARE(reloadedRecipe(1, QStringLiteral("BadTitle")).ing, QStringLiteral("abc\td"));

        // Delete takes exactly the named recipe and keeps the others.
        const QByteArray beforeDelete = env.read(QStringLiteral("recipes.xml"));
        QVERIFY(bookStore().deleteRecipe({0, QStringLiteral("APPLE PIE")}).ok);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), beforeDelete);
        QVERIFY(bookStore().deleteRecipe({0, QStringLiteral("Apple pie")}).ok);
        QCOMPARE(bdtest::DiskBook().recipeTitles(0), QStringList({"Flan"}));
        QCOMPARE(bdtest::DiskBook().recipeCount(), 5);

        // A title that is not there changes nothing on disk.
        openBook(env, kPrettyBook);
        QVERIFY(bookStore().deleteRecipe({0, QStringLiteral("No such recipe")}).ok);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), kPrettyBook);
        QCOMPARE(G.xmlDoc.recipeCount(), 3);

        // The entry lists: "[new category..]" first, then names by list order
        // carrying their book positions; a new category is last in the book.
        int position = -1;
        QVERIFY(bookStore().addCategory(QStringLiteral("bread"), &position).ok);
        QCOMPARE(position, 3);
        const auto list = fillCategoryList(G.xmlDoc, fetchText(Str::NewCategoryEntry));
        QCOMPARE(list.size(), 5);
        QCOMPARE(list[0], (std::pair<QString, int>{QStringLiteral("[new category..]"), -1}));
        QCOMPARE(list[1], (std::pair<QString, int>{QStringLiteral("bread"), 3}));
        QCOMPARE(list[2], (std::pair<QString, int>{QStringLiteral("Desserts"), 0}));
        QCOMPARE(bdtest::DiskBook().categoryName(3), QStringLiteral("bread"));
    }

    void updateMovesTheRecipeToTheEnd()
    {
        bdtest::TestEnv env;
        openBook(env, kPrettyBook);
        G.editTitle = QStringLiteral("Apple pie");
        G.editCat = QStringLiteral("Desserts");

        // Saved unchanged: moves to the end of its category, dated today.
        Recipe in = recipe(QStringLiteral("Apple pie"), QStringLiteral("Desserts"));
        in.ing = QStringLiteral("apples\r\nflour");
        QVERIFY(bookStore().updateRecipe(G.editRecipe(), 0, in).ok);
        QCOMPARE(bdtest::DiskBook().recipeTitles(0), QStringList({"Flan", "Apple pie"}));
        QCOMPARE(reloadedRecipe(0, in.title).date, shortDateText());
        QCOMPARE(reloadedRecipe(0, in.title).ing, QStringLiteral("apples\nflour"));

        // A category position that is not in the book: nothing changes.
        const QByteArray before = env.read(QStringLiteral("recipes.xml"));
        QVERIFY(!bookStore()
                     .updateRecipe(G.editRecipe(), 9, recipe(QStringLiteral("Apple pie"), QStringLiteral("Gone")))
                     .ok);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), before);
        QVERIFY(G.xmlDoc.findRecipe(0, QStringLiteral("Apple pie")));
    }

    void bytesThatAreNotUtf8ReadAsWindows1252()
    {
        bdtest::TestEnv env;
        // A title typed in another encoding (0xE8 è, 0x80 €, 0x9F Ÿ), beside
        // valid UTF-8 that must stay as it is.
        openBook(env, "<recipebook><category cname=\"Caf\xC3\xA9\">"
                      "<recipe><title>Cr\xE8me \x80 \x9F</title><preptime/><cooktime/><yield/>"
                      "<ing>cr\xC3\xA8me</ing><prep/><other/><date/><image/></recipe></category></recipebook>");
        const QString title = QString::fromUtf8("Cr\xC3\xA8me \xE2\x82\xAC \xC5\xB8");
        QCOMPARE(G.xmlDoc.recipeTitles(0), QStringList{title});
        QVERIFY(G.xmlDoc.findRecipe(0, title));
        QCOMPARE(G.xmlDoc.categoryName(0), QString::fromUtf8("Caf\xC3\xA9"));
        QCOMPARE(RecipeBook::fields(G.xmlDoc.findRecipe(0, title)).ing, QString::fromUtf8("cr\xC3\xA8me"));
        // Saved back as UTF-8, it reads the same.
        QVERIFY(bookStore().save().ok);
        QCOMPARE(bdtest::DiskBook().recipeTitles(0), QStringList{title});

        // A sequence cut short at the very end, and a declared Latin-1 book
        // that the parser decodes itself.
        QByteArray cut("\xE2\x82");
        QVERIFY(repairUtf8(cut));
        QCOMPARE(QString::fromUtf8(cut), QString::fromUtf8("\xC3\xA2\xE2\x80\x9A"));
        openBook(
            env,
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><recipebook><category cname=\"Caf\xE9\"/></recipebook>");
        QCOMPARE(G.xmlDoc.categoryName(0), QString::fromUtf8("Caf\xC3\xA9"));
    }

    void oddBytesAreFoundAtEveryPlace()
    {
        // A book's bytes are looked over many at a time: a byte that needs
        // work is found at every place, at the edges of those blocks and at
        // the very end of the file too.
        const QByteArray text = "Whisk the eggs with the milk and pour it over the fruit";
        const QString plain = QString::fromLatin1(text);
        const auto bookWith = [](const QByteArray& ing) {
            return "<recipebook><category cname=\"A\"><recipe><title>T</title><preptime/><cooktime/><yield/><ing>" +
                   ing + "</ing></recipe></category></recipebook>";
        };
        const auto ingOf = [](const QByteArray& bytes) {
            RecipeBook book;
            return book.loadBuffer(bytes) ? RecipeBook::fields(book.findRecipe(0, QStringLiteral("T"))).ing
                                          : QStringLiteral("(unreadable)");
        };
        const auto with = [&text](qsizetype at, const QByteArray& odd) { return QByteArray(text).insert(at, odd); };
        const QByteArray dropped[] = {QByteArray(1, '\0'), "\x01", "\x1F", "&#x1;", "&#0;", "&#xFFFE;"};
        for (qsizetype at = 0; at <= text.size(); ++at) {
            for (const QByteArray& odd : dropped)
                QCOMPARE(ingOf(bookWith(with(at, odd))), plain);
            QCOMPARE(ingOf(bookWith(with(at, "&#65;"))), QString(plain).insert(at, QLatin1Char('A')));
            // Read as Windows-1252, beside valid UTF-8 that stays as it is.
            QCOMPARE(ingOf(bookWith(with(at, "\x80"))), QString(plain).insert(at, QChar(0x20AC)));
            QCOMPARE(ingOf(bookWith(with(at, "\xE2\x82\xAC"))), QString(plain).insert(at, QChar(0x20AC)));
            // Both kinds, found in either order.
            QCOMPARE(ingOf(bookWith(with(at, "\xE9").insert(text.size() / 2, "\x02"))),
                     QString(plain).insert(at, QChar(0xE9)));
        }
        // The file's last bytes, which no block may cover: a control
        // character in the closing tag, or after it, is dropped too.
        const QByteArray closing = "</recipebook>";
        for (qsizetype at = 0; at <= closing.size(); ++at)
            QCOMPARE(ingOf(bookWith(text).chopped(closing.size()) + QByteArray(closing).insert(at, '\x01')), plain);
        for (qsizetype at = 0; at <= text.size(); ++at) {
            QByteArray odd = with(at, "\x80");
            QVERIFY(repairUtf8(odd));
            QCOMPARE(QString::fromUtf8(odd), QString(plain).insert(at, QChar(0x20AC)));
            QByteArray valid = with(at, "\xE2\x82\xAC");
            QVERIFY(!repairUtf8(valid));
        }

        // The content hash does not depend on how the bytes are cut, across
        // the blocks it takes whole as they lie.
        QByteArray bytes(200 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 7919 % 251);
        const quint64 whole = contentHash(bytes.constData(), bytes.size());
        for (const qsizetype first : {1, 65535, 65536, 65537, 131072}) {
            ContentHash pieces;
            pieces.add(bytes.constData(), first);
            pieces.add(bytes.constData() + first, bytes.size() - first);
            QCOMPARE(pieces.result(), whole);
        }
    }

    void picturesAreNeverSharedOrLostByName()
    {
        bdtest::TestEnv env;
        openBook(env, "<recipebook><category cname=\"Pies\"/><category cname=\"Pies_Apple\"/></recipebook>");
        env.write(QStringLiteral("pics/one.jpg"), "first picture");
        env.write(QStringLiteral("pics/two.jpg"), "second picture");

        // "Pies" + "Apple_Tart" and "Pies_Apple" + "Tart" derive the same name:
        // the second is stored under a free one and the first stays whole.
        Recipe in = recipe(QStringLiteral("Apple_Tart"), QStringLiteral("Pies"));
        in.image = env.file(QStringLiteral("pics/one.jpg"));
        QVERIFY(bookStore().addRecipe(0, in).ok);
        in = recipe(QStringLiteral("Tart"), QStringLiteral("Pies_Apple"));
        in.image = env.file(QStringLiteral("pics/two.jpg"));
        QVERIFY(bookStore().addRecipe(1, in).ok);
        const QString first = QStringLiteral("recipes_Pies_Apple_Tart.jpg");
        const QString second = reloadedRecipe(1, QStringLiteral("Tart")).image;
        QCOMPARE(second, QStringLiteral("recipes_Pies_Apple_Tart (2).jpg"));
        QCOMPARE(env.read(QStringLiteral("images/") + first), QByteArray("first picture"));
        QCOMPARE(env.read(QStringLiteral("images/") + second), QByteArray("second picture"));

        // Renaming the first recipe moves its picture and leaves the other's.
        Recipe old = RecipeBook::fields(G.xmlDoc.findRecipe(0, QStringLiteral("Apple_Tart")));
        old.category = QStringLiteral("Pies");
        in = recipe(QStringLiteral("Apple_Tarte"), QStringLiteral("Pies"));
        in.image = env.file(QStringLiteral("images/") + first);
        QVERIFY(bookStore().updateRecipe(old, 0, in).ok);
        QCOMPARE(env.read(QStringLiteral("images/recipes_Pies_Apple_Tarte.jpg")), QByteArray("first picture"));
        QVERIFY(!QFile::exists(env.file(QStringLiteral("images/") + first)));
        QCOMPARE(env.read(QStringLiteral("images/") + second), QByteArray("second picture"));

        // A file nobody names still is not overwritten by a new recipe.
        env.write(QStringLiteral("images/recipes_Pies_Plum.jpg"), "cook's own file");
        in = recipe(QStringLiteral("Plum"), QStringLiteral("Pies"));
        in.image = env.file(QStringLiteral("pics/two.jpg"));
        QVERIFY(bookStore().addRecipe(0, in).ok);
        QCOMPARE(env.read(QStringLiteral("images/recipes_Pies_Plum.jpg")), QByteArray("cook's own file"));
        QCOMPARE(reloadedRecipe(0, QStringLiteral("Plum")).image, QStringLiteral("recipes_Pies_Plum (2).jpg"));

        // A picture two recipes name (a hand-edited book) goes with the last.
        openBook(env, "<recipebook><category cname=\"A\">"
                      "<recipe><title>Pie</title><preptime/><cooktime/><yield/><ing/><prep/><other/><date/>"
                      "<image>shared.jpg</image></recipe></category><category cname=\"B\">"
                      "<recipe><title>PIE</title><preptime/><cooktime/><yield/><ing/><prep/><other/><date/>"
                      "<image>shared.jpg</image></recipe>"
                      "<recipe><title>Cake</title><preptime/><cooktime/><yield/><ing>eggs</ing><prep/><other/><date/>"
                      "<image>cake.jpg</image></recipe></category></recipebook>");
        env.write(QStringLiteral("images/shared.jpg"), "shared");
        env.write(QStringLiteral("images/cake.jpg"), "cake");
        QVERIFY(bookStore().deleteCategory(QStringLiteral("A")).ok);
        QVERIFY(QFile::exists(env.file(QStringLiteral("images/shared.jpg"))));
        QVERIFY(bookStore().deleteRecipe({0, QStringLiteral("PIE")}).ok);
        QVERIFY(QFile::exists(env.file(QStringLiteral("images/shared.jpg")))); // while in the trash
        QVERIFY(bookStore().emptyTrash().ok);
        QVERIFY(!QFile::exists(env.file(QStringLiteral("images/shared.jpg"))));
        QVERIFY(QFile::exists(env.file(QStringLiteral("images/cake.jpg"))));
    }

    void commandsActOnExactlyTheShownRecipe()
    {
        // Titles that differ only in letter case, in two categories.
        bdtest::TestEnv env;
        openBook(env, "<recipebook><category cname=\"A\">"
                      "<recipe><title>Pie</title><preptime/><cooktime/><yield/><ing>apples</ing><prep/><other/>"
                      "<date/><image>pie.jpg</image></recipe></category><category cname=\"B\">"
                      "<recipe><title>PIE</title><preptime/><cooktime/><yield/><ing>plums</ing><prep/><other/>"
                      "<date/><image>PIE2.jpg</image></recipe></category></recipebook>");
        env.write(QStringLiteral("images/pie.jpg"), "apple picture");
        env.write(QStringLiteral("images/PIE2.jpg"), "plum picture");

        Recipe old = RecipeBook::fields(G.xmlDoc.findRecipe(1, QStringLiteral("PIE")));
        old.category = QStringLiteral("B");
        Recipe in = old;
        in.ing = QStringLiteral("damsons");
        in.image = env.file(QStringLiteral("images/PIE2.jpg"));
        QVERIFY(bookStore().updateRecipe(old, 1, in).ok);
        QCOMPARE(reloadedRecipe(0, QStringLiteral("Pie")).ing, QStringLiteral("apples"));
        QCOMPARE(reloadedRecipe(1, QStringLiteral("PIE")).ing, QStringLiteral("damsons"));

        QVERIFY(bookStore().deleteRecipe({1, QStringLiteral("PIE")}).ok);
        QCOMPARE(bdtest::DiskBook().recipeTitles(0), QStringList{QStringLiteral("Pie")});
        QCOMPARE(bdtest::DiskBook().recipeCount(), 1);
        QCOMPARE(env.read(QStringLiteral("images/pie.jpg")), QByteArray("apple picture"));
    }

    // What work cut short left: a marked picture the book names takes its
    // name, other marked files and noted retired pictures go, and the cook's
    // files stay however they look. A picture folder built beside exp_img is cleared the same way.
    void leftoversOfCutShortWorkAreTold()
    {
        bdtest::TestEnv env;
        openBook(env, "<recipebook><category cname=\"A\"><recipe><title>T</title><preptime/><cooktime/><yield/>"
                      "<ing/><prep/><other/><date/><image>named.jpg</image></recipe><recipe><title>U</title>"
                      "<preptime/><cooktime/><yield/><ing/><prep/><other/><date/><image>kept.jpg</image></recipe>"
                      "</category></recipebook>");
        const QStringList cooks = {"kept.jpg",          "named.jpg.bdnew",  "plain.jpg",
                                   "x.jpg.bdnew-12_45", "x.jpg.bdnew-1234", "y.jpg.bdsave-AbC123"};
        for (const QString& name : cooks)
            env.write(QStringLiteral("images/") + name, "the cook's");
        env.write(QStringLiteral("images/named.jpg.bdnew-AbC123"), "new picture");
        env.write(QStringLiteral("images/kept.jpg.bdnew-Qw3456"), "would replace a file");
        env.write(QStringLiteral("images/gone.jpg.bdnew-XyZ789"), "no recipe names it");
        // Pictures a change stopped naming, noted before its save: those the
        // saved book still names (in any letter case) stay.
        env.write(QStringLiteral("images/retired.jpg"), "old picture");
        env.write(QStringLiteral("images/.bdretired"), "retired.jpg\nKEPT.JPG\n../recipes.xml");
        // A note whose writing was cut short goes too.
        env.write(QStringLiteral("images/.bdretired.bdsave-Rt5678"), "retired.jpg\nkept.jpg");
        finishNewPictures(imagesFolder(), G.xmlDoc);
        QVERIFY(!QFileInfo::exists(env.file(QStringLiteral("images/.bdretired"))));
        QVERIFY(QFileInfo::exists(bookPath()));
        QStringList expected = QStringList(cooks) << QStringLiteral("named.jpg");
        expected.sort();
        QCOMPARE(QDir(imagesFolder()).entryList(QDir::Files, QDir::Name), expected);
        QCOMPARE(env.read(QStringLiteral("images/named.jpg")), QByteArray("new picture"));
        QCOMPARE(env.read(QStringLiteral("images/kept.jpg")), QByteArray("the cook's"));
        // ... also when it is all that work left.
        env.write(QStringLiteral("images/.bdretired.bdsave-Xy9012"), "plain.jpg");
        finishNewPictures(imagesFolder(), G.xmlDoc);
        QCOMPARE(QDir(imagesFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);

        env.write(QStringLiteral("out/exp_img.bdnew-AbC123/a.jpg"), "cut short");
        env.write(QStringLiteral("out/exp_img.bdnew-x/a.jpg"), "the cook's");
        env.write(QStringLiteral("out/exp_img/a.jpg"), "old");
        NewPictureFolder folder(env.file(QStringLiteral("out/exp_img")));
        QVERIFY(folder.open());
        QVERIFY(!QFileInfo::exists(env.file(QStringLiteral("out/exp_img.bdnew-AbC123"))));
        QVERIFY(QFileInfo::exists(env.file(QStringLiteral("out/exp_img.bdnew-x/a.jpg"))));
    }

    // A book opened read-only refuses every change before touching anything.
    void readOnlyBookRefusesChanges()
    {
        bdtest::TestEnv env;
        openBook(env, kPrettyBook);
        env.write(QStringLiteral("pics/p.jpg"), "picture");
        BookPlace place = bookPlace();
        place.readOnly = true;
        Store store(G.xmlDoc, place);
        Recipe in = recipe(QStringLiteral("New"), QStringLiteral("Desserts"));
        in.image = env.file(QStringLiteral("pics/p.jpg"));
        Recipe old = RecipeBook::fields(G.xmlDoc.findRecipe(0, QStringLiteral("Flan")));
        old.category = QStringLiteral("Desserts");
        for (const SaveResult& r :
             {store.addRecipe(0, in), store.updateRecipe(old, 0, in), store.deleteRecipe({0, QStringLiteral("Flan")}),
              store.addCategory(QStringLiteral("X")),
              store.renameCategory(QStringLiteral("Soups"), QStringLiteral("Y")),
              store.deleteCategory(QStringLiteral("Soups")), store.save()})
            QCOMPARE(r.message, Str::BookReadOnly);
        QCOMPARE(G.xmlDoc.serialize(), bdtest::DiskBook().serialize());
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), kPrettyBook);
        QVERIFY(!QFileInfo::exists(imagesFolder()) || QDir(imagesFolder()).isEmpty());
    }

    void failedSaveKeepsOldBook()
    {
        bdtest::TestEnv env;
        openBook(env, kPrettyBook);
        Recipe big = titled(QStringLiteral("Big"));
        big.prep = QString(20000, QLatin1Char('x'));
        G.xmlDoc.appendRecipe(0, big);

#ifdef Q_OS_UNIX
        // A folder that cannot be written; root may write anyway.
        if (geteuid() != 0) {
            const QFile::Permissions old = QFile::permissions(env.appPath());
            QVERIFY(QFile::setPermissions(env.appPath(), QFile::ReadOwner | QFile::ExeOwner));
            const SaveResult r = bookStore().save();
            QFile::setPermissions(env.appPath(), old);
            QVERIFY(!r.ok);
            QCOMPARE(env.read(QStringLiteral("recipes.xml")), kPrettyBook);
        } else {
            qInfo("running as root: the read-only folder case is left out");
        }
#endif

#ifdef Q_OS_LINUX
        // A full disk: the process may not write files beyond the old book's size.
        const SaveResult r = bdtest::withFileLimit(4096, [] { return bookStore().save(); });

        QVERIFY(!r.ok);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), kPrettyBook);
        QCOMPARE(QDir(env.appPath()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("recipes.xml")});
        QVERIFY(!report(r));
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::SaveFailed});

        // With room again the same save goes through.
        QVERIFY(report(bookStore().save()));
        QCOMPARE(reloadedRecipe(0, QStringLiteral("Big")).prep.size(), 20000);
#endif
    }

    // Each kind of change made while another program changed the book file:
    // both changes end up on disk, or the other version is kept beside it.
    // A large book's replaced version goes beside what follows the save;
    // once that is done, the book is alone in its folder.
    void largeOldVersionsGo()
    {
        bdtest::TestEnv env;
        QByteArray big = kPrettyBook;
        openBook(env, big.replace("<prep>bake</prep>", "<prep>" + QByteArray(20 * 1024 * 1024, 'b') + "</prep>"));
        QVERIFY(bookStore().addCategory(QStringLiteral("Bread")).ok);
        QVERIFY(bookStore().deleteRecipe({1, QStringLiteral("Gazpacho")}).ok);
        waitForOldVersions();
        QCOMPARE(QDir(env.appPath()).entryList({QStringLiteral("recipes.xml*")}, QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("recipes.xml")});
        const bdtest::DiskBook disk;
        QVERIFY(disk.categoryPosition(QStringLiteral("Bread")) >= 0);
        QVERIFY(!disk.titleExists(QStringLiteral("Gazpacho")));
        QCOMPARE(reloadedRecipe(0, QStringLiteral("Apple pie")).prep.size(), 20 * 1024 * 1024);
    }

    // A file written in place in the last moment before a save takes its
    // place, its modification time set back: the save keeps it for the
    // caller to merge, never removing it as its own old version.
    void lastMomentWritesInPlaceAreKept()
    {
        bdtest::TestEnv env;
        const QString path = env.file(QStringLiteral("book.xml"));
        env.write(QStringLiteral("book.xml"), "<recipebook>mine</recipebook>");
        const DiskStamp expected = stampOfFile(path);
        const auto save = [&](bool theirs) {
            return placeFile(
                path, &expected, [](QIODevice& out) { return out.write("<recipebook>new</recipebook>") > 0; },
                [&] {
                    if (!theirs)
                        return true;
                    QFile f(path);
                    const QDateTime modified = QFileInfo(path).lastModified();
                    return f.open(QIODevice::ReadWrite) && f.write("<recipebook>THEM</recipebook>") > 0 &&
                           f.setFileTime(modified, QFileDevice::FileModificationTime);
                });
        };
        const Placed placed = save(true);
        QVERIFY(placed.result.ok);
#ifdef Q_OS_LINUX
        QVERIFY(placed.replacedOther);
        QCOMPARE(bdtest::readFile(placed.otherAt), QByteArray("<recipebook>THEM</recipebook>"));
        QVERIFY(removeLeftover(placed.otherAt));
#endif
        QCOMPARE(env.read(QStringLiteral("book.xml")), QByteArray("<recipebook>new</recipebook>"));

        // Untouched, the old version goes.
        env.write(QStringLiteral("book.xml"), "<recipebook>mine</recipebook>");
        const DiskStamp again = stampOfFile(path);
        const Placed plain = placeFile(path, &again, [](QIODevice& out) { return out.write("<recipebook/>") > 0; });
        QVERIFY(plain.result.ok && !plain.replacedOther);
        QCOMPARE(QDir(env.appPath()).entryList({QStringLiteral("book.xml*")}, QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("book.xml")});
    }

    void outsideChangesAreKept()
    {
        bdtest::TestEnv env;
        const auto theirBook = [](const QByteArray& extra) {
            QByteArray b = kPrettyBook;
            return b.replace("  <category cname=\"Empty\"/>\r\n", extra + "  <category cname=\"Empty\"/>\r\n");
        };
        const QByteArray borscht = "  <category cname=\"Theirs\"><recipe><title>Borscht</title><preptime/><cooktime/>"
                                   "<yield/><ing/><prep/><other/><date/><image/></recipe></category>\r\n";
        struct Change {
            const char* name;
            std::function<SaveResult()> make;
            std::function<bool(const RecipeBook&)> mine;
        };
        const QVector<Change> changes = {
            {"add", [] { return bookStore().addRecipe(2, recipe(QStringLiteral("Tart"), QStringLiteral("Empty"))); },
             [](const RecipeBook& b) { return b.titleExists(QStringLiteral("Tart")); }},
            {"update",
             [] {
                 Recipe old = RecipeBook::fields(G.xmlDoc.findRecipe(0, QStringLiteral("Flan")));
                 old.category = QStringLiteral("Desserts");
                 Recipe in = old;
                 in.title = QStringLiteral("Caramel flan");
                 return bookStore().updateRecipe(old, 0, in);
             },
             [](const RecipeBook& b) {
                 return b.titleExists(QStringLiteral("Caramel flan")) && !b.titleExists(QStringLiteral("Flan"));
             }},
            {"delete",
             [] {
                 return bookStore().deleteRecipe({1, QStringLiteral("Gazpacho")});
             },
             [](const RecipeBook& b) { return !b.titleExists(QStringLiteral("Gazpacho")); }},
            {"add category", [] { return bookStore().addCategory(QStringLiteral("Bread")); },
             [](const RecipeBook& b) { return b.categoryPosition(QStringLiteral("Bread")) >= 0; }},
            {"rename category",
             [] { return bookStore().renameCategory(QStringLiteral("Soups"), QStringLiteral("Broths")); },
             [](const RecipeBook& b) { return b.categoryPosition(QStringLiteral("Broths")) >= 0; }},
            {"delete category", [] { return bookStore().deleteCategory(QStringLiteral("Empty")); },
             [](const RecipeBook& b) { return b.categoryPosition(QStringLiteral("Empty")) < 0; }},
        };
        for (const Change& c : changes) {
            openBook(env, kPrettyBook);
            bdtest::replaceFromOutside(bookPath(), theirBook(borscht));
            const SaveResult r = c.make();
            QVERIFY2(r.ok && r.reloaded, c.name);
            QCOMPARE(r.notices, QVector<Str>{Str::OutsideChangesKept});
            const bdtest::DiskBook disk;
            QVERIFY2(disk.titleExists(QStringLiteral("Borscht")) && c.mine(disk), c.name);
            QVERIFY2(G.xmlDoc.titleExists(QStringLiteral("Borscht")), c.name);
            // Saved again at once: nothing is taken for a change from outside.
            const SaveResult again = bookStore().save();
            QVERIFY(again.ok && !again.reloaded);
        }

        // Their side removed the recipe the cook edits: the cook's version
        // is saved, theirs kept beside it.
        openBook(env, kPrettyBook);
        QByteArray withoutFlan = kPrettyBook;
        withoutFlan.replace(withoutFlan.indexOf("    <recipe><title>Flan"),
                            withoutFlan.indexOf("  </category>") - withoutFlan.indexOf("    <recipe><title>Flan"), "");
        bdtest::replaceFromOutside(bookPath(), withoutFlan);
        Recipe old = RecipeBook::fields(G.xmlDoc.findRecipe(0, QStringLiteral("Flan")));
        old.category = QStringLiteral("Desserts");
        Recipe in = old;
        in.prep = QStringLiteral("bake slowly");
        const SaveResult clash = bookStore().updateRecipe(old, 0, in);
        QVERIFY(clash.ok && clash.reloaded);
        QCOMPARE(clash.notices, QVector<Str>{Str::OutsideRecipesConflict});
        QCOMPARE(clash.conflicts, QStringList{QStringLiteral("Flan")});
        QCOMPARE(bdtest::readFile(clash.conflictCopy), withoutFlan);
        QVERIFY(QFileInfo(clash.conflictCopy).fileName().startsWith(QStringLiteral("recipes-conflict-")));
        QCOMPARE(reloadedRecipe(0, QStringLiteral("Flan")).prep, QStringLiteral("bake slowly"));
        QVERIFY(report(clash));
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::OutsideRecipesConflict});
        QVERIFY(env.dialogs.last()->text.endsWith(QDir::toNativeSeparators(clash.conflictCopy)));
        QCOMPARE(conflictCopies(bookPath()), QStringList{clash.conflictCopy});

        // A file left unreadable is not written over without the cook's word.
        env.dialogs.clear();
        openBook(env, kPrettyBook);
        bdtest::replaceFromOutside(bookPath(), "<recipebook><category cname=");
        const SaveResult refused = bookStore().addRecipe(0, recipe(QStringLiteral("Tart"), QStringLiteral("Desserts")));
        QVERIFY(!refused.ok && refused.unreadableOutside);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), QByteArray("<recipebook><category cname="));
        env.dialogs.answers << Answer::No;
        QVERIFY(!report(refused));
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), QByteArray("<recipebook><category cname="));
        env.dialogs.answers << Answer::Yes;
        QVERIFY(report(refused));
        QVERIFY(bdtest::DiskBook().titleExists(QStringLiteral("Tart")));
        QCOMPARE(env.dialogs.messageIds(),
                 (QList<Str>{Str::BookUnreadableOutside, Str::BookUnreadableOutside, Str::OutsideConflictKept}));

        // Touched but not changed (a sync service rewriting the same bytes).
        env.dialogs.clear();
        openBook(env, kPrettyBook);
        bdtest::replaceFromOutside(bookPath(), kPrettyBook);
        const SaveResult same = bookStore().addCategory(QStringLiteral("Bread"));
        QVERIFY(same.ok && !same.reloaded && same.notices.isEmpty());
    }

    // Removed recipes wait in the trash with their pictures; restored into
    // their category (made again), a clash asking for another title.
    void trashKeepsAndRestores()
    {
        bdtest::TestEnv env;
        openBook(env, kPrettyBook);
        Recipe pie = recipe(QStringLiteral("Cherry pie"), QStringLiteral("Soups"));
        env.write(QStringLiteral("pics/p.png"), bdtest::pngBytes(2, 2));
        pie.image = env.file(QStringLiteral("pics/p.png"));
        QVERIFY(bookStore().addRecipe(1, pie).ok);
        QVERIFY(bookStore().deleteRecipe({0, QStringLiteral("Flan")}).ok);
        QVERIFY(bookStore().deleteCategory(QStringLiteral("Soups")).ok);

        Trash trash(trashPath(bookPath()));
        QVERIFY(trash.load());
        const QVector<TrashEntry> entries = trash.entries();
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries[0].recipe.title, QStringLiteral("Flan"));
        QCOMPARE(entries[0].recipe.category, QStringLiteral("Desserts"));
        QVERIFY(qAbs(entries[0].removed.secsTo(QDateTime::currentDateTime())) < 60);
        QVERIFY(QFile::exists(env.file(QStringLiteral("images/recipes_Soups_Cherry pie.png"))));
        QCOMPARE(checkBook(trash.path()), QStringLiteral("aok")); // a book of the same form

        // A recipe of the same title meanwhile: the restore asks.
        QVERIFY(bookStore().addRecipe(0, recipe(QStringLiteral("FLAN"), QStringLiteral("Desserts"))).ok);
        QStringList asked;
        const auto newTitle = [&asked](const QString& t) {
            asked << t;
            return std::optional<QString>(QStringLiteral("Flan 2"));
        };
        QVERIFY(bookStore().restoreFromTrash({0, 2}, newTitle).ok);
        QCOMPARE(asked, QStringList{QStringLiteral("Flan")});
        const bdtest::DiskBook disk;
        QVERIFY(disk.titleExists(QStringLiteral("Flan 2")));
        const int soups = disk.categoryPosition(QStringLiteral("Soups"));
        QVERIFY(soups >= 0);
        QCOMPARE(RecipeBook::fields(disk.findRecipe(soups, QStringLiteral("Cherry pie"))).image,
                 QStringLiteral("recipes_Soups_Cherry pie.png"));
        QVERIFY(trash.load());
        QCOMPARE(trash.count(), 1);

        // Emptied: the pictures only the trash named go.
        QVERIFY(bookStore().deleteRecipe({soups, QStringLiteral("Cherry pie")}).ok);
        QVERIFY(bookStore().emptyTrash().ok);
        QVERIFY(trash.load());
        QCOMPARE(trash.count(), 0);
        QVERIFY(!QFile::exists(env.file(QStringLiteral("images/recipes_Soups_Cherry pie.png"))));
    }

    // The first save of a day keeps a snapshot; the oldest beyond the
    // number kept go; a restore keeps the present book first.
    void snapshotsOfTheBook()
    {
        bdtest::TestEnv env;
        openBook(env, kPrettyBook);
        for (int day = 1; day <= 15; ++day)
            env.write(QStringLiteral("snapshots/recipes-2020-01-%1-120000.xml").arg(day, 2, 10, QLatin1Char('0')),
                      kEmptyBook);
        env.write(QStringLiteral("snapshots/recipes-2020-02-01-120000.xml.bdsave-AbC123"), "left by a kill");
        BookPlace place = bookPlace();
        const QDateTime today(QDate(2020, 3, 1), QTime(23, 59, 59));
        place.snapshots.clock = [today] { return today; };
        QVERIFY(Store(G.xmlDoc, place).addCategory(QStringLiteral("Bread")).ok);
        QVERIFY(Store(G.xmlDoc, place).addCategory(QStringLiteral("Cakes")).ok);
        const QVector<Snapshot> shots = listSnapshots(bookPath());
        QCOMPARE(shots.size(), 14);
        QCOMPARE(shots[0].recipes, 3); // the book as it was before today's first change
        QCOMPARE(bdtest::readFile(shots[0].path), kPrettyBook);
        QCOMPARE(shots[0].taken, today);
        QCOMPARE(shots[13].taken.date(), QDate(2020, 1, 3));
        QCOMPARE(QDir(snapshotFolder(bookPath())).entryList(QDir::Files).size(), 14);

        QVERIFY(restoreSnapshot(G.xmlDoc, bookPath(), shots[13].path, {}).ok);
        QCOMPARE(G.xmlDoc.recipeCount(), 0);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), kEmptyBook);
        const QVector<Snapshot> after = listSnapshots(bookPath());
        QCOMPARE(after[0].recipes, 3); // the book before the restore
        QCOMPARE(G.xmlDoc.categoryCount(), 0);
        // Not a book: refused, nothing changes.
        env.write(QStringLiteral("snapshots/recipes-2021-01-01-120000.xml"), "not a book");
        QVERIFY(!restoreSnapshot(G.xmlDoc, bookPath(),
                                 env.file(QStringLiteral("snapshots/recipes-2021-01-01-120000.xml")), {})
                     .ok);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), kEmptyBook);
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
