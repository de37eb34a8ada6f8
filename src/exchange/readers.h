#pragma once
// What the readers of other programs' recipe files share: the decoding of
// their bytes, the book they fill, and the small text conversions most of
// them need (HTML entities and tags, ISO 8601 durations, line numbers).

#include "store/names.h"
#include "store/recipebook.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>
#include <vector>
#include <initializer_list>

namespace bd {

// What a reader made of a file: the recipes it put into the book and the
// line (counted from 1) where each recipe it had to leave out starts.
struct RecipeRead {
    int recipes = 0;
    QVector<int> skipped;
    bool picturesNamed = true; // false when no recipe it read names a picture
};

// The text of a file: UTF-16 or UTF-32 when it starts with their byte
// order mark, otherwise as decodeRecipeText reads it (UTF-8, with or
// without its mark, or Windows-1252).
QString decodeAnyText(const QByteArray& bytes);

// Whether bytes start with a UTF-16 or UTF-32 byte order mark.
bool wideText(QByteArrayView bytes);

// Text of bytes that decodeAnyText reads as decodeRecipeText does, not yet
// decoded: whether as UTF-8 (else Windows-1252), and its bytes after a
// UTF-8 byte order mark. Nothing for UTF-16 and UTF-32 text.
struct NarrowText {
    QByteArrayView bytes;
    bool utf8 = true;
};
std::optional<NarrowText> narrowText(const QByteArray& bytes);

// XML bytes ready for pugixml: UTF-16 and UTF-32 with a byte order mark,
// anything declared in an encoding pugixml does not know (such as
// windows-1252), and bytes that are not the UTF-8 they claim (read as
// Windows-1252) become UTF-8 with the declaration's encoding dropped.
QByteArray xmlAsUtf8(const QByteArray& bytes);

// Fills a recipe book in reading order: a category element for each change
// of category, titles and category names cleaned as allowedName does. A
// recipe without a title gets the untitled text; one without a category
// goes to the uncategorised one. Or collects the recipes, ready for a
// book filled later, when files are read side by side. Each reader built
// on it takes a filler of the caller's in place of its book, too.
class BookFiller {
public:
    // A recipe in the form the book stores it: names cleaned, texts UTF-8.
    struct Ready {
        QByteArray texts; // the fields' texts, each ended by a NUL
        QString category;
        bool namesPicture = false; // whether its image field holds a name
    };

    // Empties book.
    BookFiller(RecipeBook& book, const QString& uncategorised);
    // Empties collected, and adds to it instead of a book.
    BookFiller(std::vector<Ready>& collected, const QString& uncategorised);

    // What add makes of a recipe; may run on any thread.
    Ready prepare(Recipe recipe, const QString& category) const;
    void add(const Ready& recipe);
    void add(Recipe recipe, const QString& category);
    // The next recipe starts a category element of its own, as the first
    // of another file's does.
    void beginRun() { category_ = {}; }
    // Empties the book (or the list) again, for a reader to start over.
    void restart();
    int count() const { return count_; }
    // What the reader filled the book with: count() recipes, and whether
    // any of them names a picture.
    void report(RecipeRead& read) const
    {
        read.recipes = count_;
        read.picturesNamed = picturesNamed_;
    }

private:
    RecipeBook* book_ = nullptr;
    std::vector<Ready>* collected_ = nullptr;
    QString uncategorised_, current_;
    pugi::xml_node category_;
    int count_ = 0;
    bool picturesNamed_ = false;
};

// Text with its HTML character references (named, decimal, hexadecimal)
// replaced by their characters; unknown ones are kept as written.
QString decodeEntities(QStringView text);

// Text that may hold HTML markup as plain text: tags dropped, <br> and the
// ends of paragraphs and list items as line breaks, entities decoded (also
// those encoded twice, "&amp;eacute;"),
// spaces in each line simplified, at most one blank line in a row.
QString htmlText(QStringView text);
QString htmlText(QString&& text);

// Lines trimmed and simplified, runs of blank lines as one, none at the
// start or end.
QString tidyLines(QStringView text);
QString tidyLines(QString&& text);
// The same with the lines of each paragraph joined by spaces.
QString flowText(QStringView text);

// An ISO 8601 duration ("PT1H15M", "P0DT0H30M", "PT90M") as a cook writes
// it ("1 h 15 min", "30 min", "1 h 30 min"); any other text is returned
// trimmed.
QString durationText(QStringView iso);

// The lines (counted from 1) of positions in a text or in bytes, counted
// on from the last position asked for, so that asking in order costs one
// pass over the text.
template <typename View>
class LineCounter {
public:
    explicit LineCounter(View text) : text_(text) {}
    int at(qsizetype position)
    {
        position = qBound<qsizetype>(0, position, text_.size());
        if (position < counted_) {
            counted_ = 0;
            line_ = 1;
        }
        for (; counted_ < position; ++counted_)
            if (text_[counted_] == '\n')
                ++line_;
        return line_;
    }

private:
    View text_;
    qsizetype counted_ = 0;
    int line_ = 1;
};

// Appends to out the lines of one paragraph (trimmed), joined where a
// program wrapped them: where the next line's first word would not have
// fitted on the line before, the longest line giving the width. Lines that
// start a list item keep their break.
void appendWrapped(QString& out, const QList<QStringView>& lines);

// Runs each(i) for the items produce finds, while it goes on finding more
// (at most capacity): produce(publish) calls publish() each time one more
// item (in order) is ready and returns how many there are, or -1 to call
// the work off (items already begun are finished). The calling thread
// joins in once produce returns; then(i), when given, runs on it for each
// item in order as soon as that item and those before it are done.
// Returns what produce returned.
qsizetype whileFound(qsizetype capacity, const std::function<qsizetype(const std::function<void()>& publish)>& produce,
                     const std::function<void(qsizetype)>& each, const std::function<void(qsizetype)>& then = {});

// Runs each(i) for every i from 0 to count - 1 side by side, and then(i)
// on the calling thread in order, each as soon as each(i) and those before
// it are done.
void inParallelInOrder(qsizetype count, const std::function<void(qsizetype)>& each,
                       const std::function<void(qsizetype)>& then);

// All the text inside an element (CDATA too), its pieces joined by spaces.
QString xmlInnerText(pugi::xml_node n);
// The first child element of n named any of names (letter case ignored).
pugi::xml_node xmlChild(pugi::xml_node n, std::initializer_list<const char*> names);

// Replaces book's contents with the recipes of an XML file (in any encoding
// xmlAsUtf8 reads, a bare & read as itself): recipe(element, categories)
// reads each element named element, the first category naming the book's.
// When the file is not well-formed, each recipe element is read on its
// own, and those that still cannot be read are listed by their lines.
using XmlRecipeFn = std::function<Recipe(pugi::xml_node element, QStringList& categories)>;
RecipeRead readXmlRecipes(const QByteArray& bytes, const char* element, BookFiller& filler, const XmlRecipeFn& recipe);

// Adds line to text, on a line of its own.
void addLine(QString& text, QStringView line);
// Adds paragraph to text, after a blank line.
void addParagraph(QString& text, QStringView paragraph);

// The entries of source (as importList numbers them) whose recipe is
// already in book: the same title (letter case ignored) and the same
// ingredients (spaces ignored; a recipe without ingredients is never
// taken for one in the book). The check list shows them as such and
// leaves them unticked, so that a file imported twice adds nothing.
QSet<int> entriesInBook(const RecipeBook& book, const RecipeBook& source);

} // namespace bd
