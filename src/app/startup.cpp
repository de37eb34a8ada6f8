#include "app/startup.h"

#include "app/base/booklock.h"
#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "app/base/settings.h"
#include "app/base/text.h"
#include "resources/strings.h"
#include "store/amounts.h"
#include "store/trash.h"
#include "store/bookfile.h"
#include "store/picturefiles.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QLocale>
#include <QSysInfo>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <memory>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace bd {

// Where an install puts the user guides, seen from the program's folder.
#ifndef BRINDELLE_HELP_FROM_BIN
#define BRINDELLE_HELP_FROM_BIN "../share/brindelle/help"
#endif

namespace {

// A number of servings: "4", "1.5", "1,5", "1 1/2"; 0 when it is none or not above 0.
double servingsNumber(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype end = 0;
    double value = 0;
    return readNumber(t, end, value) && end == t.size() && value > 0 ? value : 0;
}

// The titles of --show and --shopping-list with the servings each
// --servings after them gives, in the order the arguments name them; the
// mistake, when there is one. --show takes one title; its --servings may
// stand before it too.
QString readRecipeTitles(const QStringList& arguments, bool show, Options& o)
{
    static const QStringList withValue = {
        QStringLiteral("data-dir"), QStringLiteral("export"),        QStringLiteral("category"),
        QStringLiteral("import"),   QStringLiteral("title"),         QStringLiteral("search"),
        QStringLiteral("show"),     QStringLiteral("shopping-list"), QStringLiteral("servings")};
    double before = 0;
    bool options = true;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (!options || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            o.recipeTitles << a;
            o.servings << 0;
            continue;
        }
        if (a == QLatin1String("--")) {
            options = false;
            continue;
        }
        QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
        QString value;
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        if (equals >= 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        } else if (withValue.contains(name) && i + 1 < arguments.size()) {
            value = arguments[++i];
        }
        if (name == QLatin1String("show") || name == QLatin1String("shopping-list")) {
            o.recipeTitles << value;
            o.servings << 0;
        } else if (name == QLatin1String("servings")) {
            const double n = servingsNumber(value);
            if (n <= 0)
                return fetchText(Str::CliBadServings).arg(value);
            if (!o.servings.isEmpty())
                o.servings.last() = n;
            else if (show)
                before = n;
            else
                return fetchText(Str::CliServingsFirst);
        }
    }
    if (show && !o.servings.isEmpty() && o.servings.first() == 0)
        o.servings.first() = before;
    return QString();
}

} // namespace

Options parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(fetchText(Str::CliAbout));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, fetchText(Str::CliOptHelp));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, fetchText(Str::CliOptVersion));
    const QCommandLineOption dataDir(QStringLiteral("data-dir"), fetchText(Str::CliOptDataDir),
                                     fetchText(Str::CliValueDir));
    const QCommandLineOption exportFile(QStringLiteral("export"), fetchText(Str::CliOptExport),
                                        fetchText(Str::CliValueFile));
    const QCommandLineOption category(QStringLiteral("category"), fetchText(Str::CliOptCategory),
                                      fetchText(Str::CliValueName));
    const QCommandLineOption importFile(QStringLiteral("import"), fetchText(Str::CliOptImport),
                                        fetchText(Str::CliValueFile));
    const QCommandLineOption skipClashes(QStringLiteral("skip-clashes"), fetchText(Str::CliOptSkipClashes));
    const QCommandLineOption title(QStringLiteral("title"), fetchText(Str::CliOptTitle), fetchText(Str::CliValueText));
    const QCommandLineOption perPage(QStringLiteral("recipe-per-page"), fetchText(Str::CliOptPerPage));
    const QCommandLineOption windows1252(QStringLiteral("windows-1252"), fetchText(Str::CliOptWindows1252));
    const QCommandLineOption search(QStringLiteral("search"), fetchText(Str::CliOptSearch),
                                    fetchText(Str::CliValueQuery));
    const QCommandLineOption show(QStringLiteral("show"), fetchText(Str::CliOptShow), fetchText(Str::CliValueTitle));
    const QCommandLineOption servings(QStringLiteral("servings"), fetchText(Str::CliOptServings),
                                      fetchText(Str::CliValueNumber));
    const QCommandLineOption metric(QStringLiteral("metric"), fetchText(Str::CliOptMetric));
    const QCommandLineOption us(QStringLiteral("us"), fetchText(Str::CliOptUs));
    const QCommandLineOption shopping(QStringLiteral("shopping-list"), fetchText(Str::CliOptShoppingList),
                                      fetchText(Str::CliValueTitle));
    parser.addOptions({help, version, dataDir, exportFile, category, importFile, skipClashes, title, perPage,
                       windows1252, search, show, servings, metric, us, shopping});
    Options o;
    const auto onlyWith = [&](const QCommandLineOption& option, bool given, const char* needed) {
        if (o.error.isEmpty() && parser.isSet(option) && !given)
            o.error = fetchText(Str::CliGoesWith).arg(option.names().constFirst(), QLatin1String(needed));
    };
    if (!parser.parse(arguments)) {
        o.error = parser.errorText();
        o.unknownOption = !parser.unknownOptionNames().isEmpty();
    } else if (!parser.positionalArguments().isEmpty() && !parser.isSet(importFile) && !parser.isSet(shopping))
        o.error = fetchText(Str::CliUnexpected).arg(parser.positionalArguments().first());
    else if (parser.isSet(dataDir) && parser.value(dataDir).trimmed().isEmpty())
        o.error = fetchText(Str::CliDataDirEmpty);
    else if (int(parser.isSet(exportFile)) + int(parser.isSet(importFile)) + int(parser.isSet(search)) +
                 int(parser.isSet(show)) + int(parser.isSet(shopping)) >
             1)
        o.error = fetchText(Str::CliOneCommand);
    else if (parser.isSet(metric) && parser.isSet(us))
        o.error = fetchText(Str::CliMetricOrUs);
    else if ((parser.isSet(exportFile) && parser.value(exportFile).trimmed().isEmpty()) ||
             (parser.isSet(importFile) && parser.value(importFile).trimmed().isEmpty()))
        o.error = fetchText(Str::CliNeedsFile);
    onlyWith(category, parser.isSet(exportFile), "export");
    onlyWith(title, parser.isSet(exportFile), "export");
    onlyWith(perPage, parser.isSet(exportFile), "export");
    onlyWith(windows1252, parser.isSet(exportFile), "export");
    onlyWith(skipClashes, parser.isSet(importFile), "import");
    const bool cooking = parser.isSet(show) || parser.isSet(shopping);
    onlyWith(servings, cooking, "show/--shopping-list");
    onlyWith(metric, cooking, "show/--shopping-list");
    onlyWith(us, cooking, "show/--shopping-list");
    if (o.error.isEmpty() && cooking)
        o.error = readRecipeTitles(arguments, parser.isSet(show), o);
    if (!o.error.isEmpty())
        return o;
    o.show = parser.isSet(show);
    o.shoppingList = parser.isSet(shopping);
    o.units = parser.isSet(metric) ? UnitSystem::Metric : parser.isSet(us) ? UnitSystem::US : UnitSystem::AsWritten;
    o.exportFile = parser.value(exportFile);
    o.categories = parser.values(category);
    if (parser.isSet(importFile))
        o.importFiles = parser.values(importFile) + parser.positionalArguments();
    o.skipClashes = parser.isSet(skipClashes);
    o.title = parser.value(title);
    o.recipePerPage = parser.isSet(perPage);
    o.windows1252 = parser.isSet(windows1252);
    o.search = parser.isSet(search);
    o.query = parser.value(search);
    o.dataDir = parser.value(dataDir);
    o.help = parser.isSet(help);
    o.version = parser.isSet(version);
    if (o.help)
        o.usageText = parser.helpText();
    return o;
}

QString versionText()
{
    return QStringLiteral("Brindelle " BRINDELLE_VERSION);
}

ProgramFolders programFolders(const QString& exeDir)
{
    const QString installedHelp = QDir::cleanPath(QDir(exeDir).filePath(QStringLiteral(BRINDELLE_HELP_FROM_BIN)));
    if (QFileInfo(installedHelp).isDir())
        return {installedHelp, QString()};
    const QString here = QDir::cleanPath(exeDir);
    return {here, here};
}

QString filesText(const QString& bookFolder, const QString& settingsFile, const QString& helpFolder)
{
    const auto native = [](const QString& path) { return QDir::toNativeSeparators(path); };
    return fetchText(Str::CliFiles)
        .arg(native(bookFolder + QStringLiteral("/recipes.xml")), native(bookFolder + QStringLiteral("/images")),
             native(settingsFile), native(helpFolder));
}

namespace {
bool writableFolder(const QString& dir)
{
    if (!QFileInfo(dir).isDir())
        return false;
    QTemporaryFile probe(dir + QStringLiteral("/.brindelle-XXXXXX"));
    return probe.open();
}

bool writeEmptyBook()
{
    if (writeFileAtomically(bookPath(), kEmptyBook))
        return true;
    msgBox(Str::BookNotCreated, Buttons::Ok, Icon::Critical,
           QStringLiteral("\r\n") + QDir::toNativeSeparators(G.appPath));
    return false;
}
} // namespace

QString chooseAppPath(const QString& portableDir, const QString& dataDir)
{
    if (!dataDir.isEmpty())
        return QDir::cleanPath(QDir(dataDir).absolutePath());
    if (!portableDir.isEmpty() && writableFolder(portableDir))
        return QDir::cleanPath(portableDir);
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

bool languageChosen()
{
    const QString language = readValue(QStringLiteral("language"));
    if (language != QLatin1String("0") && language != QLatin1String("1"))
        return false;
    G.langOffset = language == QLatin1String("1") ? 300 : 0;
    return true;
}

namespace {
InitOutcome prepareBook(const QString& appPath)
{
    G.appPath = appPath;
    G.regKey = settingsLocation();
    // A folder that cannot be made shows as the book that cannot be written below.
    QDir().mkpath(appPath);

    if (!QFileInfo::exists(bookPath()) && !writeEmptyBook())
        return InitOutcome::Quit;

    // One parse serves as both the validity check and the load.
    if (!G.xmlDoc.loadFile(bookPath(), nullptr, false)) {
        if (msgBox(Str::BookInvalid, Buttons::OkCancel) != Answer::Ok)
            return InitOutcome::Quit;
        // The unreadable file may be the user's only copy: keep it.
        const QString kept = setAside(bookPath());
        if (kept.isEmpty()) {
            msgBox(Str::BadBookNotMoved, Buttons::Ok, Icon::Critical);
            return InitOutcome::Quit;
        }
        msgBox(Str::BadBookKeptAs, Buttons::Ok, Icon::Information,
               QStringLiteral("\r\n") + QDir::toNativeSeparators(kept));
        if (!writeEmptyBook())
            return InitOutcome::Quit;
        G.xmlDoc.clear();
    }

    // Without the folder the book still works: a picture added later is
    // refused, and the folder is tried again then.
    if (!QDir().mkpath(imagesFolder()))
        qWarning("could not make %s", qPrintable(imagesFolder()));
    G.imgPrefix = QStringLiteral("recipes");
    G.printPreview = false;

    const QString textSize = readValue(QStringLiteral("textSize"));
    if (textSize.isEmpty()) {
        writeValue(QStringLiteral("textSize"), QStringLiteral("1"));
        G.textFontSize = 10;
    } else {
        G.textFontSize = textSizePoints(textSize);
    }

    const QString colour = readValue(QStringLiteral("color"));
    if (colour.isEmpty())
        writeValue(QStringLiteral("color"), QStringLiteral("0"));
    else
        G.colorBase = colourOffset(colour);

    const QString language = readValue(QStringLiteral("language"));
    if (language == QLatin1String("0"))
        G.langOffset = 0;
    else if (language == QLatin1String("1"))
        G.langOffset = 300;
    return InitOutcome::Ready;
}
} // namespace

InitOutcome initialise(const QString& appPath)
{
    if (!lockBookFolder(appPath))
        return InitOutcome::Quit;
    // Holding the folder, this copy alone may clear what a crash left.
    if (!G.readOnly) {
        removeStaleSaves(QDir(appPath).filePath(QStringLiteral("recipes.xml")));
        removeStaleSaves(trashPath(QDir(appPath).filePath(QStringLiteral("recipes.xml"))));
    }
    const InitOutcome outcome = prepareBook(appPath);
    if (outcome == InitOutcome::Ready && !G.readOnly)
        finishNewPictures(imagesFolder(), G.xmlDoc);
    if (outcome == InitOutcome::Quit)
        unlockBookFolder(); // a refused start leaves nothing behind
    return outcome;
}

QString settingsLocation()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quendrel"),
                     QStringLiteral("Brindelle"))
        .fileName();
}

} // namespace bd
