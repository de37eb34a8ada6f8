#include "store/recipebook.h"

#include "store/charscan.h"
#include "store/encoding.h"

#include <QBuffer>
#include <QDate>
#include <QFile>
#include <QLocale>

#include <cstring>
#include <limits>

namespace bd {

const char* const kRecipeChildNames[RChildCount] = {
    "title", "preptime", "cooktime", "yield", "ing", "prep", "other", "date", "image"};

const QByteArray kEmptyBook("<recipebook></recipebook>\r\n");

QString& Recipe::operator[](int i)
{
    QString* f[] = {&title, &preptime, &cooktime, &yield, &ing, &prep, &other, &date, &image};
    return *f[i];
}

const QString& Recipe::operator[](int i) const { return const_cast<Recipe&>(*this)[i]; }

namespace {

bool isRecipeBook(const pugi::xml_document& doc)
{
    int elements = 0;
    for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element)
            ++elements;
    return elements == 1 && std::strcmp(doc.document_element().name(), "recipebook") == 0;
}

bool checkParse(const pugi::xml_document& doc, const pugi::xml_parse_result& r, QString* error)
{
    if (!r) {
        if (error)
            *error = QString::fromUtf8(r.description()) + QStringLiteral(" (offset %1)").arg(qint64(r.offset));
        return false;
    }
    if (!isRecipeBook(doc)) {
        if (error)
            *error = QStringLiteral("the document is not a recipe book");
        return false;
    }
    return true;
}

// True when data is read as UTF-8: no UTF-16 or UTF-32 start and no
// declaration naming another encoding.
bool readAsUtf8(const char* data, size_t size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    if (size >= 2 && ((p[0] == 0xFE && p[1] == 0xFF) || (p[0] == 0xFF && p[1] == 0xFE) || p[0] == 0 || p[1] == 0))
        return false;
    const QByteArray head = QByteArray::fromRawData(data, qsizetype(qMin<size_t>(size, 256)));
    if (!head.startsWith("<?xml"))
        return true;
    const qsizetype close = head.indexOf("?>");
    const qsizetype at = head.indexOf("encoding");
    if (close < 0 || at < 0 || at > close)
        return true;
    const QByteArray rest = head.mid(at, close - at).toLower();
    return rest.contains("utf-8") || rest.contains("utf8");
}

// A book written in another encoding by hand or by another program may
// hold bytes that are not UTF-8: each is read as its Windows-1252
// character, so that every title can be found under the text it shows.
QByteArray repairedText(const char* data, size_t size)
{
    QByteArray repaired;
    if (readAsUtf8(data, size))
        repairUtf8(data, qsizetype(size), &repaired);
    return repaired;
}

// True for the characters XML 1.0 allows in a document.
bool xmlCharacter(quint32 c)
{
    return c == 0x09 || c == 0x0A || c == 0x0D || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

bool forbiddenControl(unsigned char c) { return c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0D; }

// True when data may hold a character XML 1.0 forbids: a raw control
// character, or a character reference (checked closely by the next step).
bool mayHoldForbidden(const char* data, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (forbiddenControl(c) || (c == '&' && i + 1 < size && data[i + 1] == '#'))
            return true;
    }
    return false;
}

// Drops from text in an ASCII-compatible encoding the characters XML 1.0
// forbids, written raw (control characters) or as references ("&#0;",
// "&#x1F;", surrogates, U+FFFE, beyond U+10FFFF). A parser would read a
// NUL as the end of its field and write control characters back as
// references strict readers refuse. Returns the new size.
size_t dropForbiddenCharacters(char* data, size_t size)
{
    size_t out = 0;
    for (size_t i = 0; i < size;) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (forbiddenControl(c)) {
            ++i;
            continue;
        }
        if (c == '&' && i + 2 < size && data[i + 1] == '#') {
            size_t j = i + 2;
            const bool hex = data[j] == 'x' || data[j] == 'X';
            if (hex)
                ++j;
            const size_t digits = j;
            quint64 value = 0;
            for (; j < size; ++j) {
                const char d = data[j];
                int v = -1;
                if (d >= '0' && d <= '9')
                    v = d - '0';
                else if (hex && d >= 'a' && d <= 'f')
                    v = d - 'a' + 10;
                else if (hex && d >= 'A' && d <= 'F')
                    v = d - 'A' + 10;
                if (v < 0)
                    break;
                value = qMin<quint64>(value * (hex ? 16 : 10) + quint64(v), 0x110000);
            }
            if (j > digits && j < size && data[j] == ';' && !xmlCharacter(quint32(value))) {
                i = j + 1;
                continue;
            }
        }
        data[out++] = data[i++];
    }
    return out;
}

bool parseInto(pugi::xml_document& doc, const QByteArray& data, QString* error)
{
    const QByteArray repaired = repairedText(data.constData(), size_t(data.size()));
    if (!repaired.isEmpty())
        return parseInto(doc, repaired, error);
    if (readAsUtf8(data.constData(), size_t(data.size())) && mayHoldForbidden(data.constData(), size_t(data.size()))) {
        QByteArray clean = data;
        clean.truncate(qsizetype(dropForbiddenCharacters(clean.data(), size_t(clean.size()))));
        return checkParse(
            doc, doc.load_buffer(clean.constData(), size_t(clean.size()), pugi::parse_default, pugi::encoding_auto),
            error);
    }
    // Whitespace-only text is dropped and every line break reads back as LF.
    return checkParse(doc, doc.load_buffer(data.constData(), size_t(data.size()), pugi::parse_default,
                                           pugi::encoding_auto),
                      error);
}

// Lower-cased comparison of a stored UTF-8 title with a lower-cased needle.
// ASCII titles, the common case, are compared without building a QString.
bool titleMatches(const char* title, const QString& lowered)
{
    const int n = lowered.size();
    int i = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(title); *p; ++p, ++i) {
        if (*p >= 0x80)
            return QString::fromUtf8(title).toLower() == lowered;
        if (i >= n)
            return false;
        unsigned char c = *p;
        if (c >= 'A' && c <= 'Z')
            c = c - 'A' + 'a';
        if (lowered.at(i).unicode() != c)
            return false;
    }
    return i == n;
}

// The key of a title for the title index: a hash of its lower-cased UTF-16
// text. Stored titles in ASCII, the common case, are hashed as they are
// lowered, without building a QString.
class TitleHasher {
public:
    void add(char16_t unit)
    {
        hash_ = (hash_ ^ unit) * 0x100000001b3ull; // FNV-1a
    }
    quint64 result() const { return hash_; }

private:
    quint64 hash_ = 0xcbf29ce484222325ull;
};

quint64 loweredTitleKey(QStringView lowered)
{
    TitleHasher h;
    for (const QChar c : lowered)
        h.add(c.unicode());
    return h.result();
}

quint64 storedTitleKey(const char* title)
{
    TitleHasher h;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(title); *p; ++p) {
        if (*p >= 0x80)
            return loweredTitleKey(QString::fromUtf8(title).toLower());
        h.add(char16_t(*p >= 'A' && *p <= 'Z' ? *p - 'A' + 'a' : *p));
    }
    return h.result();
}

// Whether recipe a comes before recipe b in book order.
bool comesBefore(pugi::xml_node a, pugi::xml_node b)
{
    if (a.parent() != b.parent()) {
        a = a.parent();
        b = b.parent();
    }
    for (pugi::xml_node n = a.next_sibling(); n; n = n.next_sibling())
        if (n == b)
            return true;
    return false;
}

} // namespace

QString checkBook(const QString& path)
{
    RecipeBook book;
    return book.loadFile(path) ? QStringLiteral("aok") : QStringLiteral("error");
}

QString shortDateText()
{
    // Without a regional setting (the C locale) the United States form is used.
    QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return locale.toString(QDate::currentDate(), format);
}

namespace {
QString storableCopy(const QString& s);
}

QString storableText(const QString& s)
{
    // Most texts hold nothing to drop: they are shared, not copied. Only
    // blocks with a character below 0x20 or from 0xD800 up (surrogates, the
    // last two) are looked at closely.
    using namespace charscan;
    const char16_t* p = reinterpret_cast<const char16_t*>(s.constData());
    const qsizetype n = s.size();
    auto refused = [](char16_t u) {
        return (u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D) || (u >= 0xD800 && (u <= 0xDFFF || u >= 0xFFFE));
    };
    qsizetype i = 0;
    if constexpr (kBlocks) {
        for (; i + 8 <= n; i += 8) {
            const Block b = load(p + i);
            if (!(below(b, 0x20) | atLeast(b, 0xD800)))
                continue;
            for (qsizetype k = i; k < i + 8; ++k)
                if (refused(p[k]))
                    return storableCopy(s);
        }
    }
    for (; i < n; ++i)
        if (refused(p[i]))
            return storableCopy(s);
    return s;
}

namespace {
QString storableCopy(const QString& s)
{
    QString clean;
    clean.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        const ushort u = c.unicode();
        if (c.isHighSurrogate()) {
            if (i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
                clean += c;
                clean += s.at(++i);
            }
            continue;
        }
        if (c.isLowSurrogate())
            continue;
        if ((u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D) || u == 0xFFFE || u == 0xFFFF)
            continue;
        clean += c;
    }
    return clean;
}
} // namespace

std::string xmlText(const QString& s) { return storableText(s).toStdString(); }

RecipeBook::RecipeBook() { clear(); }

bool RecipeBook::loadBuffer(const QByteArray& data, QString* error)
{
    ++generation_;
    stamp_ = {};
    journal_ = {};
    if (parseInto(doc_, data, error))
        return true;
    clear();
    return false;
}

bool RecipeBook::loadFile(const QString& path, QString* error, bool followLinks)
{
    // The file is read into a buffer the document then owns and parses in
    // place, so a large book is never held twice.
    ++generation_;
    QFile f;
    if (!openRegularFile(f, path, followLinks)) {
        if (error)
            *error = f.errorString().isEmpty() || f.error() == QFileDevice::NoError
                         ? QStringLiteral("not a regular file")
                         : f.errorString();
        clear();
        return false;
    }
    const FileIdentity identity = identityOf(f);
    const qint64 size = f.size();
    void* buffer = pugi::get_memory_allocation_function()(size_t(qMax<qint64>(size, 1)));
    if (!buffer || f.read(static_cast<char*>(buffer), size) != size) {
        if (buffer)
            pugi::get_memory_deallocation_function()(buffer);
        if (error)
            *error = f.errorString();
        clear();
        return false;
    }
    const DiskStamp stamp = stampOfData(identity, static_cast<const char*>(buffer), size);
    const QByteArray repaired = repairedText(static_cast<const char*>(buffer), size_t(size));
    if (!repaired.isEmpty()) {
        pugi::get_memory_deallocation_function()(buffer);
        const bool ok = loadBuffer(repaired, error);
        if (ok)
            stamp_ = stamp;
        return ok;
    }
    size_t length = size_t(size);
    if (readAsUtf8(static_cast<const char*>(buffer), length) &&
        mayHoldForbidden(static_cast<const char*>(buffer), length))
        length = dropForbiddenCharacters(static_cast<char*>(buffer), length);
    const pugi::xml_parse_result r = doc_.load_buffer_inplace_own(buffer, length, pugi::parse_default,
                                                                  pugi::encoding_auto);
    if (checkParse(doc_, r, error)) {
        stamp_ = stamp;
        return true;
    }
    clear();
    return false;
}

void RecipeBook::markSaved(const DiskStamp& stamp)
{
    stamp_ = stamp;
    for (auto it = journal_.shown.begin(); it != journal_.shown.end();)
        it = it->until.hasExpired() ? journal_.shown.erase(it) : std::next(it);
    const QDeadlineTimer until(BookJournal::kShownMs);
    const quint64 save = ++journal_.saves;
    for (auto it = journal_.base.cbegin(); it != journal_.base.cend(); ++it) {
        const auto known = journal_.shown.find(it.key());
        if (known == journal_.shown.end()) {
            journal_.shown.insert(it.key(), {it.value(), until, save});
        } else {
            // Put in again: looked out for no longer than at first.
            known->version = it.value();
            known->save = save;
        }
    }
    journal_.base.clear();
    journal_.categories.clear();
}

void RecipeBook::adopt(RecipeBook& other)
{
    ++generation_;
    doc_ = std::move(other.doc_);
    stamp_ = other.stamp_;
    journal_ = std::move(other.journal_);
    other.clear();
}

void RecipeBook::clear()
{
    ++generation_;
    stamp_ = {};
    journal_ = {};
    // An empty book stays as it is, its memory kept for what comes next.
    const pugi::xml_node only = doc_.first_child();
    if (only && only.type() == pugi::node_element && !only.next_sibling() && !only.first_child() &&
        !only.first_attribute() && std::strcmp(only.name(), "recipebook") == 0)
        return;
    doc_.reset();
    doc_.append_child("recipebook");
}

bool RecipeBook::writeTo(QIODevice& out) const
{
    // Multi-line texts go to the file with CR LF line ends, as the text
    // boxes deliver them; the loader reads every line end back as LF.
    // Unindented output holds an LF only inside texts (attribute values
    // carry theirs as &#10;), so every LF the document writes is a text's.
    struct Writer : pugi::xml_writer {
        QIODevice* device;
        bool ok = true;
        bool afterCr = false; // the last byte written was a CR
        QByteArray chunk;
        void write(const void* data, size_t size) override
        {
            const char* p = static_cast<const char*>(data);
            const char* const end = p + size;
            chunk.clear();
            while (p < end) {
                const char* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
                const char* const stop = lf ? lf : end;
                chunk.append(p, qsizetype(stop - p));
                if (stop > p)
                    afterCr = stop[-1] == '\r';
                if (!lf)
                    break;
                if (!afterCr) // a CR LF already in the text stays one line end
                    chunk.append('\r');
                chunk.append('\n');
                afterCr = false;
                p = lf + 1;
            }
            if (ok)
                ok = device->write(chunk) == chunk.size();
        }
    } writer;
    writer.device = &out;
    doc_.save(writer, PUGIXML_TEXT(""), pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    writer.write("\r\n", 2);
    return writer.ok;
}

QByteArray RecipeBook::serialize() const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    writeTo(buffer);
    return bytes;
}

pugi::xml_node RecipeBook::root() const
{
    return doc_.document_element();
}

int RecipeBook::categoryCount() const
{
    int n = 0;
    forEachCategory([&n](pugi::xml_node, int) { ++n; });
    return n;
}

pugi::xml_node RecipeBook::category(int position) const
{
    pugi::xml_node found;
    if (position >= 0)
        forEachCategory([&](pugi::xml_node c, int i) {
            if (i == position)
                found = c;
            return !found;
        });
    return found;
}

QString RecipeBook::categoryName(int position) const
{
    return qstr(category(position).attribute("cname").value());
}

int RecipeBook::categoryPosition(const QString& name) const
{
    const std::string wanted = name.toStdString();
    int found = -1;
    forEachCategory([&](pugi::xml_node c, int i) {
        if (wanted == c.attribute("cname").value())
            found = i;
        return found < 0;
    });
    return found;
}

QVector<CategoryEntry> RecipeBook::categories() const
{
    QVector<CategoryEntry> out;
    forEachCategory([&out](pugi::xml_node c, int i) { out.push_back({qstr(c.attribute("cname").value()), i}); });
    return out;
}

QStringList RecipeBook::recipeTitles(int position) const
{
    QStringList out;
    forEachRecipeIn(position, [&out](pugi::xml_node r) {
        const char* title = titleOf(r);
        if (*title)
            out << QString::fromUtf8(title);
    });
    return out;
}

int RecipeBook::recipeCount() const
{
    int n = 0;
    forEachRecipe([&n](pugi::xml_node, int) { ++n; });
    return n;
}

pugi::xml_node RecipeBook::findRecipe(int position, const QString& title) const
{
    const pugi::xml_node cat = category(position);
    if (!cat)
        return {};
    // The title is bound as a variable, so quotes in it cannot break the query.
    static pugi::xpath_variable_set vars = [] {
        pugi::xpath_variable_set v;
        v.add("title", pugi::xpath_type_string);
        return v;
    }();
    static const pugi::xpath_query query("recipe[title=$title]", &vars);
    vars.set("title", title.toStdString().c_str());
    return cat.select_node(query).node();
}

pugi::xml_node RecipeBook::findTitle(const QString& title) const
{
    const QString lowered = title.toLower();
    const TitleIndex& index = titleIndex();
    pugi::xml_node found;
    const auto [from, to] = index.recipes.equal_range(loweredTitleKey(lowered));
    for (auto it = from; it != to; ++it) {
        const pugi::xml_node r(it->second);
        // The first in book order, should a hand-made book hold a title twice.
        if (titleMatches(titleOf(r), lowered) && (!found || comesBefore(r, found)))
            found = r;
    }
    return found;
}

const RecipeBook::TitleIndex& RecipeBook::titleIndex() const
{
    if (titles_.generation != generation_) {
        titles_.recipes = {};
        titles_.recipes.reserve(size_t(recipeCount()));
        titles_.generation = generation_;
        forEachRecipe([this](pugi::xml_node r, int) { titles_.add(r, generation_); });
    }
    return titles_;
}

void RecipeBook::TitleIndex::add(pugi::xml_node recipe, quint64 now)
{
    if (generation == now)
        recipes.emplace(storedTitleKey(titleOf(recipe)), recipe.internal_object());
}

void RecipeBook::TitleIndex::remove(pugi::xml_node recipe, quint64 now)
{
    if (generation != now)
        return;
    // The removal counts as a change of generation; the index stays good.
    ++generation;
    const auto [from, to] = recipes.equal_range(storedTitleKey(titleOf(recipe)));
    for (auto it = from; it != to; ++it)
        if (it->second == recipe.internal_object()) {
            recipes.erase(it);
            return;
        }
}

QString RecipeBook::childText(pugi::xml_node recipe, int child)
{
    QString text;
    if (child >= 0)
        forEachText(
            recipe, child,
            [&](int i, const char* t) {
                if (i == child)
                    text = qstr(t);
            },
            child < 32 ? ~(quint32(1) << child) : 0);
    return text;
}

Recipe RecipeBook::fields(pugi::xml_node recipe)
{
    Recipe f;
    forEachText(recipe, RChildCount - 1, [&f](int i, const char* text) { f[i] = qstr(text); });
    return f;
}

quint64 recipeVersion(pugi::xml_node recipe)
{
    ContentHash h;
    const char* category = recipe.parent().attribute("cname").value();
    h.add(category, qint64(std::strlen(category)) + 1);
    // Each text with its end, so that texts cannot run into each other.
    RecipeBook::forEachText(recipe, std::numeric_limits<int>::max(),
                            [&h](int, const char* text) { h.add(text, qint64(std::strlen(text)) + 1); });
    return h.result();
}

void RecipeBook::noteRecipe(pugi::xml_node recipe)
{
    const QString key = titleKey(qstr(titleOf(recipe)));
    if (!journal_.base.contains(key))
        journal_.base.insert(key, recipeVersion(recipe));
}

void RecipeBook::noteNewTitle(const QString& title)
{
    const QString key = titleKey(storableText(title));
    if (!journal_.base.contains(key))
        journal_.base.insert(key, std::nullopt);
}

void RecipeBook::noteNewRecipe(pugi::xml_node recipe)
{
    noteNewTitle(qstr(titleOf(recipe)));
    titles_.add(recipe, generation_);
}

int RecipeBook::appendCategory(const QString& name)
{
    appendCategoryNode(name);
    journal_.categories.push_back({BookJournal::CategoryChange::Add, storableText(name), {}});
    return categoryCount() - 1;
}

pugi::xml_node RecipeBook::appendRecipe(int position, const Recipe& f)
{
    pugi::xml_node cat = category(position);
    if (!cat)
        return {};
    noteNewTitle(f.title);
    const pugi::xml_node recipe = appendRecipeNode(cat, f, true);
    titles_.add(recipe, generation_);
    return recipe;
}

bool RecipeBook::removeRecipe(pugi::xml_node recipe)
{
    if (!recipe || !recipe.parent())
        return false;
    titles_.remove(recipe, generation_);
    noteRecipe(recipe);
    ++generation_;
    removeNode(recipe);
    return true;
}

bool RecipeBook::removeCategory(int position)
{
    const pugi::xml_node cat = category(position);
    if (!cat)
        return false;
    eachRecipeOf(cat, [this](pugi::xml_node r) { noteRecipe(r); });
    journal_.categories.push_back({BookJournal::CategoryChange::Remove, qstr(cat.attribute("cname").value()), {}});
    ++generation_;
    removeNode(cat);
    return true;
}

void RecipeBook::renameCategory(int position, const QString& name)
{
    pugi::xml_node cat = category(position);
    if (!cat)
        return;
    eachRecipeOf(cat, [this](pugi::xml_node r) { noteRecipe(r); });
    journal_.categories.push_back(
        {BookJournal::CategoryChange::Rename, qstr(cat.attribute("cname").value()), storableText(name)});
    pugi::xml_attribute a = cat.attribute("cname");
    if (!a)
        a = cat.append_attribute("cname");
    a.set_value(xmlText(name).c_str());
}

void removeNode(pugi::xml_node node)
{
    if (!node || !node.parent())
        return;
    // Leaves first, from the deepest up: each removal frees one node only.
    pugi::xml_node at = node;
    for (;;) {
        while (at.first_child())
            at = at.first_child();
        if (at == node)
            break;
        pugi::xml_node parent = at.parent();
        parent.remove_child(at);
        at = parent;
    }
    node.parent().remove_child(node);
}

QString RecipeBook::categoryOf(pugi::xml_node recipe) { return qstr(recipe.parent().attribute("cname").value()); }

std::optional<Recipe> RecipeBook::recipe(const RecipeRef& ref) const
{
    const pugi::xml_node node = findRecipe(ref.category, ref.title);
    if (!node)
        return std::nullopt;
    Recipe f = fields(node);
    f.category = categoryOf(node);
    return f;
}

QVector<Recipe> RecipeBook::recipesIn(int position) const
{
    QVector<Recipe> out;
    const pugi::xml_node cat = category(position);
    const QString name = qstr(cat.attribute("cname").value());
    eachRecipeOf(cat, [&](pugi::xml_node r) {
        out << fields(r);
        out.back().category = name;
    });
    return out;
}

QHash<QString, pugi::xml_node> RecipeBook::categoriesByName() const
{
    QHash<QString, pugi::xml_node> out;
    forEachCategory([&out](pugi::xml_node c, int) {
        const QString name = storableText(qstr(c.attribute("cname").value()));
        if (!out.contains(name))
            out.insert(name, c);
    });
    return out;
}

pugi::xml_node RecipeBook::appendCategoryNode(const QString& name)
{
    pugi::xml_node root = this->root();
    if (!root)
        root = doc_.append_child("recipebook");
    return appendCategoryNode(root, name);
}

pugi::xml_node RecipeBook::appendCategoryNode(pugi::xml_node root, const QString& name)
{
    Q_ASSERT(root);
    pugi::xml_node cat = root.append_child("category");
    cat.append_attribute("cname").set_value(xmlText(name).c_str());
    return cat;
}

pugi::xml_node RecipeBook::appendRecipeNode(pugi::xml_node category, const Recipe& f, bool withImage)
{
    Q_ASSERT(category);
    pugi::xml_node recipe = category.append_child("recipe");
    const int count = withImage ? RChildCount : RImage;
    for (int i = 0; i < count; ++i) {
        pugi::xml_node child = recipe.append_child(kRecipeChildNames[i]);
        if (!f[i].isEmpty())
            child.text().set(xmlText(f[i]).c_str());
    }
    return recipe;
}

std::optional<Recipe> RecipeFinder::find(const RecipeRef& item)
{
    auto source = sources_.find(item.category);
    if (source == sources_.end()) {
        Source s;
        const pugi::xml_node cat = book_.category(item.category);
        s.name = storableText(qstr(cat.attribute("cname").value()));
        RecipeBook::eachRecipeOf(cat, [&s](pugi::xml_node r) {
            const QString title = RecipeBook::childText(r, RTitle);
            if (!s.recipes.contains(title))
                s.recipes.insert(title, r);
        });
        source = sources_.insert(item.category, s);
    }
    const pugi::xml_node node = source->recipes.value(item.title);
    if (!node)
        return std::nullopt;
    Recipe f = RecipeBook::fields(node);
    f.category = source->name;
    return f;
}

std::vector<Recipe> RecipeBook::allRecipes(QHash<int, int>* fieldCounts) const
{
    std::vector<Recipe> out;
    for (pugi::xml_node c = root().child("category"); c; c = c.next_sibling("category")) {
        const QString category = storableText(qstr(c.attribute("cname").value()));
        for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe")) {
            Recipe& f = out.emplace_back();
            int i = 0;
            for (pugi::xml_node n = r.first_child(); n; n = n.next_sibling()) {
                if (n.type() != pugi::node_element)
                    continue;
                if (i < RChildCount)
                    f[i] = qstr(n.text().get());
                ++i;
            }
            f.category = category;
            if (fieldCounts && (i < RImage || i > RChildCount))
                fieldCounts->insert(int(out.size()) - 1, i);
        }
    }
    return out;
}

} // namespace bd
