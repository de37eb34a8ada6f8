#pragma once
// The cookbook: chosen recipes laid out as a book, with a cover, a table of
// contents, one chapter per category, the recipes with their pictures and
// an index of every title A-Z. The same markup makes the PDF file, the
// printed book (a category from the browse window) and, with links in
// place of page numbers, the web page of the export.

#include "store/bookfile.h"
#include "store/recipe.h"

#include <QHash>
#include <QImage>
#include <QRectF>
#include <QSet>
#include <QSizeF>
#include <QTextBlock>
#include <QTextDocument>
#include <QVector>

#include <deque>
#include <functional>
#include <future>
#include <vector>

class QPagedPaintDevice;

namespace bd {

struct CookbookOptions {
    QString title;              // on the cover; empty: the program's name for a recipe book
    bool recipePerPage = false; // each recipe starts a page, else they follow one another
    QString imagesFolder;       // where the recipes' pictures are; empty: no pictures
};

// The recipes in the book's order: chapters (categories) A-Z, the recipes
// of each A-Z by title, and every recipe A-Z for the index. Sorted in the
// program's language, letter case and accents mattering last.
struct CookbookPlan {
    struct Chapter {
        QString name;
        QVector<int> recipes; // indexes into recipes
    };
    QVector<Recipe> recipes; // as given (category: the chapter)
    QVector<Chapter> chapters;
    QVector<int> index;
};
CookbookPlan planCookbook(QVector<Recipe> recipes);

// How the book falls on its pages: the page each recipe and each chapter
// starts on (1 = the cover), the recipes that start a page because they
// would have begun at the foot of the one before, and how many pages.
struct PageNumbers {
    QVector<int> recipes, chapters;
    QSet<int> moved;
    int count = 0;
    qreal coverSpace = 0; // CSS pixels above the cover's title
    qreal sideScale = 1;  // device pixels of a CSS pixel of the margins left and right
    bool operator==(const PageNumbers& o) const
    {
        return recipes == o.recipes && chapters == o.chapters && moved == o.moved;
    }
};

enum class BookMarkup {
    Print, // for QTextDocument: page numbers in the contents and the index
    Web    // for a browser: the contents and the index link to the recipes
};

// "1 recipe", "2 recipes", as the cover counts them, in the program's
// language.
QString recipeCount(int n);

// The title on the cover: options.title, or the program's name for a
// recipe book.
QString cookbookTitle(const CookbookOptions& options);

// The book as HTML. pages: the space above the cover's title and the
// scale of the margins left and right (Print; the
// page numbers of the contents and the index are painted beside their
// entries); null for Web. picture(i): the image source of recipe i, empty for none, with its
// size in CSS pixels.
struct PictureSource {
    QString src;
    QSizeF size;
};
QString cookbookHtml(const CookbookPlan& plan, const CookbookOptions& options, BookMarkup markup,
                     const PageNumbers* pages, const std::function<PictureSource(int recipe)>& picture);

// The cookbook as a document that lays itself out for the pages of a
// printer or a PDF file. It is laid out as one long column, which is cut
// into pages between lines: a chapter (and, if asked, each recipe) starts
// a page, a recipe that would start at the foot of a page starts the next,
// a heading keeps the first two lines of what it heads on its page, and a
// picture stands whole on one. Each page draws its own lines only. The
// page numbers of the contents and the index are painted beside their
// entries.
class Cookbook : public QTextDocument {
    Q_OBJECT
public:
    Cookbook(QVector<Recipe> recipes, const CookbookOptions& options, QObject* parent = nullptr);

    // Lays the book out on device's page size. Returns the number of pages.
    int layoutFor(QPagedPaintDevice* device);
    // Lays out and paints every page on device, each but the cover with its
    // number in the footer. False when the device cannot be painted on.
    bool paint(QPagedPaintDevice* device);

    const CookbookPlan& plan() const { return plan_; }
    // After layoutFor: where each recipe and chapter starts, how many pages.
    const PageNumbers& pages() const { return pages_; }
    // How many times a picture was read from its file so far.
    int picturesRead() const { return picturesRead_; }

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    // The lines of the laid-out book, top to bottom, and its pictures.
    void findLines();
    // Cuts the column into pages of pageHeight.
    void paginate(qreal pageHeight);
    // The page (1 = the cover) of lines_[line].
    int pageOfLine(size_t line) const;

    struct Line {
        QTextBlock block;
        int line; // in its block
        qreal top, bottom;
    };
    std::vector<Line> lines_;
    struct Float {
        QRectF rect;
        int position;
        QTextFormat format;
        int recipe; // whose picture it is
    };
    std::vector<Float> floats_;
    std::vector<int> pageFirst_; // the first line of each page
    std::vector<qreal> pageTop_; // where in the column each page starts
    qreal pageHeight_ = 0;

    // An entry of the contents (a chapter or a recipe) or of the index.
    struct Entry {
        QTextBlock block;
        bool chapter;
        int index;
    };
    std::vector<Entry> entries_;

    CookbookPlan plan_;
    CookbookOptions options_;
    PageNumbers pages_;
    struct Picture {
        QString path;
        QSizeF shown; // CSS pixels
    };
    QHash<int, Picture> pictures_; // by recipe
    int picturesRead_ = 0;
    bool drawingPicture_ = false; // a picture is being drawn, not laid out
    // Reads the picture of recipe as large as its place on paper needs
    // (on any thread).
    std::function<QImage()> pictureReader(int recipe) const;
    // While the pages are painted, the pictures of the next few floats
    // are read on other threads; nextAhead_ is the next float to read.
    void readAhead();
    std::deque<std::pair<int, std::future<QImage>>> ahead_;
    size_t nextAhead_ = 0;
    qreal footer_ = 0; // height of the footer band, device pixels
};

// Writes recipes as a cookbook PDF to path (replacing it only when
// complete). Needs a QGuiApplication.
SaveResult writeCookbookPdf(const QString& path, const QVector<Recipe>& recipes, const CookbookOptions& options);

} // namespace bd
