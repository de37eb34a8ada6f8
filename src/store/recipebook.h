#pragma once
// The recipe book document: a root <recipebook> holding <category cname="">
// elements, each holding <recipe> elements with nine text children in a
// fixed order. A category is identified by its 0-based position among the
// root's children; a recipe by its title, unique in the book regardless of
// letter case.

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QVector>

#include <pugixml.hpp>

#include "store/diskstamp.h"
#include "store/recipe.h"

namespace bd {

struct CategoryEntry {
    QString name;
    int position = 0;
};

// The empty book, exactly as the program first writes it.
extern const QByteArray kEmptyBook;

// "aok" if path holds a well-formed book, "error" otherwise (also when the
// file is missing).
QString checkBook(const QString& path);

// Today's date as the system's short date text with a four-digit year.
QString shortDateText();

class RecipeBook {
public:
    RecipeBook();
    RecipeBook(const RecipeBook&) = delete;
    RecipeBook& operator=(const RecipeBook&) = delete;

    // Parses data; on failure the book is left empty and false returned.
    // Characters XML 1.0 forbids (raw control characters, "&#0;", "&#1;",
    // ...) are dropped, so that they are never written back.
    bool loadBuffer(const QByteArray& data, QString* error = nullptr);
    bool loadFile(const QString& path, QString* error = nullptr);
    void clear();
    // The document as it is written to disk (no declaration, no indentation).
    QByteArray serialize() const;
    // Writes the document to out as serialize() would; false if a write failed.
    bool writeTo(QIODevice& out) const;

    pugi::xml_node root() const;
    int categoryCount() const;
    pugi::xml_node category(int position) const;
    QString categoryName(int position) const;
    // Position of the first category whose name equals name exactly, or -1.
    int categoryPosition(const QString& name) const;
    QVector<CategoryEntry> categories() const;
    // The non-empty titles of a category's recipes, in book order.
    QStringList recipeTitles(int position) const;
    int recipeCount() const;

    // The recipe of the category with exactly this title (letter case counts).
    pugi::xml_node findRecipe(int position, const QString& title) const;
    // First recipe of the book whose title matches ignoring letter case.
    pugi::xml_node findTitle(const QString& title) const;
    bool titleExists(const QString& title) const { return bool(findTitle(title)); }

    static Recipe fields(pugi::xml_node recipe);
    static QString childText(pugi::xml_node recipe, int child);

    // In-memory changes; the caller saves.
    int appendCategory(const QString& name);
    pugi::xml_node appendRecipe(int position, const Recipe& fields);
    bool removeRecipe(pugi::xml_node recipe);
    bool removeCategory(int position);
    void renameCategory(int position, const QString& name);

    pugi::xml_document& document() { return doc_; }
    const pugi::xml_document& document() const { return doc_; }

    // The file as loadFile read it or a save wrote it; unknown for a book
    // built in memory, which is then never compared with a file.
    const DiskStamp& diskStamp() const { return stamp_; }
    void setDiskStamp(const DiskStamp& stamp) { stamp_ = stamp; }
    // Takes other's document and stamp in place of this one's (nodes of
    // the old document are then invalid).
    void adopt(RecipeBook& other);

private:
    pugi::xml_document doc_;
    DiskStamp stamp_;
};

// Text as the book holds it: characters XML cannot carry are dropped.
// Names and titles are checked in this form, so that what is compared is
// what is stored.
QString storableText(const QString& s);
std::string xmlText(const QString& s);
inline QString qstr(const pugi::char_t* s) { return QString::fromUtf8(s); }

} // namespace bd
