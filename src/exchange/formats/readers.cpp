#include "exchange/formats/readers.h"

#include "exchange/exchange.h"
#include "exchange/formats/mealmaster.h"
#include "app/base/text.h"

#include <QRegularExpression>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <memory>

namespace bd {

BookFiller::BookFiller(RecipeBook& book, const QString& uncategorised) : book_(&book), uncategorised_(uncategorised)
{
    book_->clear();
}

BookFiller::BookFiller(std::vector<Ready>& collected, const QString& uncategorised)
    : collected_(&collected), uncategorised_(uncategorised)
{
    collected_->clear();
}

void BookFiller::restart()
{
    if (book_)
        book_->clear();
    if (collected_)
        collected_->clear();
    category_ = {};
    current_.clear();
    count_ = 0;
    picturesNamed_ = false;
}

BookFiller::Ready BookFiller::prepare(Recipe recipe, const QString& category) const
{
    recipe.title = allowedName(recipe.title);
    if (recipe.title.isEmpty())
        recipe.title = fetchText(Str::UntitledRecipe);
    Ready ready;
    qsizetype length = 0;
    for (int i = 0; i < RChildCount; ++i)
        length += recipe[i].size();
    QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    // Room for the longest the texts may be, left as it is, not cleared.
    ready.texts.resize(utf8.requiredSpace(length) + RChildCount);
    char* out = ready.texts.data();
    for (int i = 0; i < RChildCount; ++i) {
        // Characters a book cannot hold are dropped, as xmlText drops them.
        char* const start = out;
        out = utf8.appendToBuffer(out, storableText(recipe[i]));
        ready.namesPicture = ready.namesPicture || (i == RImage && out != start);
        *out++ = '\0';
    }
    ready.texts.resize(out - ready.texts.data());
    ready.category = allowedName(category);
    if (ready.category.isEmpty())
        ready.category = uncategorised_;
    return ready;
}

void BookFiller::add(Recipe recipe, const QString& category)
{
    Ready ready = prepare(std::move(recipe), category);
    if (collected_) {
        picturesNamed_ = picturesNamed_ || ready.namesPicture;
        collected_->push_back(std::move(ready));
        ++count_;
        return;
    }
    add(ready);
}

void BookFiller::add(const Ready& recipe)
{
    ++count_;
    picturesNamed_ = picturesNamed_ || recipe.namesPicture;
    if (collected_) {
        collected_->push_back(recipe);
        return;
    }
    // Recipes of one category mostly follow each other.
    if (!category_ || recipe.category != current_) {
        category_ = appendCategoryNode(book_->root(), recipe.category);
        current_ = recipe.category;
    }
    pugi::xml_node node = category_.append_child("recipe");
    const char* text = recipe.texts.constData();
    for (int i = 0; i < RChildCount; ++i) {
        pugi::xml_node child = node.append_child(kRecipeChildNames[i]);
        if (*text)
            child.text().set(text);
        text += std::strlen(text) + 1;
    }
}

namespace {

// A recipe's key for finding it again: its title in lower case and its
// ingredients without spaces or letter case.
QString recipeKey(pugi::xml_node recipe)
{
    QString ing = RecipeBook::childText(recipe, RIng).toLower();
    ing.removeIf([](QChar c) { return c.isSpace(); });
    return storableText(RecipeBook::childText(recipe, RTitle)).toLower() + QChar(0) + ing;
}

} // namespace

QSet<int> entriesInBook(const RecipeBook& book, const RecipeBook& source)
{
    QSet<QString> keys;
    for (pugi::xml_node c = book.root().child("category"); c; c = c.next_sibling("category"))
        for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe"))
            keys.insert(recipeKey(r));
    QSet<int> out;
    int index = 0;
    for (pugi::xml_node c = source.root().child("category"); c; c = c.next_sibling("category"))
        for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe"), ++index)
            if (!RecipeBook::childText(r, RIng).trimmed().isEmpty() && keys.contains(recipeKey(r)))
                out.insert(index);
    return out;
}

} // namespace bd
