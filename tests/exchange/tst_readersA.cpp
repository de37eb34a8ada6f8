// The zip and gzip layer and the readers of programs that keep recipes as
// JSON (alone, gzip-compressed or zipped with their pictures): hostile and
// damaged archives, the fields each program writes, headings, pictures the
// files hold (and those that are no pictures), and files of other formats
// left to their own readers.

#include "exchange/formats/archive.h"
#include "exchange/importfile.h"
#include "resources/strings.h"
#include "archivewriting.h"
#include "testsupport.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace bd;
using bdtest::gzipOf;
using bdtest::ZipEntry;
using bdtest::zipOf;

namespace {

const ReadContext kContext{QStringLiteral("Imported"), 0};

// A small picture, as PNG or JPEG bytes.
QByteArray picture(const char* format = "PNG")
{
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return out;
}

QByteArray json(const QJsonObject& o) { return QJsonDocument(o).toJson(); }

QString writeIn(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    bdtest::writeFile(path, bytes);
    return path;
}

// A file read as the import reads it: its recipes and what the read said.
struct Read {
    ImportFileRead file;
    RecipeList list;
    const Recipe& operator[](int i) const { return list.recipes.at(size_t(i)); }
    // Whether recipe i's picture was unpacked and holds bytes.
    bool hasPicture(int i) const
    {
        const Recipe& r = (*this)[i];
        return !r.image.isEmpty() && QFileInfo(QDir(file.pictureFolder).filePath(r.image)).size() > 0;
    }
};

Read readFile(const QString& path)
{
    Read read;
    read.file = readImportFile(path, read.list, kContext);
    return read;
}

// A Paprika recipe as the program writes it (names may end in "\n").
QJsonObject paprikaRecipe(const QString& name)
{
    return QJsonObject{
        {QStringLiteral("name"), name + QLatin1Char('\n')},
        {QStringLiteral("ingredients"),
         QStringLiteral("For the dough:\n2 cups flour\n1 tsp salt\n\nFor the top:\n1 egg")},
        {QStringLiteral("directions"), QStringLiteral("Mix the flour\nand the salt.\n\nBake 20 minutes.")},
        {QStringLiteral("notes"), QStringLiteral("Keeps a week.")},
        {QStringLiteral("description"), QStringLiteral("A plain loaf.")},
        {QStringLiteral("servings"), QStringLiteral("4 servings")},
        {QStringLiteral("prep_time"), QStringLiteral("15 mins")},
        {QStringLiteral("cook_time"), QStringLiteral("20 mins")},
        {QStringLiteral("total_time"), QStringLiteral("35 mins")},
        {QStringLiteral("source"), QStringLiteral("Example.com")},
        {QStringLiteral("source_url"), QStringLiteral("https://example.com/loaf")},
        {QStringLiteral("image_url"), QStringLiteral("https://example.com/loaf.jpg")},
        {QStringLiteral("categories"), QJsonArray{QStringLiteral("Bread"), QStringLiteral("Baking")}},
        {QStringLiteral("rating"), 4},
        {QStringLiteral("difficulty"), QStringLiteral("Easy")},
        {QStringLiteral("nutritional_info"), QStringLiteral("Calories: 200\nFat: 3 g")},
        {QStringLiteral("created"), QStringLiteral("2021-03-04 10:11:12")},
        {QStringLiteral("uid"), QStringLiteral("0A1B")},
        {QStringLiteral("photo_data"), QString::fromLatin1(picture("JPEG").toBase64())},
        {QStringLiteral("photo"), QStringLiteral("0A1B.jpg")},
        {QStringLiteral("photos"), QJsonArray()},
    };
}

// zip with the size that the file named name says it unpacks to (in its
// local header and in the listing) made size.
QByteArray withDeclaredSize(QByteArray zip, const QByteArray& name, quint32 size)
{
    const char field[4] = {char(size & 0xff), char(size >> 8 & 0xff), char(size >> 16 & 0xff), char(size >> 24)};
    for (qsizetype at = zip.indexOf(name); at >= 0; at = zip.indexOf(name, at + 1)) {
        // Local header: size at name - 30 + 22; listing: name - 46 + 24.
        const bool central = zip.mid(at - 46, 4) == "PK\x01\x02";
        zip.replace(central ? at - 46 + 24 : at - 30 + 22, 4, QByteArray(field, 4));
    }
    return zip;
}

// A recipe's title, category, yield, times, ingredients and directions.
QStringList fieldsOf(const Recipe& r) { return {r.title, r.category, r.yield, r.preptime, r.cooktime, r.ing, r.prep}; }

} // namespace

class TestReadersA : public QObject {
    Q_OBJECT

private slots:
    void archiveLimits()
    {
        // A zip bomb: one entry that unpacks far beyond what the limit allows.
        const QByteArray bomb = zipOf(
            {{QStringLiteral("small.txt"), "ok"}, {QStringLiteral("bomb.txt"), QByteArray(4 << 20, 'a')}});
        QVERIFY(bomb.size() < 64 * 1024);
        {
            Archive archive(bomb, ArchiveLimits{100, 1 << 20, 8 << 20});
            QVERIFY(archive.isOpen());
            QCOMPARE(archive.read(QStringLiteral("small.txt")).value_or(QByteArray()), QByteArray("ok"));
            QVERIFY(!archive.read(QStringLiteral("bomb.txt")));
            QCOMPARE(archive.fault(), ArchiveFault::TooLarge);
        }
        // The files together over the limit, each under it.
        {
            const QByteArray many = zipOf(
                {{QStringLiteral("a"), QByteArray(600 << 10, 'a')}, {QStringLiteral("b"), QByteArray(600 << 10, 'b')}});
            Archive archive(many, ArchiveLimits{100, 1 << 20, 1 << 20});
            QVERIFY(archive.read(QStringLiteral("a")));
            QCOMPARE(archive.fault(), ArchiveFault::None);
            QVERIFY(!archive.read(QStringLiteral("b")));
            QCOMPARE(archive.fault(), ArchiveFault::TooLarge);
        }
        // A declared size that lies does not get past the limit: the entry's
        // size field says 10 bytes, the data unpacks to 4 MB.
        for (const bool found : {false, true}) {
            // Found (to be unpacked on another thread), it is not unpacked
            // there, and is then read as read() reads it.
            Archive archive(withDeclaredSize(bomb, "bomb.txt", 10), ArchiveLimits{100, 1 << 20, 8 << 20});
            const QString name = QStringLiteral("bomb.txt");
            std::optional<Archive::Packed> packed = found ? archive.find(name) : std::nullopt;
            QCOMPARE(packed.has_value(), found);
            QVERIFY(!(found ? Archive::unpack(*packed) : archive.read(name)));
            QVERIFY(!found || !archive.readAgain(*packed, name));
            QVERIFY(archive.fault() == ArchiveFault::TooLarge || archive.fault() == ArchiveFault::Damaged);
        }
        // One that says less than it holds, within the limit, comes whole.
        {
            QByteArray text;
            for (int i = 0; i < 20000; ++i)
                text += QByteArray::number(i * 7919 % 10007) + ' ';
            const QByteArray liar = withDeclaredSize(zipOf({{QStringLiteral("grown.txt"), text}}), "grown.txt", 10);
            Archive archive(liar, ArchiveLimits{100, 1 << 20, 8 << 20});
            QCOMPARE(archive.read(QStringLiteral("grown.txt")).value_or(QByteArray()), text);
            Archive again(liar, ArchiveLimits{100, 1 << 20, 8 << 20});
            const std::optional<Archive::Packed> packed = again.find(QStringLiteral("grown.txt"));
            QVERIFY(packed && !Archive::unpack(*packed));
            QCOMPARE(again.readAgain(*packed, QStringLiteral("grown.txt")).value_or(QByteArray()), text);
        }
        // Files found are counted at once: together they never pass the
        // limit, whichever thread unpacks them; a damaged one is found and
        // then read again, and says so.
        {
            const QByteArray many = zipOf({{QStringLiteral("a"), QByteArray(600 << 10, 'a')},
                                           {QStringLiteral("b"), QByteArray(600 << 10, 'b')},
                                           {QStringLiteral("c"), "stored", 0, true}});
            Archive archive(many, ArchiveLimits{100, 1 << 20, 1 << 20});
            const std::optional<Archive::Packed> a = archive.find(QStringLiteral("a"));
            QVERIFY(a && !archive.find(QStringLiteral("b")));
            QCOMPARE(archive.fault(), ArchiveFault::TooLarge);
            QCOMPARE(Archive::unpack(*a).value_or(QByteArray()), QByteArray(600 << 10, 'a'));
            const std::optional<Archive::Packed> c = archive.find(QStringLiteral("c"));
            QVERIFY(c && !c->deflated);
            QCOMPARE(Archive::unpack(*c).value_or(QByteArray()), QByteArray("stored"));
            QVERIFY(!archive.find(QStringLiteral("none")));

            QByteArray changed = many;
            changed.replace("stored", "storeD");
            Archive damaged(changed);
            const std::optional<Archive::Packed> d = damaged.find(QStringLiteral("c"));
            QVERIFY(d && !Archive::unpack(*d) && !damaged.readAgain(*d, QStringLiteral("c")));
            QCOMPARE(damaged.fault(), ArchiveFault::Damaged);
        }
        // More entries than allowed: refused on opening, whatever they are.
        {
            QList<ZipEntry> entries;
            for (int i = 0; i < 10001; ++i)
                entries.append({QStringLiteral("f%1/").arg(i % 3 == 0 ? i : 0) + QString::number(i), QByteArray()});
            Archive archive(zipOf(entries), ArchiveLimits{10000, 1 << 20, 1 << 20});
            QVERIFY(!archive.isOpen());
            QCOMPARE(archive.fault(), ArchiveFault::TooManyEntries);
            QVERIFY(archive.names().isEmpty());
            // Folders count too: a listing of 10,001 folders is as long.
            QList<ZipEntry> folders;
            for (int i = 0; i < 10001; ++i)
                folders.append({QStringLiteral("d%1/").arg(i), QByteArray()});
            Archive foldersOnly(zipOf(folders), ArchiveLimits{10000, 1 << 20, 1 << 20});
            QCOMPARE(foldersOnly.fault(), ArchiveFault::TooManyEntries);
        }
        // A nested archive unpacks within what its outer one has left.
        {
            const QByteArray inner = zipOf({{QStringLiteral("x"), QByteArray(700 << 10, 'x')}});
            const QByteArray outer = zipOf({{QStringLiteral("1.zip"), inner}, {QStringLiteral("2.zip"), inner}});
            Archive archive(outer, ArchiveLimits{100, 1 << 20, 1200 << 10});
            std::unique_ptr<Archive> first = archive.nested(QStringLiteral("1.zip"));
            QVERIFY(first && first->read(QStringLiteral("x")));
            std::unique_ptr<Archive> second = archive.nested(QStringLiteral("2.zip"));
            QVERIFY(second && second->isOpen());
            QVERIFY(!second->read(QStringLiteral("x")));
            QCOMPARE(second->fault(), ArchiveFault::TooLarge);
        }
    }

    // A long listing is read in two halves side by side: the files come in
    // their order, each found where it stands, also where the names hold
    // the bytes that start an entry of the listing (where the look for the
    // second half's start lands on one).
    void longListings()
    {
        QList<ZipEntry> entries;
        QStringList names;
        for (int i = 0; i < 1500; ++i) {
            names << QStringLiteral("%1 Soup/recipe.json").arg(i);
            entries.append({names.back(), QByteArray::number(i), 0, i % 2 == 0});
        }
        Archive archive(zipOf(entries));
        QCOMPARE(archive.names(), names);
        for (int i : {0, 700, 750, 800, 1499}) {
            QCOMPARE(archive.read(names[i]).value_or(QByteArray()), QByteArray::number(i));
            QCOMPARE(archive.read(names[i].toUpper(), true).value_or(QByteArray()), QByteArray::number(i));
            const std::optional<Archive::Packed> found = archive.find(names[i]);
            QVERIFY(found);
            QCOMPARE(Archive::unpack(*found).value_or(QByteArray()), QByteArray::number(i));
        }
        // Names made of those bytes (left out: they hold control characters).
        const QString signature = QString::fromLatin1("PK\x01\x02").repeated(60);
        QList<ZipEntry> odd{{QStringLiteral("first.txt"), "first"}};
        for (int i = 0; i < 900; ++i)
            odd.append({QStringLiteral("x%1").arg(i, 3, 10, QLatin1Char('0')) + signature, "odd"});
        odd.append({QStringLiteral("last.txt"), "last"});
        Archive oddNames(zipOf(odd));
        QCOMPARE(oddNames.names(), QStringList({QStringLiteral("first.txt"), QStringLiteral("last.txt")}));
        QCOMPARE(oddNames.leftOut(), 900);
        QCOMPARE(oddNames.read(QStringLiteral("last.txt")).value_or(QByteArray()), QByteArray("last"));
    }

    void archiveNames()
    {
        QCOMPARE(safeEntryName(QStringLiteral("a\\b/./c.json")), QStringLiteral("a/b/c.json"));
        QCOMPARE(safeEntryName(QStringLiteral("a//b/c.json/")), QStringLiteral("a/b/c.json"));
        QCOMPARE(safeEntryName(QStringLiteral("./a/.b/..c")), QStringLiteral("a/.b/..c"));
        QCOMPARE(safeEntryName(QString::fromUtf8("Crème/brûlée.json")), QString::fromUtf8("Crème/brûlée.json"));
        for (const char* bad :
             {"../x", "a/../../x", "/etc/passwd", "C:x", "\\\\server\\x", "a/\x01.txt", "a/x\x7f", "..", ""})
            QVERIFY2(safeEntryName(QString::fromLatin1(bad)).isEmpty(), bad);
        for (const char* junk : {"__MACOSX/a/b.json", "a/._b.json", "._b.json", "a/.DS_Store"})
            QVERIFY2(junkEntry(QString::fromLatin1(junk)), junk);
        for (const char* kept : {"a/__MACOSX/b.json", "a._b.json", "a/b._c.json", ".b.json"})
            QVERIFY2(!junkEntry(QString::fromLatin1(kept)), kept);

        const QByteArray zip = zipOf({{QStringLiteral("../escape.json"), "{}"},
                                      {QStringLiteral("/abs.json"), "{}"},
                                      {QStringLiteral("folder/"), QByteArray()},
                                      {QStringLiteral("link.json"), "/etc/passwd", 0120777},
                                      {QStringLiteral("Folder/Good.JSON"), "good"},
                                      {QStringLiteral("folder/good.json"), "second of that name folded"},
                                      {QString::fromUtf8("Crème/brûlée.json"), "sweet"}});
        Archive archive(zip);
        QCOMPARE(archive.names(), (QStringList{QStringLiteral("Folder/Good.JSON"), QStringLiteral("folder/good.json"),
                                               QString::fromUtf8("Crème/brûlée.json")}));
        QCOMPARE(archive.read(QString::fromUtf8("crème/BRÛLÉE.json"), true).value_or(QByteArray()),
                 QByteArray("sweet"));
        QCOMPARE(archive.leftOut(), 3);
        QVERIFY(!archive.read(QStringLiteral("link.json")));
        QCOMPARE(archive.read(QStringLiteral("folder/GOOD.json"), true).value_or(QByteArray()), QByteArray("good"));
        QCOMPARE(archive.read(QStringLiteral("folder/good.json")).value_or(QByteArray()),
                 QByteArray("second of that name folded"));
    }

    void damagedArchivesAndStreams()
    {
        const QByteArray zip = zipOf({{QStringLiteral("a.txt"), QByteArray(5000, 'a') + "end"}});
        // Cut: the listing at the end is gone.
        Archive cut(zip.left(zip.size() / 2));
        QVERIFY(!cut.isOpen());
        QCOMPARE(cut.fault(), ArchiveFault::NotArchive);
        // A byte of the packed data changed: the check sum tells.
        QByteArray changed = zip;
        changed[40] = char(changed[40] ^ 0x55);
        Archive damaged(changed);
        QVERIFY(damaged.isOpen());
        QVERIFY(!damaged.read(QStringLiteral("a.txt")));
        QCOMPARE(damaged.fault(), ArchiveFault::Damaged);
        QVERIFY(!Archive(QByteArray("PK\x03\x04 not really")).isOpen());
        // A file stored as it is reads back as it is; changed, its check sum tells.
        const QByteArray kept = zipOf({{QStringLiteral("kept.txt"), "stored as it is", 0, true}});
        QCOMPARE(Archive(kept).read(QStringLiteral("kept.txt")).value_or(QByteArray()), "stored as it is");
        QByteArray keptChanged = kept;
        keptChanged.replace("stored as", "stored at");
        Archive keptDamaged(keptChanged);
        QVERIFY(!keptDamaged.read(QStringLiteral("kept.txt")));
        QCOMPARE(keptDamaged.fault(), ArchiveFault::Damaged);

        const QByteArray text = QByteArray(100000, 'z') + "tail";
        const QByteArray gz = gzipOf(text);
        QCOMPARE(gunzip(gz).value_or(QByteArray()), text);
        QCOMPARE(gunzip(gz + gzipOf("more")).value_or(QByteArray()), text + "more");
        QVERIFY(!gunzip(gz.left(gz.size() - 9))); // truncated before its end
        QVERIFY(!gunzip(gz.left(gz.size() / 2))); // truncated inside the data
        QVERIFY(!gunzip(gz, 50000));              // larger than the limit
        QVERIFY(!gunzip(QByteArray("\x1f\x8b"))); // a header alone
        QByteArray garbled = gz;
        garbled[12] = char(garbled[12] ^ 0xff);
        QVERIFY(!gunzip(garbled));
    }

    void paprika()
    {
        QTemporaryDir dir;
        QJsonObject second = paprikaRecipe(QStringLiteral("Second"));
        second.insert(QStringLiteral("photo_data"), QString::fromLatin1(QByteArray("not a picture").toBase64()));
        second.insert(QStringLiteral("categories"), QJsonArray());
        second.insert(QStringLiteral("rating"), 0);
        const QByteArray zip = zipOf({{QStringLiteral("Loaf.paprikarecipe"), gzipOf(json(paprikaRecipe("Loaf")))},
                                      {QStringLiteral("__MACOSX/._Loaf.paprikarecipe"), "junk"},
                                      {QStringLiteral("Second.paprikarecipe"), gzipOf(json(second))},
                                      {QStringLiteral("Broken.paprikarecipe"), gzipOf("{not json")}});
        const Read read = readFile(writeIn(dir, QStringLiteral("All.paprikarecipes"), zip));
        QCOMPARE(read.file.kind, ImportKind::Paprika);
        QCOMPARE(read.list.count(), 2);
        QCOMPARE(read.file.unreadable, QVector<int>{3});
        const Recipe& r = read[0];
        QCOMPARE(r.title, QStringLiteral("Loaf"));
        QCOMPARE(r.category, QStringLiteral("Bread"));
        QCOMPARE(r.yield, QStringLiteral("4 servings"));
        QCOMPARE(r.preptime, QStringLiteral("15 mins"));
        QCOMPARE(r.cooktime, QStringLiteral("20 mins"));
        QCOMPARE(r.ing, QStringLiteral("For the dough:\n2 cups flour\n1 tsp salt\n\nFor the top:\n1 egg"));
        QCOMPARE(r.prep, QStringLiteral("Mix the flour\nand the salt.\n\nBake 20 minutes."));
        QCOMPARE(r.other, QStringLiteral("A plain loaf.\n\nKeeps a week.\n\nCategories: Bread, Baking\n"
                                         "Total time: 35 mins\nDifficulty: Easy\nRating: 4\nSource: Example.com\n"
                                         "Web page: https://example.com/loaf\nNutrition: Calories: 200\nFat: 3 g"));
        QVERIFY(read.hasPicture(0));
        // No picture where the file held none that was one; no rating of 0.
        QCOMPARE(read.file.notPictures, 1);
        QVERIFY(read[1].image.isEmpty());
        QCOMPARE(read[1].category, QStringLiteral("Imported"));
        QVERIFY(!read[1].other.contains(QStringLiteral("Rating")));

        // One recipe alone, gzip-compressed; and as plain JSON.
        const Read alone = readFile(writeIn(dir, QStringLiteral("Loaf.paprikarecipe"), gzipOf(json(second))));
        QCOMPARE(alone.file.kind, ImportKind::Paprika);
        QCOMPARE(alone[0].title, QStringLiteral("Second"));
        QCOMPARE(alone.file.notPictures, 1);
        QJsonObject plain = paprikaRecipe(QStringLiteral("Plain"));
        plain.remove(QStringLiteral("photo_data"));
        const Read json1 = readFile(writeIn(dir, QStringLiteral("x.paprikarecipe.json"), json(plain)));
        QCOMPARE(json1.file.kind, ImportKind::Paprika);
        // Without the picture itself, its address stays in the notes.
        QVERIFY(json1[0].other.endsWith(QStringLiteral("\nPicture: https://example.com/loaf.jpg")));

        // JSON written carelessly (a comma after the last field), which
        // another parser reads, gives the same recipe.
        QByteArray careless = json(paprikaRecipe(QStringLiteral("Loaf")));
        careless.insert(careless.lastIndexOf("\n}"), ',');
        const Read cleaned = readFile(writeIn(dir, QStringLiteral("Careless.paprikarecipe"), gzipOf(careless)));
        QCOMPARE(cleaned.list.count(), 1);
        for (const auto field : {&Recipe::title, &Recipe::category, &Recipe::yield, &Recipe::preptime,
                                 &Recipe::cooktime, &Recipe::ing, &Recipe::prep, &Recipe::other})
            QCOMPARE(cleaned[0].*field, r.*field);
        QVERIFY(cleaned.hasPicture(0));
    }

    void nextcloud()
    {
        const QJsonObject withPicture{{QStringLiteral("@context"), QStringLiteral("http://schema.org")},
                                      {QStringLiteral("@type"), QStringLiteral("Recipe")},
                                      {QStringLiteral("name"), QStringLiteral("Soup")},
                                      {QStringLiteral("id"), QStringLiteral("12")},
                                      {QStringLiteral("recipeYield"), 4},
                                      {QStringLiteral("prepTime"), QStringLiteral("PT0H15M")},
                                      {QStringLiteral("image"), QStringLiteral("https://example.com/soup.jpg")},
                                      {QStringLiteral("recipeIngredient"), QJsonArray{QStringLiteral("1 leek")}},
                                      {QStringLiteral("recipeInstructions"), QJsonArray{QStringLiteral("Boil.")}}};
        QJsonObject without = withPicture;
        without.insert(QStringLiteral("name"), QStringLiteral("Stew"));
        const QByteArray zip = zipOf({{QStringLiteral("Soup/recipe.json"), json(withPicture)},
                                      {QStringLiteral("Soup/full.jpg"), picture("JPEG")},
                                      {QStringLiteral("Soup/thumb.jpg"), "thumb"},
                                      {QStringLiteral("Stew/recipe.json"), json(without)}});
        QTemporaryDir dir;
        // A file that says it unpacks to less than it does comes all the
        // same, in its place.
        const Read read = readFile(
            writeIn(dir, QStringLiteral("cookbook.zip"), withDeclaredSize(zip, "Soup/recipe.json", 100)));
        QCOMPARE(read.file.kind, ImportKind::Nextcloud);
        QCOMPARE(read.list.count(), 2);
        QCOMPARE(read[0].title, QStringLiteral("Soup"));
        QCOMPARE(read[0].preptime, QStringLiteral("15 min"));
        QCOMPARE(read[0].ing, QStringLiteral("1 leek"));
        QVERIFY(read.hasPicture(0));
        QCOMPARE(read.file.notPictures, 0);
        QVERIFY(read[1].image.isEmpty());
        QVERIFY(read[1].other.contains(QStringLiteral("Picture: https://example.com/soup.jpg")));

        // A recipe.json picked from its folder: the folder's full.jpg.
        const QString path = writeIn(dir, QStringLiteral("Soup/recipe.json"), json(withPicture));
        writeIn(dir, QStringLiteral("Soup/full.jpg"), picture("JPEG"));
        const Read picked = readFile(path);
        QCOMPARE(picked.file.kind, ImportKind::Nextcloud);
        QCOMPARE(picked[0].image, QStringLiteral("full.jpg"));
        QCOMPARE(QDir(picked.file.pictureFolder), QDir(dir.filePath(QStringLiteral("Soup"))));
    }

    void mealie()
    {
        const QJsonObject recipe{
            {QStringLiteral("name"), QStringLiteral("Pizza")},
            {QStringLiteral("slug"), QStringLiteral("pizza")},
            {QStringLiteral("description"), QStringLiteral("Thin and crisp.")},
            {QStringLiteral("recipe_category"), QJsonArray{QStringLiteral("Dinner"), QStringLiteral("Italian")}},
            {QStringLiteral("tags"), QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("oven")}}}},
            {QStringLiteral("rating"), QJsonValue()},
            {QStringLiteral("recipe_yield"), QStringLiteral("2 pizzas")},
            {QStringLiteral("prep_time"), QStringLiteral("1 Day")},
            {QStringLiteral("perform_time"), QStringLiteral("10-15 Minutes")},
            {QStringLiteral("total_time"), QJsonValue()},
            {QStringLiteral("org_url"), QStringLiteral("https://example.com/pizza")},
            {QStringLiteral("recipe_ingredient"),
             QJsonArray{
                 QJsonObject{{QStringLiteral("title"), QStringLiteral("Dough")},
                             {QStringLiteral("note"), QStringLiteral("240 g flour")},
                             {QStringLiteral("disable_amount"), true},
                             {QStringLiteral("quantity"), 1}},
                 QJsonObject{{QStringLiteral("title"), QJsonValue()},
                             {QStringLiteral("note"), QStringLiteral("sifted")},
                             {QStringLiteral("unit"), QJsonObject{{QStringLiteral("name"), QStringLiteral("cup")}}},
                             {QStringLiteral("food"), QJsonObject{{QStringLiteral("name"), QStringLiteral("rye")}}},
                             {QStringLiteral("disable_amount"), false},
                             {QStringLiteral("quantity"), 1.5}}}},
            {QStringLiteral("recipe_instructions"),
             QJsonArray{
                 QJsonObject{{QStringLiteral("title"), QStringLiteral("Preparation")},
                             {QStringLiteral("text"), QStringLiteral("Mix.")}},
                 QJsonObject{{QStringLiteral("title"), QString()}, {QStringLiteral("text"), QStringLiteral("Bake.")}}}},
            {QStringLiteral("notes"),
             QJsonArray{QJsonObject{{QStringLiteral("title"), QStringLiteral("Tip")},
                                    {QStringLiteral("text"), QStringLiteral("Use a stone.")}}}},
            {QStringLiteral("nutrition"), QJsonObject{{QStringLiteral("calories"), QJsonValue()},
                                                      {QStringLiteral("fat_content"), QStringLiteral("12")}}},
        };
        const QByteArray zip = zipOf({{QStringLiteral("mealie_2021/recipes/pizza/pizza.json"), json(recipe)},
                                      {QStringLiteral("__MACOSX/mealie_2021/recipes/pizza/._pizza.json"), "junk"},
                                      {QStringLiteral("mealie_2021/recipes/pizza/images/original.webp"), picture()},
                                      {QStringLiteral("mealie_2021/recipes/pizza/images/tiny-original.webp"), "x"}});
        QTemporaryDir dir;
        const Read read = readFile(writeIn(dir, QStringLiteral("mealie.zip"), zip));
        QCOMPARE(read.file.kind, ImportKind::Mealie);
        QCOMPARE(read.list.count(), 1);
        const Recipe& r = read[0];
        QCOMPARE(r.category, QStringLiteral("Dinner"));
        QCOMPARE(r.yield, QStringLiteral("2 pizzas"));
        QCOMPARE(r.preptime, QStringLiteral("1 Day"));
        QCOMPARE(r.cooktime, QStringLiteral("10-15 Minutes"));
        QCOMPARE(r.ing, QStringLiteral("Dough\n240 g flour\n1 1/2 cup rye sifted"));
        QCOMPARE(r.prep, QStringLiteral("Preparation\n\nMix.\n\nBake."));
        QCOMPARE(r.other, QStringLiteral("Thin and crisp.\n\nTip\nUse a stone.\n\nCategories: Dinner, Italian\n"
                                         "Keywords: oven\nWeb page: https://example.com/pizza\nNutrition: fat 12"));
        QVERIFY(read.hasPicture(0));
    }

    void mealieBackup()
    {
        // Since version 1 Mealie's export is a backup of its tables: a
        // recipe's ingredients, steps, categories, tags, notes and
        // nutrition each in a table of their own, joined by its id (written
        // with dashes in one place and without in another), in the order
        // of their position; units and foods by id; the picture in
        // data/recipes/<id>/images/.
        auto row = [](std::initializer_list<std::pair<const char*, QJsonValue>> fields) {
            QJsonObject o;
            for (const auto& [key, value] : fields)
                o.insert(QLatin1String(key), value);
            return o;
        };
        const QString soup = QStringLiteral("5e0f1a2b-3c4d-4e5f-8a9b-0c1d2e3f4a5b");
        const QString soupPlain = QString(soup).remove(QLatin1Char('-'));
        const QString bread = QStringLiteral("9a8b7c6d-5e4f-4a3b-9c2d-1e0f9a8b7c6d");
        const QJsonObject db{
            {QStringLiteral("alembic_version"), QJsonArray{row({{"version_num", "3897397b4631"}})}},
            {QStringLiteral("recipes"),
             QJsonArray{row({{"id", soup},
                             {"name", "Leek soup"},
                             {"slug", "leek-soup"},
                             {"description", "Silky."},
                             {"recipe_yield", "4 bowls"},
                             {"prep_time", "10 minutes"},
                             {"perform_time", "30 minutes"},
                             {"total_time", "40 minutes"},
                             {"org_url", "https://example.com/leek"},
                             {"rating", 4}}),
                        row({{"id", bread}, {"name", "Flatbread"}, {"recipe_servings", 2}})}},
            {QStringLiteral("ingredient_units"), QJsonArray{row({{"id", "u1"}, {"name", "g"}})}},
            {QStringLiteral("ingredient_foods"), QJsonArray{row({{"id", "f1"}, {"name", "leeks"}})}},
            {QStringLiteral("recipes_ingredients"),
             QJsonArray{
                 row({{"recipe_id", soupPlain}, {"position", 1}, {"note", "salt to taste"}, {"disable_amount", true}}),
                 row({{"recipe_id", soup},
                      {"position", 0},
                      {"title", "Soup"},
                      {"unit_id", "u1"},
                      {"food_id", "f1"},
                      {"quantity", 500},
                      {"note", "sliced"},
                      {"disable_amount", false}}),
                 row({{"recipe_id", bread}, {"position", 0}, {"original_text", "200 g flour"}})}},
            {QStringLiteral("recipe_instructions"),
             QJsonArray{row({{"recipe_id", soup}, {"position", 1}, {"text", "Blend."}}),
                        row({{"recipe_id", soup}, {"position", 0}, {"title", ""}, {"text", "Sweat the leeks."}})}},
            {QStringLiteral("categories"),
             QJsonArray{row({{"id", "c1"}, {"name", "Soups"}}), row({{"id", "c2"}, {"name", "Winter"}})}},
            {QStringLiteral("recipes_to_categories"), QJsonArray{row({{"recipe_id", soup}, {"category_id", "c1"}}),
                                                                 row({{"recipe_id", soup}, {"category_id", "c2"}})}},
            {QStringLiteral("tags"), QJsonArray{row({{"id", "t1"}, {"name", "quick"}})}},
            {QStringLiteral("recipes_to_tags"), QJsonArray{row({{"recipe_id", soup}, {"tag_id", "t1"}})}},
            {QStringLiteral("notes"),
             QJsonArray{row({{"id", "n1"}, {"recipe_id", soup}, {"title", "Tip"}, {"text", "Use the greens."}})}},
            {QStringLiteral("recipe_nutrition"),
             QJsonArray{row({{"id", "x1"}, {"recipe_id", soup}, {"calories", "120"}, {"fat_content", QJsonValue()}})}}};
        const QByteArray zip = zipOf(
            {{QStringLiteral("database.json"), json(db)},
             {QStringLiteral(".secret"), "x"},
             {QStringLiteral("data/recipes/") + soup + QStringLiteral("/images/original.webp"), picture()},
             {QStringLiteral("data/recipes/") + soup + QStringLiteral("/images/min-original.webp"), "x"}});
        QTemporaryDir dir;
        const Read read = readFile(writeIn(dir, QStringLiteral("mealie_2024.10.01.zip"), zip));
        QCOMPARE(read.file.kind, ImportKind::Mealie);
        QCOMPARE(read.list.count(), 2);
        QCOMPARE(fieldsOf(read[0]),
                 QStringList({"Leek soup", "Soups", "4 bowls", "10 minutes", "30 minutes",
                              "Soup\n500 g leeks sliced\nsalt to taste", "Sweat the leeks.\n\nBlend."}));
        QCOMPARE(read[0].other, QStringLiteral("Silky.\n\nTip\nUse the greens.\n\nCategories: Soups, Winter\n"
                                               "Keywords: quick\nTotal time: 40 minutes\nRating: 4\n"
                                               "Web page: https://example.com/leek\nNutrition: calories 120"));
        QVERIFY(read.hasPicture(0));
        QCOMPARE(fieldsOf(read[1]), QStringList({"Flatbread", "Imported", "2", "", "", "200 g flour", ""}));
        QVERIFY(read[1].image.isEmpty());
        // Another program's backup with a database.json is none of Mealie's.
        const Read other = readFile(writeIn(dir, QStringLiteral("backup.zip"),
                                            zipOf({{QStringLiteral("database.json"), "{\"recipes\": []}"}})));
        QVERIFY(other.file.kind != ImportKind::Mealie);
    }

    void tandoor()
    {
        auto ingredient = [](double amount, const QString& unit, const QString& food, const QString& note,
                             bool header = false) {
            return QJsonObject{
                {QStringLiteral("food"), food.isEmpty() ? QJsonValue() : QJsonObject{{QStringLiteral("name"), food}}},
                {QStringLiteral("unit"), unit.isEmpty() ? QJsonValue() : QJsonObject{{QStringLiteral("name"), unit}}},
                {QStringLiteral("amount"), amount},
                {QStringLiteral("note"), note},
                {QStringLiteral("is_header"), header},
                {QStringLiteral("no_amount"), amount == 0}};
        };
        const QJsonObject chili{
            {QStringLiteral("name"), QStringLiteral("Chili")},
            {QStringLiteral("description"), QStringLiteral("Hot.")},
            {QStringLiteral("keywords"),
             QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("Tex-Mex")}},
                        QJsonObject{{QStringLiteral("name"), QStringLiteral("Course: Main")}}}},
            {QStringLiteral("working_time"), 90},
            {QStringLiteral("waiting_time"), 0},
            {QStringLiteral("servings"), 6},
            {QStringLiteral("servings_text"), QStringLiteral("bowls")},
            {QStringLiteral("steps"),
             QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("Paste")},
                                    {QStringLiteral("instruction"),
                                     QStringLiteral("Roast the chiles.\n\n### Tip\nKeep the seeds.")},
                                    {QStringLiteral("ingredients"),
                                     QJsonArray{ingredient(0, {}, {}, QStringLiteral("Chiles"), true),
                                                ingredient(2, QStringLiteral("oz"), QStringLiteral("dried chile"),
                                                           QStringLiteral("57 g"))}},
                                    {QStringLiteral("order"), 0}},
                        QJsonObject{{QStringLiteral("name"), QStringLiteral("Stew")},
                                    {QStringLiteral("instruction"), QStringLiteral("Brown the meat.")},
                                    {QStringLiteral("ingredients"),
                                     QJsonArray{ingredient(0.25, QStringLiteral("cup"), QStringLiteral("oil"), {}),
                                                ingredient(0, {}, QStringLiteral("Sour cream"), {})}},
                                    {QStringLiteral("order"), 1}}}},
        };
        const QByteArray one = zipOf(
            {{QStringLiteral("recipe.json"), json(chili)}, {QStringLiteral("image.jpeg"), picture("JPEG")}});
        const QByteArray all = zipOf({{QStringLiteral("1.zip"), one},
                                      {QStringLiteral("2.zip"), zipOf({{QStringLiteral("recipe.json"), "{}"}})},
                                      {QStringLiteral("3.zip"), one}});
        QTemporaryDir dir;
        const Read read = readFile(writeIn(dir, QStringLiteral("export.zip"), all));
        QCOMPARE(read.file.kind, ImportKind::Tandoor);
        QCOMPARE(read.list.count(), 2);
        QCOMPARE(read.file.unreadable, QVector<int>{2});
        const Recipe& r = read[0];
        QCOMPARE(r.title, QStringLiteral("Chili"));
        QCOMPARE(r.category, QStringLiteral("Imported"));
        QCOMPARE(r.yield, QStringLiteral("6 bowls"));
        QCOMPARE(r.preptime, QStringLiteral("1 h 30 min"));
        QVERIFY(r.cooktime.isEmpty());
        QCOMPARE(r.ing, QStringLiteral("Paste\nChiles\n2 oz dried chile, 57 g\nStew\n1/4 cup oil\nSour cream"));
        QCOMPARE(r.prep,
                 QStringLiteral("Paste\n\nRoast the chiles.\n\nTip\nKeep the seeds.\n\nStew\n\nBrown the meat."));
        QCOMPARE(r.other, QStringLiteral("Hot.\n\nKeywords: Tex-Mex, Course: Main"));
        QVERIFY(read.hasPicture(0) && read.hasPicture(1));

        // One recipe's zip alone.
        const Read alone = readFile(writeIn(dir, QStringLiteral("1.zip"), one));
        QCOMPARE(alone.file.kind, ImportKind::Tandoor);
        QCOMPARE(alone.list.count(), 1);
    }

    void melaAndCrouton()
    {
        const QJsonObject mela{
            {QStringLiteral("id"), QStringLiteral("example.com/recipe/bread")},
            {QStringLiteral("title"), QStringLiteral("Banana Bread")},
            {QStringLiteral("text"), QStringLiteral("Moist.")},
            {QStringLiteral("categories"), QJsonArray{QStringLiteral("Bread"), QStringLiteral("Sweet")}},
            {QStringLiteral("yield"), QStringLiteral("1 loaf")},
            {QStringLiteral("prepTime"), QStringLiteral("10 min")},
            {QStringLiteral("cookTime"), QStringLiteral("1 h")},
            {QStringLiteral("ingredients"), QStringLiteral("# Batter\n3 bananas\n2 eggs")},
            {QStringLiteral("instructions"), QStringLiteral("Mash the bananas.\nStir in the eggs.")},
            {QStringLiteral("notes"), QString()},
            {QStringLiteral("link"), QStringLiteral("https://example.com/recipe/bread")},
            {QStringLiteral("favorite"), true},
            {QStringLiteral("date"), 650827246.5},
            {QStringLiteral("images"), QJsonArray{QString::fromLatin1(picture("JPEG").toBase64())}}};
        QTemporaryDir dir;
        // Apple's writer escapes every '/'.
        QByteArray melaBytes = json(mela);
        melaBytes.replace("/", "\\/");
        const Read one = readFile(writeIn(dir, QStringLiteral("Bread.melarecipe"), melaBytes));
        QCOMPARE(one.file.kind, ImportKind::Mela);
        QCOMPARE(one[0].title, QStringLiteral("Banana Bread"));
        QCOMPARE(one[0].ing, QStringLiteral("Batter\n3 bananas\n2 eggs"));
        QCOMPARE(one[0].prep, QStringLiteral("Mash the bananas.\n\nStir in the eggs."));
        QCOMPARE(one[0].other,
                 QStringLiteral("Moist.\n\nCategories: Bread, Sweet\nWeb page: https://example.com/recipe/bread"));
        QVERIFY(one.hasPicture(0));
        const Read many = readFile(writeIn(
            dir, QStringLiteral("All.melarecipes"),
            zipOf({{QStringLiteral("Bread.melarecipe"), melaBytes}, {QStringLiteral("Other.melarecipe"), melaBytes}})));
        QCOMPARE(many.file.kind, ImportKind::Mela);
        QCOMPARE(many.list.count(), 2);

        auto step = [](int order, const QString& text, bool section) {
            return QJsonObject{{QStringLiteral("order"), order},
                               {QStringLiteral("step"), text},
                               {QStringLiteral("isSection"), section}};
        };
        auto ingredient = [](int order, const QString& name, const QString& type, double amount) {
            return QJsonObject{{QStringLiteral("order"), order},
                               {QStringLiteral("ingredient"), QJsonObject{{QStringLiteral("name"), name}}},
                               {QStringLiteral("quantity"), QJsonObject{{QStringLiteral("quantityType"), type},
                                                                        {QStringLiteral("amount"), amount}}}};
        };
        const QJsonObject crumb{
            {QStringLiteral("name"), QStringLiteral("Shortcake")},
            {QStringLiteral("serves"), 8},
            {QStringLiteral("duration"), 45},
            {QStringLiteral("cookingDuration"), 60},
            {QStringLiteral("webLink"), QStringLiteral("https://example.com/cake")},
            {QStringLiteral("sourceName"), QStringLiteral("example.com")},
            {QStringLiteral("neutritionalInfo"), QStringLiteral("Calories: 258")},
            {QStringLiteral("tags"), QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("Dessert")},
                                                            {QStringLiteral("color"), QStringLiteral("#3398EE")}}}},
            {QStringLiteral("folderIDs"), QJsonArray()},
            {QStringLiteral("images"), QJsonArray{QString::fromLatin1(QByteArray("no picture").toBase64())}},
            // Written out of order: the order field counts.
            {QStringLiteral("ingredients"),
             QJsonArray{ingredient(1, QStringLiteral("milk"), QStringLiteral("MILLS"), 60),
                        ingredient(0, QStringLiteral("large eggs"), QStringLiteral("ITEM"), 4),
                        ingredient(2, QStringLiteral("vanilla"), QStringLiteral("TEASPOON"), 0.5)}},
            {QStringLiteral("steps"),
             QJsonArray{step(1, QStringLiteral("Whisk the eggs."), false), step(0, QStringLiteral("Sponge"), true),
                        step(2, QStringLiteral("Bake."), false)}}};
        const Read cake = readFile(writeIn(dir, QStringLiteral("Cake.crumb"), json(crumb)));
        QCOMPARE(cake.file.kind, ImportKind::Crouton);
        const Recipe& r = cake[0];
        QCOMPARE(r.category, QStringLiteral("Dessert"));
        QCOMPARE(r.yield, QStringLiteral("8"));
        QCOMPARE(r.preptime, QStringLiteral("45 min"));
        QCOMPARE(r.cooktime, QStringLiteral("1 h"));
        QCOMPARE(r.ing, QStringLiteral("4 large eggs\n60 ml milk\n1/2 tsp vanilla"));
        QCOMPARE(r.prep, QStringLiteral("Sponge\n\nWhisk the eggs.\n\nBake."));
        QCOMPARE(r.other, QStringLiteral("Source: example.com\nWeb page: https://example.com/cake\n"
                                         "Nutrition: Calories: 258"));
        QCOMPARE(cake.file.notPictures, 1);
        QVERIFY(r.image.isEmpty());
    }

    void exportsOfOtherVersions()
    {
        // What real exports hold beside the fields above: older versions'
        // fields, numbers where others write text, lists of one written as
        // a text, CR LF line ends, empty lists, a zip with a folder at its
        // top and names in capitals.
        QTemporaryDir dir;
        // Paprika before 2018: no uid, hash or photos, a scale, servings as
        // a number, the rating as text, one category as a text, no photo.
        QJsonObject old = paprikaRecipe(QStringLiteral("Old Loaf"));
        for (const char* key : {"uid", "photos", "photo", "photo_data", "image_url", "nutritional_info"})
            old.remove(QLatin1String(key));
        old.insert(QStringLiteral("scale"), QJsonValue());
        old.insert(QStringLiteral("servings"), 4);
        old.insert(QStringLiteral("rating"), QStringLiteral("0"));
        old.insert(QStringLiteral("categories"), QStringLiteral("Bread"));
        old.insert(QStringLiteral("ingredients"), QStringLiteral("2 cups flour\r\n1 tsp salt\r\n"));
        QJsonObject bare{{QStringLiteral("name"), QStringLiteral("Just a name")},
                         {QStringLiteral("ingredients"), QString()},
                         {QStringLiteral("directions"), QJsonValue()},
                         {QStringLiteral("photo_data"), QJsonValue()}};
        const Read paprika = readFile(
            writeIn(dir, QStringLiteral("OLD.PAPRIKARECIPES"),
                    zipOf({{QStringLiteral("Paprika Export/OLD LOAF.PAPRIKARECIPE"), gzipOf(json(old))},
                           {QStringLiteral("Paprika Export/Just a name.paprikarecipe"), gzipOf(json(bare))}})));
        QCOMPARE(paprika.file.kind, ImportKind::Paprika);
        QCOMPARE(paprika.list.count(), 2);
        QCOMPARE(paprika[0].category, QStringLiteral("Bread"));
        QCOMPARE(paprika[0].yield, QStringLiteral("4"));
        QCOMPARE(paprika[0].ing, QStringLiteral("2 cups flour\n1 tsp salt"));
        QCOMPARE(paprika[0].other, QStringLiteral("A plain loaf.\n\nKeeps a week.\n\nTotal time: 35 mins\n"
                                                  "Difficulty: Easy\nSource: Example.com\n"
                                                  "Web page: https://example.com/loaf"));
        QVERIFY(paprika[0].image.isEmpty());
        QCOMPARE(paprika[1].title, QStringLiteral("Just a name"));
        QVERIFY(paprika[1].ing.isEmpty() && paprika[1].prep.isEmpty() && paprika[1].other.isEmpty());

        // Mela: the yield a number, no categories, no pictures, a UUID for
        // an id, CR LF lines; its zip with a folder at the top.
        const QJsonObject mela{{QStringLiteral("id"), QStringLiteral("0D8F1C2E-7A1B-4C9E-9B9A-2F0E6C1D3A4B")},
                               {QStringLiteral("title"), QStringLiteral("Flatbread")},
                               {QStringLiteral("yield"), 2},
                               {QStringLiteral("categories"), QJsonArray()},
                               {QStringLiteral("images"), QJsonArray()},
                               {QStringLiteral("ingredients"), QStringLiteral("200 g flour\r\nwater")},
                               {QStringLiteral("instructions"), QStringLiteral("Knead.\r\nBake.\r\n")},
                               {QStringLiteral("totalTime"), QStringLiteral("30 min")}};
        const Read melas = readFile(writeIn(dir, QStringLiteral("Recipes.MELARECIPES"),
                                            zipOf({{QStringLiteral("Mela/Flatbread.melarecipe"), json(mela)},
                                                   {QStringLiteral("Mela/.DS_Store"), "x"}})));
        QCOMPARE(melas.file.kind, ImportKind::Mela);
        QCOMPARE(melas.list.count(), 1);
        QCOMPARE(fieldsOf(melas[0]),
                 QStringList({"Flatbread", "Imported", "2", "", "", "200 g flour\nwater", "Knead.\n\nBake."}));
        QCOMPARE(melas[0].other, QStringLiteral("Total time: 30 min"));

        // Crouton: minutes as text, an ingredient without a quantity, no
        // pictures, no tags, steps without an order.
        const QJsonObject crumb{
            {QStringLiteral("name"), QStringLiteral("Salad")},
            {QStringLiteral("duration"), QStringLiteral("15")},
            {QStringLiteral("folderIDs"), QJsonArray()},
            {QStringLiteral("ingredients"),
             QJsonArray{QJsonObject{{QStringLiteral("ingredient"),
                                     QJsonObject{{QStringLiteral("name"), QStringLiteral("Salt to taste")}}}}}},
            {QStringLiteral("steps"), QJsonArray{QJsonObject{{QStringLiteral("step"), QStringLiteral("Toss.")}},
                                                 QJsonObject{{QStringLiteral("step"), QStringLiteral("Eat.")}}}}};
        const Read salad = readFile(writeIn(dir, QStringLiteral("Salad.CRUMB"), json(crumb)));
        QCOMPARE(salad.file.kind, ImportKind::Crouton);
        QCOMPARE(fieldsOf(salad[0]),
                 QStringList({"Salad", "Imported", "", "15 min", "", "Salt to taste", "Toss.\n\nEat."}));
        // Several recipes shared at once: a zip of .crumb files.
        const Read shared = readFile(writeIn(dir, QStringLiteral("Recipes.zip"),
                                             zipOf({{QStringLiteral("Salad.crumb"), json(crumb)},
                                                    {QStringLiteral("Soup.crumb"), json(crumb)},
                                                    {QStringLiteral("notes.txt"), "x"}})));
        QCOMPARE(shared.file.kind, ImportKind::Crouton);
        QCOMPARE(shared.list.count(), 2);

        // Tandoor: the recipes' zips in a folder, times as text, a step
        // without ingredients, an amount without a unit, a PNG picture.
        const QJsonObject soup{
            {QStringLiteral("name"), QStringLiteral("Soup")},
            {QStringLiteral("working_time"), QStringLiteral("20")},
            {QStringLiteral("waiting_time"), QStringLiteral("0")},
            {QStringLiteral("servings"), 0},
            {QStringLiteral("keywords"), QJsonArray()},
            {QStringLiteral("steps"),
             QJsonArray{QJsonObject{{QStringLiteral("instruction"), QStringLiteral("Chop.")},
                                    {QStringLiteral("ingredients"),
                                     QJsonArray{QJsonObject{
                                         {QStringLiteral("food"), QJsonObject{{QStringLiteral("name"), "leeks"}}},
                                         {QStringLiteral("unit"), QJsonValue()},
                                         {QStringLiteral("amount"), 3}}}}},
                        QJsonObject{{QStringLiteral("instruction"), QStringLiteral("Simmer.")},
                                    {QStringLiteral("ingredients"), QJsonArray()}}}}};
        const Read tandoor = readFile(writeIn(
            dir, QStringLiteral("export.zip"),
            zipOf({{QStringLiteral("export/1.zip"),
                    zipOf({{QStringLiteral("recipe.json"), json(soup)}, {QStringLiteral("image.png"), picture()}})}})));
        QCOMPARE(tandoor.file.kind, ImportKind::Tandoor);
        QCOMPARE(fieldsOf(tandoor[0]),
                 QStringList({"Soup", "Imported", "", "20 min", "", "3 leeks", "Chop.\n\nSimmer."}));
        QVERIFY(tandoor.hasPicture(0));

        // Mealie's first exports: ingredients and steps as texts, the
        // yield a number, no pictures.
        const QJsonObject stew{
            {QStringLiteral("name"), QStringLiteral("Stew")},
            {QStringLiteral("recipe_yield"), 6},
            {QStringLiteral("recipe_category"), QJsonArray{QStringLiteral("Dinner")}},
            {QStringLiteral("recipe_ingredient"), QJsonArray{QStringLiteral("1 kg beef"), QStringLiteral("2 onions")}},
            {QStringLiteral("recipe_instructions"), QJsonArray{QStringLiteral("Brown."), QStringLiteral("Stew.")}}};
        const Read mealie = readFile(writeIn(dir, QStringLiteral("mealie.zip"),
                                             zipOf({{QStringLiteral("recipes/stew/stew.json"), json(stew)}})));
        QCOMPARE(mealie.file.kind, ImportKind::Mealie);
        QCOMPARE(fieldsOf(mealie[0]),
                 QStringList({"Stew", "Dinner", "6", "", "", "1 kg beef\n2 onions", "Brown.\n\nStew."}));
        QVERIFY(mealie[0].image.isEmpty());
    }

    void otherFilesLeftAlone()
    {
        QTemporaryDir dir;
        // schema.org JSON, even one with a "directions" field, stays with its reader.
        const QJsonObject page{{QStringLiteral("@type"), QStringLiteral("Recipe")},
                               {QStringLiteral("name"), QStringLiteral("Salad")},
                               {QStringLiteral("directions"), QStringLiteral("none")},
                               {QStringLiteral("recipeIngredient"), QJsonArray{QStringLiteral("1 lettuce")}}};
        QCOMPARE(readFile(writeIn(dir, QStringLiteral("salad.json"), json(page))).file.kind, ImportKind::WebPage);
        // A recipe.json without a picture beside it is schema.org JSON as any.
        QCOMPARE(readFile(writeIn(dir, QStringLiteral("Salad/recipe.json"), json(page))).file.kind,
                 ImportKind::WebPage);
        // A gzip stream of something else, and one damaged.
        QCOMPARE(readFile(writeIn(dir, QStringLiteral("x.gz"), gzipOf("MMMMM"))).file.kind, ImportKind::None);
        QCOMPARE(readFile(writeIn(dir, QStringLiteral("y.paprikarecipe"), gzipOf(json(paprikaRecipe("A"))).left(40)))
                     .file.kind,
                 ImportKind::None);
        // A zip none of the readers knows says so, by the file's name.
        const QString unknown = writeIn(dir, QStringLiteral("photos.zip"),
                                        zipOf({{QStringLiteral("a.jpg"), picture()}}));
        const Read read = readFile(unknown);
        QCOMPARE(read.file.kind, ImportKind::None);
        QCOMPARE(read.file.archiveFault, ArchiveFault::NotArchive);
        QVERIFY(archiveFaultText(read.file, unknown).contains(QStringLiteral("photos.zip")));
        // A hostile one that the readers would know: the archive's fault.
        QList<ZipEntry> bomb{{QStringLiteral("a.paprikarecipe"), QByteArray(80 << 20, ' ')}};
        const Read big = readFile(writeIn(dir, QStringLiteral("big.paprikarecipes"), zipOf(bomb)));
        QCOMPARE(big.file.kind, ImportKind::None);
        QCOMPARE(big.file.archiveFault, ArchiveFault::TooLarge);
        QCOMPARE(archiveFaultMessage(big.file.archiveFault), Str::ArchiveTooLarge);
    }
};

QTEST_MAIN(TestReadersA)
#include "tst_readersA.moc"
