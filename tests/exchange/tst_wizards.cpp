// The export and import wizards as a user drives them: lists, pages, file
// choice, messages, and the way back to the main window.

#include "app/application.h"
#include "app/globals.h"
#include "app/windows.h"
#include "exchange/frmExp.h"
#include "exchange/frmImp.h"
#include "resources/strings.h"
#include "store/store.h"
#include "guitest.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace bd;

namespace {

using bdtest::texts;

QList<int> data(const QListWidget* l)
{
    QList<int> out;
    for (int i = 0; i < l->count(); ++i)
        out << l->item(i)->data(Qt::UserRole).toInt();
    return out;
}

void fillBook()
{
    const int soups = G.xmlDoc.appendCategory(QStringLiteral("Soups"));
    const int cakes = G.xmlDoc.appendCategory(QStringLiteral("Cakes"));
    for (const char* t : {"Leek", "Borscht"})
        G.xmlDoc.appendRecipe(soups, bdtest::titled(QLatin1String(t)));
    for (const char* t : {"Sponge", "Babka"})
        G.xmlDoc.appendRecipe(cakes, bdtest::titled(QLatin1String(t)));
    bookStore().save();
}

void chooseCategory(frmExp* w, const char* name) { w->cboCats->setCurrentIndex(w->cboCats->findText(QLatin1String(name))); }

void chooseRecipe(QListWidget* l, const char* title)
{
    l->setCurrentItem(l->findItems(QLatin1String(title), Qt::MatchExactly).value(0));
}

} // namespace

class TestWizards : public QObject {
    Q_OBJECT
private slots:
    void init() { registerStandardWindows(); }
    void cleanup() { resetWindows(); }

    void exportListsAndPages()
    {
        bdtest::TestEnv env;
        fillBook();
        auto* w = static_cast<frmExp*>(showWindow(WindowKind::Exp));
        QCOMPARE(texts(w->lstRecs), QStringList({QStringLiteral("Babka"), QStringLiteral("Sponge")}));

        w->cmdNext->click();
        QCOMPARE(env.dialogs.messageIds(), QList<int>{172});

        // Across categories, one and all; the hidden list in step.
        w->cmdROne->click(); // Babka
        chooseCategory(w, "Soups");
        w->cmdRAll->click();
        QCOMPARE(texts(w->lstExp), QStringList({QStringLiteral("Babka"), QStringLiteral("Borscht"), QStringLiteral("Leek")}));
        QCOMPARE(texts(w->lstHid), texts(w->lstExp));
        QCOMPARE(data(w->lstHid), QList<int>({1, 0, 0}));
        QVERIFY(w->lstRecs->count() == 0);

        // Back to the available list only when its category is shown.
        chooseRecipe(w->lstExp, "Babka");
        w->cmdLOne->click();
        QCOMPARE(texts(w->lstRecs), QStringList());
        chooseCategory(w, "Cakes");
        QCOMPARE(texts(w->lstRecs), QStringList({QStringLiteral("Babka"), QStringLiteral("Sponge")}));
        QCOMPARE(texts(w->lstHid), QStringList({QStringLiteral("Borscht"), QStringLiteral("Leek")}));
        w->cmdLAll->click();
        QVERIFY(w->lstExp->count() == 0 && w->lstHid->count() == 0);
        chooseRecipe(w->lstRecs, "Sponge");
        w->cmdROne->click();
        QCOMPARE(texts(w->lstRecs), QStringList{QStringLiteral("Babka")});

        // Page 1: a file must be chosen; the book itself never.
        env.dialogs.clear();
        w->cmdNext->click();
        QCOMPARE(w->currentPage(), 1);
        w->cmdNext->click();
        QCOMPARE(env.dialogs.messageIds(), QList<int>{173});
        env.dialogs.files << env.file(QStringLiteral("Recipes.XML"));
        w->cmdSaveAs->click();
        QCOMPARE(env.dialogs.messageIds(), QList<int>({173, 305}));
        QVERIFY(w->exportPath().isEmpty());
        const QString existing = env.root() + QStringLiteral("/old.xml");
        env.write(QStringLiteral("../old.xml"), "keep me");
        env.dialogs.files << existing << existing;
        env.dialogs.answers << Answer::No << Answer::Yes;
        w->cmdSaveAs->click();
        QVERIFY(w->exportPath().isEmpty());
        w->cmdSaveAs->click();
        QCOMPARE(env.dialogs.messageIds(), QList<int>({173, 305, 175, 175}));
        QCOMPARE(w->lblFile->text(), QStringLiteral("File name:  old.xml"));

        // Page 2 and back.
        w->cmdNext->click();
        w->cmdBack->click();
        w->cmdNext->click();
        QCOMPARE(w->currentPage(), 2);
        w->optImg->setChecked(true);
        env.dialogs.clear();
        w->cmdNext->click();
        QCOMPARE(env.dialogs.messageIds(), QList<int>{215});
        RecipeBook out;
        QVERIFY(out.loadFile(existing));
        QCOMPARE(out.recipeTitles(0), QStringList{QStringLiteral("Sponge")});
        QVERIFY(QFileInfo(env.root() + QStringLiteral("/exp_img")).isDir());
        QTRY_VERIFY(instance(WindowKind::Br) && instance(WindowKind::Br)->isVisible());
        QTRY_VERIFY(!instance(WindowKind::Exp));
    }

    void importPagesAndMessages()
    {
        bdtest::TestEnv env;
        fillBook();
        env.write(QStringLiteral("../in/notxml.xml"), "this is not < xml");
        env.write(QStringLiteral("../in/wrongroot.xml"), "<cookbook/>");
        env.write(QStringLiteral("../in/good.xml"),
                  "<recipebook><category cname=\"Soups\"><recipe><title>Miso</title></recipe>"
                  "<recipe><title>Leek</title><a/><a/><a/><a/><a/><a/><a/><a/></recipe></category>"
                  "<category cname=\"Pies\"><recipe><title>Pecan</title></recipe></category></recipebook>");
        const QByteArray before = env.read(QStringLiteral("recipes.xml"));
        G.langOffset = 300; // the Spanish label is long: a chosen file is what counts
        auto* w = static_cast<frmImp*>(showWindow(WindowKind::Imp));
        w->cmdNext->click();
        QCOMPARE(env.dialogs.messageIds(), QList<int>{180});

        env.dialogs.files << env.file(QStringLiteral("RECIPES.xml")) << env.root() + QStringLiteral("/in/notxml.xml")
                          << env.root() + QStringLiteral("/in/wrongroot.xml");
        w->cmdBrowse->click();
        QVERIFY(w->importPath().isEmpty());
        w->cmdBrowse->click();
        w->cmdNext->click();
        w->cmdBrowse->click();
        w->cmdNext->click();
        QCOMPARE(env.dialogs.messageIds(), QList<int>({180, 306, 186, 186, 186, 186}));
        QCOMPARE(w->currentPage(), 0);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), before);

        env.dialogs.clear();
        env.dialogs.files << env.root() + QStringLiteral("/in/good.xml");
        w->cmdBrowse->click();
        w->cmdNext->click();
        QCOMPARE(w->currentPage(), 1);
        QCOMPARE(texts(w->lstImpRecs), QStringList({QStringLiteral("Miso"), QStringLiteral("Leek"), QStringLiteral("Pecan")}));
        w->cmdNext->click();
        QCOMPARE(env.dialogs.messageIds(), QList<int>{182});
        w->cmdChkAll->click();
        w->lstImpRecs->item(2)->setCheckState(Qt::Unchecked);
        w->cmdNext->click();
        QCOMPARE(w->currentPage(), 2);
        w->cmdBack->click();
        QCOMPARE(w->lstImpRecs->item(0)->checkState(), Qt::Checked);
        QCOMPARE(w->lstImpRecs->item(2)->checkState(), Qt::Unchecked);
        w->cmdNext->click();

        // Leek clashes; the answer renames it.
        env.dialogs.inputs << QStringLiteral("Leek 2");
        w->cmdNext->click();
        QCOMPARE(env.dialogs.messageIds(), QList<int>({182, 184}));
        QCOMPARE(bdtest::DiskBook().recipeTitles(0),
                 QStringList({QStringLiteral("Leek"), QStringLiteral("Borscht"), QStringLiteral("Miso"), QStringLiteral("Leek 2")}));
        QTRY_VERIFY(instance(WindowKind::Add) && instance(WindowKind::Add)->isVisible());
    }

    void importMealMaster()
    {
        bdtest::TestEnv env;
        fillBook();
        env.write(QStringLiteral("../in/soups.mmf"), "MMMMM----- Recipe via Meal-Master (tm) v8.05\n"
                                                    "Title: Leek\nCategories: Soups\n\n      2    Leeks\nMMMMM\n"
                                                    "MMMMM----- Recipe\nTitle: Miso\n\nSimmer.\nMMMMM\n"
                                                    "MMMMM----- Recipe\nCategories: Soups\nMMMMM\n");
        env.write(QStringLiteral("../in/notes.txt"), "Leeks are good.\n");
        auto* w = static_cast<frmImp*>(showWindow(WindowKind::Imp));
        env.dialogs.files << env.root() + QStringLiteral("/in/notes.txt") << env.root() + QStringLiteral("/in/soups.mmf");
        w->cmdBrowse->click();
        QCOMPARE(qtFilter(env.dialogs.calls.first().request.filter),
                 QStringLiteral("All recipe files (*.xml *.mmf *.mm *.txt *.mxp *.mx2 *.rml *.recipeml *.html *.htm "
                                "*.json *.cook);;Recipe books (*.xml);;MealMaster files (*.mmf *.mm *.txt);;"
                                "MasterCook files (*.mxp *.mx2 *.txt);;RecipeML files (*.xml *.rml *.recipeml);;"
                                "Web pages (*.html *.htm *.json);;Cooklang files (*.cook);;All files (*)"));
        QCOMPARE(env.dialogs.messageIds(), QList<int>{186});
        w->cmdBrowse->click();
        w->cmdNext->click();
        QCOMPARE(env.dialogs.messageIds(), QList<int>{186});
        QCOMPARE(texts(w->lstImpRecs), QStringList({QStringLiteral("Leek"), QStringLiteral("Miso")}));

        // No picture page: the recipe page imports. Leek clashes and is skipped.
        w->cmdChkAll->click();
        env.dialogs.inputs << std::nullopt;
        w->cmdNext->click();
        QCOMPARE(env.dialogs.last()->id, int(Str::ImportedCount));
        QCOMPARE(env.dialogs.last()->text,
                 QStringLiteral("Recipes imported: 1\nRecipes skipped: 2\n"
                                "Unreadable recipes start on lines: 12"));
        RecipeBook disk;
        QVERIFY(disk.loadFile(bookPath()));
        QCOMPARE(disk.categoryName(2), QStringLiteral("Imported"));
        QCOMPARE(RecipeBook::fields(disk.findRecipe(2, QStringLiteral("Miso"))).prep, QStringLiteral("Simmer."));
        QCOMPARE(disk.recipeTitles(0), QStringList({QStringLiteral("Leek"), QStringLiteral("Borscht")}));
        QTRY_VERIFY(instance(WindowKind::Add) && instance(WindowKind::Add)->isVisible());
    }

    // A saved page whose recipe the book holds already, then the same
    // recipe's page from a web address with its picture.
    void importPagesFromFilesAndTheWeb()
    {
        bdtest::TestEnv env;
        fillBook();
        const QByteArray page = "<html><script type=\"application/ld+json\">[{\"@type\":\"Recipe\",\"name\":\"Leek\","
                                "\"recipeIngredient\":[\"2 leeks\"]},{\"@type\":\"Recipe\",\"name\":\"Kale\","
                                "\"recipeIngredient\":[\"1 kale\"],\"image\":\"/kale.png\",\"recipeCategory\":\"Greens\"}]"
                                "</script></html>";
        env.write(QStringLiteral("../in/greens.html"), page);
        G.xmlDoc.findRecipe(0, QStringLiteral("Leek")).child("ing").text().set("2  leeks");
        bookStore().save();
        auto* w = static_cast<frmImp*>(showWindow(WindowKind::Imp));
        env.dialogs.files << env.root() + QStringLiteral("/in/greens.html");
        w->cmdBrowse->click();
        w->cmdNext->click();
        QCOMPARE(texts(w->lstImpRecs), QStringList({QStringLiteral("Leek (already in the book)"), QStringLiteral("Kale")}));
        w->cmdChkAll->click();
        QCOMPARE(w->lstImpRecs->item(0)->checkState(), Qt::Unchecked);
        w->cmdBack->click();

        // A page on a local server: no address, a missing page, then the page.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        connect(&server, &QTcpServer::newConnection, &server, [&server, page] {
            QTcpSocket* s = server.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [s, page] {
                const QByteArray request = s->readAll();
                const bool picture = request.startsWith("GET /kale.png"), known = request.startsWith("GET /greens");
                const QByteArray body = picture ? QByteArray("\x89PNG\r\n\x1a\nkale") : known ? page : QByteArray("gone");
                s->write(QByteArray(known || picture ? "HTTP/1.1 200 OK" : "HTTP/1.1 404 Not Found") +
                         "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                s->disconnectFromHost();
            });
        });
        const QString address = QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort());
        env.dialogs.clear();
        env.dialogs.inputs << QStringLiteral("ftp://x") << address + QStringLiteral("old") << address + QStringLiteral("greens");
        for (int i = 0; i < 3; ++i)
            w->cmdWeb->click();
        QCOMPARE(env.dialogs.messageIds(), QList<int>({Str::NotWebAddress, Str::WebNoConnection}));
        QCOMPARE(env.dialogs.calls[3].text, QStringLiteral("The web site answered with an error (404)."));
        QCOMPARE(w->importPath(), address + QStringLiteral("greens"));
        w->cmdNext->click();
        w->lstImpRecs->item(1)->setCheckState(Qt::Checked);
        w->cmdNext->click();
        QCOMPARE(w->currentPage(), 2); // the picture page: the page's picture came along
        w->cmdNext->click();
        QCOMPARE(env.dialogs.last()->text, QStringLiteral("Recipes imported: 1\nRecipes skipped: 0"));
        RecipeBook disk;
        QVERIFY(disk.loadFile(bookPath()));
        const Recipe kale = RecipeBook::fields(disk.findRecipe(disk.categoryPosition(QStringLiteral("Greens")), QStringLiteral("Kale")));
        QCOMPARE(kale.ing, QStringLiteral("1 kale"));
        QVERIFY(kale.other.endsWith(address + QStringLiteral("greens")));
        QVERIFY(!kale.image.isEmpty());
        QVERIFY(QFileInfo::exists(imagesFolder() + QLatin1Char('/') + kale.image));
    }
};

QTEST_MAIN(TestWizards)
#include "tst_wizards.moc"
