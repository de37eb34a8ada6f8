#include "store/trash.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace bd {

namespace {
const char* const kRemoved = "removed";

template <typename F>
void forEachRecipe(const RecipeBook& book, F f)
{
    for (pugi::xml_node c = book.root().child("category"); c; c = c.next_sibling("category"))
        for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe"))
            f(c, r);
}
} // namespace

QString trashPath(const QString& bookPath) { return QFileInfo(bookPath).dir().filePath(QStringLiteral("trash.xml")); }

Trash::Trash(QString path) : path_(std::move(path)) {}

bool Trash::load()
{
    if (!QFileInfo::exists(path_)) {
        book_.clear();
        return true;
    }
    return book_.loadFile(path_);
}

QVector<TrashEntry> Trash::entries() const
{
    QVector<TrashEntry> out;
    forEachRecipe(book_, [&out](pugi::xml_node c, pugi::xml_node r) {
        TrashEntry e;
        e.recipe = RecipeBook::fields(r);
        e.recipe.category = qstr(c.attribute("cname").value());
        e.removed = QDateTime::fromString(qstr(r.attribute(kRemoved).value()), Qt::ISODate);
        out.push_back(e);
    });
    return out;
}

bool Trash::namesPicture(const QString& name) const
{
    if (name.isEmpty())
        return false;
    bool named = false;
    forEachRecipe(book_, [&](pugi::xml_node, pugi::xml_node r) {
        named = named || RecipeBook::childText(r, RImage).compare(name, Qt::CaseInsensitive) == 0;
    });
    return named;
}

void Trash::add(const Recipe& recipe, const QDateTime& removed)
{
    int position = book_.categoryPosition(recipe.category);
    if (position < 0)
        position = book_.appendCategory(recipe.category);
    pugi::xml_node r = book_.appendRecipe(position, recipe);
    r.append_attribute(kRemoved).set_value(removed.toString(Qt::ISODate).toUtf8().constData());
}

void Trash::remove(const QVector<int>& positions)
{
    QVector<pugi::xml_node> gone;
    int index = 0;
    forEachRecipe(book_, [&](pugi::xml_node, pugi::xml_node r) {
        if (positions.contains(index++))
            gone.push_back(r);
    });
    for (pugi::xml_node r : gone) {
        pugi::xml_node category = r.parent();
        category.remove_child(r);
        if (!category.child("recipe"))
            category.parent().remove_child(category);
    }
}

void Trash::clear() { book_.clear(); }

SaveResult Trash::save()
{
    return writeFileAtomically(path_, [this](QIODevice& out) { return book_.writeTo(out); });
}

} // namespace bd
