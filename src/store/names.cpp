#include "store/names.h"

#include "resources/strings.h"
#include "store/charscan.h"
#include "store/recipebook.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace bd {

const QString kForbiddenNameChars = QStringLiteral("\"'?\\/:*|<>");

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

bool nameAllowed(const QString& s)
{
    return std::none_of(s.begin(), s.end(), [](QChar c) { return kForbiddenNameChars.contains(c); });
}

QString forbiddenCharsText(CharsList where)
{
    switch (where) {
    case CharsList::Title: return QStringLiteral("\r\n\" , ' , ? , \\ , / , : , * , | , < , >");
    case CharsList::AddCategory:
    case CharsList::RenameCategory: return QStringLiteral("\r\n\" , ' , ? , \\ , / , : , * , | , < , > ");
    case CharsList::EditCategory: return QStringLiteral("\r\n\" , ' , ? , \\ , / , : , *  , | , < , >");
    }
    return QString();
}

// Whether QString::simplified would leave text as it is.
bool isSimplified(QStringView text)
{
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    if (n == 0)
        return true;
    if (QChar(p[0]).isSpace() || QChar(p[n - 1]).isSpace())
        return false;
    auto simple = [&](qsizetype i) {
        const char16_t c = p[i];
        // The last character is no space, so a space has one after it.
        if (c <= ' ')
            return c == ' ' && p[i + 1] != ' ';
        return c < 0x80 || !QChar(c).isSpace();
    };
    qsizetype i = 0;
    if constexpr (charscan::kBlocks) {
        // Eight ASCII characters at once, no control character among them
        // and no space followed by another, mostly.
        using namespace charscan;
        for (; i + 9 <= n; i += 8) {
            const Block b = load(p + i);
            if (!(below(b, 0x20) | atLeast(b, 0x80) | (equal(b, u' ') & equal(load(p + i + 1), u' '))))
                continue;
            for (qsizetype k = i; k < i + 8; ++k)
                if (!simple(k))
                    return false;
        }
    }
    for (; i < n; ++i)
        if (!simple(i))
            return false;
    return true;
}

QString simplifiedText(QString&& text)
{
    if (isSimplified(text))
        return std::move(text);
    return std::move(text).simplified();
}

QString simplifiedText(QStringView text)
{
    if (isSimplified(text))
        return text.toString();
    return text.toString().simplified();
}

namespace {

bool forbiddenInName(char16_t u)
{
    return u <= '|' && (u == '\'' || u == '"' || u == '/' || u == '\\' || u == '|' || u == ':' || u == '<' ||
                        u == '>' || u == '?' || u == '*');
}

} // namespace

QString allowedName(const QString& name)
{
    // Most names hold nothing to change: they are shared, not copied.
    for (QChar c : name)
        if (forbiddenInName(c.unicode()))
            return allowedName(QStringView(name));
    return simplifiedText(storableText(name));
}

QString allowedName(QStringView name)
{
    QString out;
    out.reserve(name.size());
    bool opening = true;
    qsizetype plain = 0; // the start of the characters kept as they are
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t u = name[i].unicode();
        if (!forbiddenInName(u))
            continue;
        out += name.mid(plain, i - plain);
        plain = i + 1;
        switch (u) {
        case '\'': out += QChar(0x2019); break;
        case '"':
            out += QChar(opening ? 0x201C : 0x201D);
            opening = !opening;
            break;
        case '/':
        case '\\':
        case '|': out += QLatin1Char('-'); break;
        case ':': out += QStringLiteral(" - "); break;
        case '<': out += QLatin1Char('('); break;
        case '>': out += QLatin1Char(')'); break;
        default: break; // ? and * are dropped
        }
    }
    out += name.mid(plain);
    return simplifiedText(storableText(out));
}

QString freeTitle(const QString& title, const std::function<bool(const QString&)>& taken)
{
    static const QRegularExpression numbered(QStringLiteral("^(.*\\S) \\((\\d{1,6})\\)$"));
    QString base = title;
    int n = 2;
    if (const QRegularExpressionMatch m = numbered.match(title); m.hasMatch()) {
        base = m.captured(1);
        n = m.captured(2).toInt() + 1;
    }
    QString candidate;
    do
        candidate = base + QStringLiteral(" (%1)").arg(n++);
    while (taken(candidate));
    return candidate;
}

bool categoryNameFree(const QStringList& listEntries, const QString& candidate)
{
    const QString wanted = candidate.toLower();
    return std::none_of(listEntries.begin(), listEntries.end(),
                        [&wanted](const QString& entry) { return entry.toLower() == wanted; });
}

namespace {

EntryCheck titleFailure(Str message, const QString& suffix = QString())
{
    return {message, suffix, EntryFocus::Title, message != Str::NoTitle};
}

EntryCheck categoryFailure() { return {Str::NoCategoryChosen, QString(), EntryFocus::Category, false}; }

// Characters that let a file name reach another folder or drive.
bool leavesFolder(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.isNull();
}

QString withinFolder(QString name)
{
    for (QChar& c : name)
        if (leavesFolder(c))
            c = QLatin1Char('_');
    return name;
}

// name without the endings only the program's own files in the images
// folder carry: a picture on its way to its name ("<name>.bdnew-XXXXXX"),
// a save's temporary file ("<name>.bdsave-XXXXXX") and a picture being
// renamed ("<name>.renaming"); the note of retired pictures (".bdretired")
// becomes "_bdretired". A picture stored under such a name would be taken
// for one of them, and removed or written over.
QString withoutProgramMarks(QString name)
{
    for (bool cut = true; cut;) {
        cut = false;
        if (name.endsWith(QLatin1String(".renaming"), Qt::CaseInsensitive)) {
            name.chop(9);
            cut = true;
        }
        for (const QLatin1String mark : {QLatin1String(".bdnew-"), QLatin1String(".bdsave-")}) {
            const qsizetype at = name.lastIndexOf(mark, -1, Qt::CaseInsensitive);
            if (at >= 0 && name.indexOf(QLatin1Char('.'), at + 1) < 0) {
                name.truncate(at);
                cut = true;
            }
        }
    }
    if (name.compare(QLatin1String(".bdretired"), Qt::CaseInsensitive) == 0)
        name[0] = QLatin1Char('_');
    return name;
}

} // namespace

EntryCheck checkNewRecipe(const RecipeBook& book, const QString& title, bool categoryChosen)
{
    if (title.isEmpty())
        return titleFailure(Str::NoTitle);
    if (!categoryChosen)
        return categoryFailure();
    if (!nameAllowed(title))
        return titleFailure(Str::TitleChars, forbiddenCharsText(CharsList::Title));
    if (book.titleExists(title))
        return titleFailure(Str::TitleTaken);
    return {};
}

EntryCheck checkEditedRecipe(const RecipeBook& book, const QString& title, bool categoryChosen, const QString& oldTitle)
{
    if (!categoryChosen)
        return categoryFailure();
    if (title.isEmpty())
        return titleFailure(Str::NoTitle);
    if (!nameAllowed(title))
        return titleFailure(Str::TitleChars, forbiddenCharsText(CharsList::Title));
    if (title.toLower() != oldTitle.toLower() && book.titleExists(title))
        return titleFailure(Str::TitleTaken);
    return {};
}

QString storedPictureName(const QString& prefix, const QString& category, const QString& title,
                          const QString& sourcePath)
{
    QString ext = sourcePath.right(4);
    if (ext.compare(QLatin1String("jpeg"), Qt::CaseInsensitive) == 0)
        ext = QStringLiteral(".jpg");
    // Names in the book never hold separators, but a hand-edited book or an
    // odd source path may.
    return withoutProgramMarks(withinFolder(prefix + QLatin1Char('_') + category + QLatin1Char('_') + title + ext));
}

bool safePictureName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    return std::none_of(name.begin(), name.end(), leavesFolder);
}

QString picturePathIn(const QString& folder, const QString& name)
{
    return safePictureName(name) ? folder + QLatin1Char('/') + name : QString();
}

QString getNewFileName(const QString& given, const QString& middle)
{
    // A picture named by another copy's unfinished file keeps its own ending.
    const QString name = withoutProgramMarks(given);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot >= 0 ? name.mid(dot) : QString();
    const int first = name.indexOf(QLatin1Char('_'));
    const int second = first >= 0 ? name.indexOf(QLatin1Char('_'), first + 1) : -1;
    const QString stem = second >= 0 ? name.left(second + 1)
                                     : name.left(dot >= 0 ? dot : name.size()) + QLatin1Char('_');
    const QString result = withoutProgramMarks(withinFolder(stem + middle + extension));
    return safePictureName(result) ? result : QString();
}

bool pictureNameAccepted(const QString& path)
{
    const QString end = path.right(3).toLower();
    for (const char* ok : {"gif", "jpg", "bmp", "peg", "jpe"})
        if (end == QLatin1String(ok))
            return true;
    return false;
}

QStringList picturePatterns()
{
    return {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.jpe"), QStringLiteral("*.gif"),
            QStringLiteral("*.bmp")};
}

bool inFolder(const QString& path, const QString& folder)
{
    const QFileInfo file(path);
    const QFileInfo dir(folder);
    QString fileFolder = QDir::cleanPath(file.absolutePath());
    QString wanted = QDir::cleanPath(dir.absoluteFilePath());
    if (file.exists() && dir.exists()) {
        fileFolder = QFileInfo(file.canonicalFilePath()).absolutePath();
        wanted = dir.canonicalFilePath();
    }
    return fileFolder == wanted;
}

} // namespace bd
