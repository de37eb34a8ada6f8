// The print page byte for byte, escaping, and printing from the browse
// window through the dialog seam.

#include "app/globals.h"
#include "app/windows.h"
#include "browse/frmBr.h"
#include "output/printpage.h"
#include "store/store.h"
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

using namespace bd;

namespace {

// The page's lines, given separated by "|".
QByteArray page(const char* lines) { return QString::fromUtf8(lines).split(QLatin1Char('|')).join(QStringLiteral("\r\n")).toUtf8() + "\r\n"; }

#define HEAD "<html><body bgcolor='#FFFFFF'>|<center>|<table width=550><tr><td>|<center>|"
#define CAP "<td align=center><font face='Tahoma' size=2><b>|"
#define VAL "<td align=center><font face='Tahoma' size=2>|"
#define FOOT "<br><font face='Tahoma' size=2>Quendrel - Brindelle<br>|brindelle.quendrel.example|</font></center>|</body></html>"

} // namespace

class TestPrint : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { resetWindows(); }

    void pageBytesForFullAndSparseRecipes()
    {
        bdtest::TestEnv env;
        env.write(QStringLiteral("quendrel.gif"), "GIF89a");
        const QString path = prepTempPrint({QStringLiteral("Apple pie"), QStringLiteral("10 min"), QStringLiteral("1 h"),
                                            QStringLiteral("4"), QStringLiteral("apples\nbutter"),
                                            QStringLiteral("Mix.\r\nBake."), QStringLiteral("Serve warm.")});
        QCOMPARE(path, env.file(QStringLiteral("recipe.htm")));
        QCOMPARE(env.read(QStringLiteral("recipe.htm")),
                 page(HEAD "<img src='quendrel.gif' border=0><font face='Verdana' size=5><b>|Apple pie|"
                      "</center><br></td></tr></table>|<table cellpadding=5><tr>|"
                      CAP "Prep Time|</font></b></td>|" CAP "Cook Time|</font></b></td>|" CAP "Yield|</font></b></td>|"
                      "</tr><tr>|" VAL "10 min|</font></td>|" VAL "1 h|</font></td>|" VAL "4|</font></td>|</tr></table>|"
                      "<br><table><tr>|<td><center>|<font face='Tahoma' size=2><b>|Ingredients|</b></font><br></center>|"
                      "<font face='Tahoma' size=2>|apples<br>\nbutter|</font></td></tr></table>|"
                      "<table width=480><tr><td><center><br>|<font face='Tahoma' size=2><b>|Preparation|"
                      "</b></font><br></center>|<font face='Tahoma' size=2>|Mix.<br>\nBake.|</font><br></td></tr></table>|"
                      "<table width=480><tr><td><center><br>|<font face='Tahoma' size=2><b>|Special Notes|</b></font><br>|"
                      "<font face='Tahoma' size=2>|Serve warm.|</font><br></center></td></tr></table>|" FOOT));

        // No logo, no cook time or yield, no sections: one cell in each row.
        QFile::remove(env.file(QStringLiteral("quendrel.gif")));
        QCOMPARE(prepTempPrint({QStringLiteral("Toast"), QStringLiteral("2 min"), {}, {}, {}, {}, {}}), path);
        QCOMPARE(env.read(QStringLiteral("recipe.htm")),
                 page(HEAD "<font face='Verdana' size=5><b>|Toast|</center><br></td></tr></table>|"
                      "<table cellpadding=5><tr>|" CAP "Prep Time|</font></b></td>|</tr><tr>|" VAL "2 min|</font></td>|"
                      "</tr></table>|" FOOT));
    }

    void markupInARecipeIsPrintedAsText()
    {
        QCOMPARE(pageText(QString::fromUtf8("bake at < 200\xC2\xB0 & \"don't\"\n<b>")),
                 QString::fromUtf8("bake at &lt; 200\xC2\xB0 &amp; &quot;don&#39;t&quot;<br>\n&lt;b&gt;"));
        bdtest::TestEnv env;
        QTextDocument doc;
        QVERIFY(loadPrintPage(doc, prepTempPrint({QStringLiteral("Fish & chips"), {}, {}, {},
                                                  QStringLiteral("<b>salt</b>"), {}, {}})));
        QVERIFY(doc.toPlainText().contains(QStringLiteral("Fish & chips")));
        QVERIFY(doc.toPlainText().contains(QStringLiteral("<b>salt</b>")));
        QVERIFY(doc.find(QStringLiteral("salt")).charFormat().fontWeight() <= QFont::Normal);
    }

    void browseWindowPrintsAndPreviewsInTheUsersLanguage()
    {
        bdtest::TestEnv env;
        G.xmlDoc.appendCategory(QStringLiteral("pies"));
        G.xmlDoc.appendCategory(QStringLiteral("empty"));
        RecipeFields pie;
        pie.title = QStringLiteral("Pecan pie");
        pie.ing = QStringLiteral("pecans\nsugar");
        G.xmlDoc.appendRecipe(0, pie);
        QVERIFY(saveBook());
        G.langOffset = 300;
        frmBr w;
        w.cboCats->setCurrentIndex(w.cboCats->findText(QStringLiteral("pies")));
        w.cmdPrint->click();
        w.mnuPrintPrev->trigger();
        QCOMPARE(env.dialogs.calls.size(), 2);
        QCOMPARE(env.dialogs.calls[0].kind, bdtest::ScriptedDialogs::Kind::Print);
        QCOMPARE(env.dialogs.calls[1].kind, bdtest::ScriptedDialogs::Kind::Preview);
        for (const auto& call : env.dialogs.calls)
            for (const char* text : {"Pecan pie", "Ingredientes", "pecans\nsugar", "brindelle.quendrel.example/es"})
                QVERIFY2(call.document.contains(QLatin1String(text)), text);

        // With no recipe selected only the preview runs, on an empty page.
        w.cboCats->setCurrentIndex(w.cboCats->findText(QStringLiteral("empty")));
        env.dialogs.clear();
        w.mnuPrint->trigger();
        w.mnuPrintPrev->trigger();
        QCOMPARE(env.dialogs.calls.size(), 1);
        QVERIFY(!env.dialogs.calls[0].document.contains(QStringLiteral("Pecan")));

        // A page that cannot be written is reported; nothing is printed.
        QVERIFY(QFile::remove(env.file(QStringLiteral("recipe.htm"))));
        QVERIFY(QDir().mkpath(env.file(QStringLiteral("recipe.htm/blocked"))));
        env.dialogs.clear();
        w.mnuPrintPrev->trigger();
        QCOMPARE(env.dialogs.messageIds(), (QList<int>{370}));
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
