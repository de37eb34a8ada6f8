// Start-up: the first-run language question, preparing the book folder,
// the display settings, the command line and the help page; stored
// settings and the window placement rules (twips).

#include "app/base/globals.h"
#include "app/base/settings.h"
#include "app/startup.h"
#include "app/ui/helpwindow.h"
#include "resources/strings.h"
#include "store/recipebook.h"
#include "testsupport.h"

#include <QtTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

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

        writeValue(QStringLiteral("language"), QStringLiteral("1"));
        QVERIFY(languageChosen());
        QCOMPARE(G.langOffset, 300);
        for (const QString& other : {QStringLiteral("2"), QStringLiteral("x"), QStringLiteral(" 1")}) {
            writeValue(QStringLiteral("language"), other);
            QVERIFY2(!languageChosen(), qPrintable(other));
        }

        // The user guide follows the language.
        QCOMPARE(helpFilePath(), G.helpFolder + QStringLiteral("/bdEs.html"));
    }

    void initialiseCreatesBookAndDefaults()
    {
        bdtest::TestEnv env;
        QCOMPARE(initialise(env.file(QStringLiteral("fresh"))), InitOutcome::Ready);
        QCOMPARE(env.read(QStringLiteral("fresh/recipes.xml")), QByteArray("<recipebook></recipebook>\r\n"));
        QVERIFY(QFileInfo(env.file(QStringLiteral("fresh/images"))).isDir());
        QCOMPARE(readValue(QStringLiteral("textSize")), QStringLiteral("1"));
        QCOMPARE(G.textFontSize, 10);
        QVERIFY(env.dialogs.calls.isEmpty());

        // An existing book is loaded as it is and not written again.
        const QByteArray valid = "<recipebook>\r\n  <category cname=\"Desserts\"/>\r\n"
                                 "  <category cname=\"Soups\"></category>\r\n</recipebook>\r\n";
        env.write(QStringLiteral("recipes.xml"), valid);
        QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
        QCOMPARE(G.xmlDoc.categoryName(1), QStringLiteral("Soups"));
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), valid);
        QVERIFY(env.dialogs.calls.isEmpty());
    }

    void storedDisplaySettingsAreReadAndKept()
    {
        bdtest::TestEnv env;
        writeValue(QStringLiteral("textSize"), QStringLiteral("2"));
        writeValue(QStringLiteral("color"), QStringLiteral("250"));
        G.colorBase = 555;
        QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
        QCOMPARE(G.textFontSize, 12);
        QCOMPARE(G.colorBase, 0);
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
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::BookInvalid});
        QCOMPARE(folderEntries(env.appPath()), QStringList({"images", "recipes.xml"}));
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), garbage);

        // OK keeps the file aside, never over a copy kept before, and says where.
        env.write(QStringLiteral("recipes.xml.bad"), "kept before");
        env.dialogs.clear();
        QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
        QCOMPARE(env.dialogs.messageIds(), QList<Str>({Str::BookInvalid, Str::BadBookKeptAs}));
        QVERIFY(env.dialogs.calls.at(1).text.contains(QStringLiteral("recipes.xml.bad2")));
        QCOMPARE(env.read(QStringLiteral("recipes.xml.bad")), QByteArray("kept before"));
        QCOMPARE(env.read(QStringLiteral("recipes.xml.bad2")), garbage);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), kEmptyBook);

        // With .bad and .bad2 taken, the next one is .bad3.
        const QByteArray second = garbage + "sert";
        env.write(QStringLiteral("recipes.xml"), second);
        env.dialogs.clear();
        QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
        QVERIFY(env.dialogs.calls.at(1).text.contains(QStringLiteral("recipes.xml.bad3")));
        QCOMPARE(env.read(QStringLiteral("recipes.xml.bad2")), garbage);
        QCOMPARE(env.read(QStringLiteral("recipes.xml.bad3")), second);
    }

    // Something that is no file where the lock goes is no other copy of
    // the program: the cook is told what stands where, and it is left; the
    // book opens once it is gone.
    void noFileWhereTheLockGoes()
    {
        bdtest::TestEnv env;
        const QString folder = env.root() + QStringLiteral("/book");
        const QString lock = folder + QStringLiteral("/.brindelle.lock");
        QVERIFY(QDir().mkpath(lock));
        const auto refused = [&] {
            env.dialogs.clear();
            QCOMPARE(initialise(folder), InitOutcome::Quit);
            QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::LockIsNoFile});
            QVERIFY(env.dialogs.calls[0].text.contains(QDir::toNativeSeparators(lock)));
            // Nothing made beside it, nothing taken away.
            QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                     QStringList{QStringLiteral(".brindelle.lock")});
        };
        refused();
        if (QTest::currentTestFailed())
            return;
        QVERIFY(QFileInfo(lock).isDir());
#ifndef Q_OS_WIN
        // A pipe, which a lock reader would wait on for ever.
        QVERIFY(QDir().rmdir(lock));
        QCOMPARE(::mkfifo(QFile::encodeName(lock).constData(), 0600), 0);
        refused();
#endif
        QVERIFY(QFile::remove(lock) || QDir().rmdir(lock));
        env.dialogs.clear();
        QCOMPARE(initialise(folder), InitOutcome::Ready);
        QVERIFY(env.dialogs.calls.isEmpty());
    }

    void commandLineAndBookFolder()
    {
        const QString program = QStringLiteral("brindelle");
        Options o = parseCommandLine({program});
        QVERIFY(o.error.isEmpty() && o.dataDir.isEmpty());
        o = parseCommandLine({program, QStringLiteral("--data-dir"), QStringLiteral("/srv/book")});
        QVERIFY(o.error.isEmpty());
        QCOMPARE(o.dataDir, QStringLiteral("/srv/book"));
        o = parseCommandLine({program, QStringLiteral("--version")});
        QVERIFY(o.error.isEmpty() && o.version && !o.help);
        o = parseCommandLine({program, QStringLiteral("-h")});
        QVERIFY(o.error.isEmpty() && o.help);
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
        QVERIFY(!parseCommandLine({program, QStringLiteral("--data-dir")}).unknownOption);
        QVERIFY(!parseCommandLine({program, QStringLiteral("stray")}).unknownOption);
        QVERIFY(parseCommandLine({program, QStringLiteral("--style=fusion"), QStringLiteral("-reverse"),
                                  QStringLiteral("--data-dir"), QStringLiteral("x")})
                    .unknownOption);
        // A mistyped option of the program's own is answered without a display.
        QVERIFY(!parseCommandLine({program, QStringLiteral("--bogus")}).unknownOption);
        QVERIFY(!parseCommandLine({program, QStringLiteral("-platform"), QStringLiteral("offscreen"),
                                   QStringLiteral("--serch"), QStringLiteral("eggs")})
                     .unknownOption);

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

    void valuesRoundTripAndMissingReadsEmpty()
    {
        bdtest::TestEnv env;
        QCOMPARE(readValue(QStringLiteral("nothing")), QString());
        QVERIFY(!fileExists(QString()));
        QVERIFY(fileExists(env.appPath(), true));
        QVERIFY(!fileExists(env.appPath()));
    }

    void numbersAreReadLeniently()
    {
        QCOMPARE(numericValue(QStringLiteral("1.0")), 1.0);
        QCOMPARE(numericValue(QStringLiteral(" 12abc")), 12.0);
        QCOMPARE(numericValue(QStringLiteral("abc")), 0.0);
        QCOMPARE(numericValue(QStringLiteral("-300")), -300.0);
        const QList<QPair<QString, int>> sizes = {{"1.0", 10}, {"abc", 8}, {"0", 8}, {"2", 12}, {"7", 10}};
        for (const auto& s : sizes)
            QVERIFY2(textSizePoints(s.first) == s.second, qPrintable(s.first));
        const QList<QPair<QString, int>> colours = {{"300", 300}, {"600", 600}, {"650", 0}, {"700", 0}, {"-100", 0}};
        for (const auto& c : colours)
            QVERIFY2(colourOffset(c.first) == c.second, qPrintable(c.first));
    }

    void restoreRulesUseTheirLimits()
    {
        const double sw = 15360, sh = 11520; // 1024 x 768 pixels
        // Nothing stored: minimum size, centred, normal.
        Placement p = restorePlacement({}, {}, {}, {}, {}, sw, sh);
        QCOMPARE(p.width, 9700.0);
        QCOMPARE(p.height, 6900.0);
        QCOMPARE(p.left, (sw - 9700) / 2);
        QCOMPARE(p.top, (sh - 6900) / 2);
        QCOMPARE(p.state, int(StateNormal));

        // Too small, too large, off screen, minimised.
        p = restorePlacement(QStringLiteral("5000"), QStringLiteral("50001"), QStringLiteral("1"),
                             QStringLiteral("99999"), QStringLiteral("10000"), sw, sh);
        QCOMPARE(p.width, 9700.0);
        QCOMPARE(p.height, 6900.0);
        QCOMPARE(p.top, 10000.0); // below screen height - 500
        QCOMPARE(p.state, int(StateNormal));

        // Left exactly at screen width - 500 is not used.
        p = restorePlacement(QStringLiteral("12000"), QStringLiteral("8000"), QStringLiteral("2"),
                             QString::number(sw - 500), QString::number(sh - 501), sw, sh);
        QCOMPARE(p.height, 8000.0);
        QCOMPARE(p.left, (sw - 12000) / 2);
        QCOMPARE(p.top, sh - 501);
        QCOMPARE(p.state, int(StateMaximised));

        QCOMPARE(restorePlacement(QStringLiteral("50000"), QStringLiteral("50000"), {}, {}, {}, sw, sh).width,
                 50000.0);
    }

    void restoredWindowStaysWithinTheScreen()
    {
        const double sw = 15360, sh = 11520;
        auto restored = [&](const char* width, const char* height, const char* left, const char* top) {
            const Placement p = restorePlacement(QLatin1String(width), QLatin1String(height), {}, QLatin1String(left),
                                                 QLatin1String(top), sw, sh);
            return keepWithin(p, sw, sh);
        };
        // Inside: where it was saved.
        Placement p = restored("12000", "8000", "300", "450");
        QCOMPARE((QList<double>{p.left, p.top, p.width, p.height}), (QList<double>{300, 450, 12000, 8000}));
        // Left of or above the screen (a monitor that was there, or a
        // negative value): against the edge, menu bar within reach.
        p = restored("12000", "8000", "-20000", "-1");
        QCOMPARE(p.left, 0.0);
        QCOMPARE(p.top, 0.0);
        // Taken by the rule (below screen size - 500) but reaching beyond
        // the right and bottom edges: moved back in whole.
        p = restored("12000", "8000", "14000", "10000");
        QCOMPARE(p.left, sw - 12000);
        QCOMPARE(p.top, sh - 8000);
        // Larger than the screen: as large as the screen, at its corner.
        p = restored("40000", "30000", "100", "100");
        QCOMPARE((QList<double>{p.left, p.top, p.width, p.height}), (QList<double>{0, 0, sw, sh}));
        // A screen smaller than the least window: the least size, at the corner.
        p = keepWithin(restorePlacement({}, {}, {}, {}, {}, 9000, 6000), 9000, 6000);
        QCOMPARE((QList<double>{p.left, p.top, p.width, p.height}), (QList<double>{0, 0, 9700, 6900}));
    }

    void maximisedSavesOnlyItsState()
    {
        bdtest::TestEnv env;
        savePlacement({12000, 8000, 300, 450, StateNormal});
        savePlacement({99999, 99999, 0, 0, StateMaximised});
        QCOMPARE(readValue(QStringLiteral("state")), QStringLiteral("2"));
        QCOMPARE(readValue(QStringLiteral("width")), QStringLiteral("12000"));
        const Placement p = readPlacement(15360, 11520);
        QCOMPARE(p.width, 12000.0);
        QCOMPARE(p.state, int(StateMaximised));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
