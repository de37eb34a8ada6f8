// Start-up: the first-run language question, preparing the book folder,
// the display settings, the command line and the help page.

#include "app/globals.h"
#include "app/settings.h"
#include "app/startup.h"
#include "store/recipebook.h"
#include "testsupport.h"

#include <QtTest>

using namespace bd;

namespace {

QStringList folderEntries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void languageAndHelpPage()
    {
        bdtest::TestEnv env;
        QVERIFY(!languageChosen());
        QCOMPARE(readValue(QStringLiteral("language")), QString()); // asking writes nothing

        const QList<QPair<QString, int>> known = {{"1", 300}, {"0", 0}};
        for (const auto& k : known) {
            writeValue(QStringLiteral("language"), k.first);
            QVERIFY(languageChosen());
            QCOMPARE(G.langOffset, k.second);
        }
        for (const QString& other : {QStringLiteral("2"), QStringLiteral("x"), QStringLiteral(" 1")}) {
            writeValue(QStringLiteral("language"), other);
            QVERIFY2(!languageChosen(), qPrintable(other));
        }

        // The user guide follows the language.
        G.langOffset = 0;
        QCOMPARE(helpFilePath(), G.helpFolder + QStringLiteral("/bd.html"));
        G.langOffset = 300;
        QCOMPARE(helpFilePath(), G.helpFolder + QStringLiteral("/bdEs.html"));
    }

    void initialiseCreatesBookAndDefaults()
    {
        bdtest::TestEnv env;
        QCOMPARE(initialise(env.file(QStringLiteral("fresh"))), InitOutcome::Ready);
        QCOMPARE(env.read(QStringLiteral("fresh/recipes.xml")), QByteArray("<recipebook></recipebook>\r\n"));
        QVERIFY(QFileInfo(env.file(QStringLiteral("fresh/images"))).isDir());
        QCOMPARE(G.xmlDoc.categoryCount(), 0);
        QCOMPARE(readValue(QStringLiteral("textSize")), QStringLiteral("1"));
        QCOMPARE(readValue(QStringLiteral("color")), QStringLiteral("0"));
        QCOMPARE(G.textFontSize, 10);
        QCOMPARE(G.colorBase, 0);
        QCOMPARE(G.imgPrefix, QStringLiteral("recipes"));
        QVERIFY(env.dialogs.calls.isEmpty());

        // An existing book is loaded as it is and not written again.
        const QByteArray valid = "<recipebook>\r\n  <category cname=\"Desserts\"/>\r\n"
                                 "  <category cname=\"Soups\"></category>\r\n</recipebook>\r\n";
        env.write(QStringLiteral("recipes.xml"), valid);
        QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
        QCOMPARE(G.xmlDoc.categoryCount(), 2);
        QCOMPARE(G.xmlDoc.categoryName(1), QStringLiteral("Soups"));
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), valid);
        QVERIFY(env.dialogs.calls.isEmpty());
    }

    void displaySettingsAreRead()
    {
        bdtest::TestEnv env;
        const QList<QPair<QString, int>> sizes = {
            {"1.0", 10}, {"abc", 8}, {"0", 8}, {"2", 12}, {"7", 10}};
        for (const auto& s : sizes) {
            writeValue(QStringLiteral("textSize"), s.first);
            QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
            QVERIFY2(G.textFontSize == s.second, qPrintable(s.first));
        }
        const QList<QPair<QString, int>> colours = {
            {"300", 300}, {"600", 600}, {"0", 0}, {"700", 0}, {"-100", 0}, {"250", 0}};
        for (const auto& c : colours) {
            writeValue(QStringLiteral("color"), c.first);
            G.colorBase = 555;
            QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
            QVERIFY2(G.colorBase == c.second, qPrintable(c.first));
        }
        // Stored values are not overwritten by the defaults.
        QCOMPARE(readValue(QStringLiteral("textSize")), QStringLiteral("7"));
        QCOMPARE(readValue(QStringLiteral("color")), QStringLiteral("250"));
    }

    void unreadableBookIsKeptAside()
    {
        bdtest::TestEnv env;
        const QByteArray garbage = "<recipebook><category cname=\"Des";
        env.write(QStringLiteral("recipes.xml"), garbage);

        // Cancel ends the program and touches nothing.
        env.dialogs.answers << Answer::Cancel;
        QCOMPARE(initialise(env.appPath()), InitOutcome::Quit);
        QCOMPARE(env.dialogs.messageIds(), QList<int>{263});
        QCOMPARE(env.dialogs.calls.first().buttons, Buttons::OkCancel);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), garbage);
        QCOMPARE(folderEntries(env.appPath()), QStringList({"images", "recipes.xml"}));

        // OK keeps the old file, says where, then starts an empty book.
        env.dialogs.clear();
        QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
        QCOMPARE(env.dialogs.messageIds(), QList<int>({263, 308}));
        QVERIFY(env.dialogs.calls.at(1).text.contains(QStringLiteral("recipes.xml.bad")));
        QCOMPARE(env.read(QStringLiteral("recipes.xml.bad")), garbage);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), kEmptyBook);
        QCOMPARE(G.xmlDoc.categoryCount(), 0);

        // A well-formed file of another kind is just as unreadable; the
        // first kept copy is not overwritten.
        const QByteArray other = "<cookbook><category cname=\"x\"/></cookbook>";
        env.write(QStringLiteral("recipes.xml"), other);
        env.dialogs.clear();
        QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
        QCOMPARE(env.dialogs.messageIds(), QList<int>({263, 308}));
        QCOMPARE(env.read(QStringLiteral("recipes.xml.bad")), garbage);
        QCOMPARE(env.read(QStringLiteral("recipes.xml.bad2")), other);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), kEmptyBook);
        QCOMPARE(G.xmlDoc.categoryCount(), 0);
    }

    void commandLineAndBookFolder()
    {
        const QString program = QStringLiteral("brindelle");
        Options o = parseCommandLine({program});
        QVERIFY(o.error.isEmpty() && o.dataDir.isEmpty());
        o = parseCommandLine({program, QStringLiteral("--data-dir"), QStringLiteral("/srv/book")});
        QVERIFY(o.error.isEmpty());
        QCOMPARE(o.dataDir, QStringLiteral("/srv/book"));
        QVERIFY(!o.help && !o.version);
        o = parseCommandLine({program, QStringLiteral("--version")});
        QVERIFY(o.error.isEmpty() && o.version && !o.help);
        QCOMPARE(versionText(), QStringLiteral("Brindelle " BRINDELLE_VERSION));
        o = parseCommandLine({program, QStringLiteral("-h")});
        QVERIFY(o.error.isEmpty() && o.help);
        for (const char* shown : {"--help", "--version", "--data-dir <DIR>"})
            QVERIFY2(o.usageText.contains(QLatin1String(shown)), shown);
        const QList<QStringList> wrong = {{program, QStringLiteral("--colour")},
                                          {program, QStringLiteral("stray")},
                                          {program, QStringLiteral("--data-dir")},
                                          {program, QStringLiteral("--data-dir="), QStringLiteral("--help")},
                                          {program, QStringLiteral("--version"), QStringLiteral("--colour")}};
        for (const QStringList& args : wrong) {
            o = parseCommandLine(args);
            // A mistake is reported, never answered with help or the version.
            QVERIFY2(!o.error.isEmpty() && !o.help && !o.version, qPrintable(args.join(' ')));
        }

        // Only an unknown option may be meant for the GUI toolkit.
        QVERIFY(parseCommandLine({program, QStringLiteral("-platform"), QStringLiteral("offscreen")}).unknownOption);
        QVERIFY(parseCommandLine({program, QStringLiteral("--style=fusion")}).unknownOption);
        QVERIFY(!parseCommandLine({program, QStringLiteral("--data-dir")}).unknownOption);
        QVERIFY(!parseCommandLine({program, QStringLiteral("stray")}).unknownOption);

        bdtest::TestEnv env;
        QCOMPARE(chooseAppPath(env.root(), env.appPath() + QStringLiteral("/sub/../book/")),
                 env.appPath() + QStringLiteral("/book"));
        QCOMPARE(chooseAppPath(env.root(), QString()), env.root());
        const QString perUser = QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
        QCOMPARE(chooseAppPath(env.root() + QStringLiteral("/no/such/dir"), QString()), perUser);
        QCOMPARE(chooseAppPath(QString(), QString()), perUser); // installed
        // The probe leaves nothing behind in the folder it tried.
        QVERIFY(!folderEntries(env.root()).join(' ').contains(QStringLiteral("brindelle")));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
