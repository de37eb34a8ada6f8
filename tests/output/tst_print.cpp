// The print page, byte for byte, and printing from the browse window
// through the dialog seam.

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
#include <QListWidget>
#include <QPdfWriter>
#include <QTextDocument>
#include <QtTest>

using namespace bd;

namespace {

using Lines = QStringList;

QByteArray page(const Lines& lines) { return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8(); }

const Lines kHead = {"<html><body bgcolor='#FFFFFF'>", "<center>", "<table width=550><tr><td>", "<center>"};
const Lines kFoot = {"<br><font face='Tahoma' size=2>Quendrel - Brindelle<br>", "brindelle.quendrel.example",
                     "</font></center>", "</body></html>"};
const QString kCaption = QStringLiteral("<td align=center><font face='Tahoma' size=2><b>");
const QString kValue = QStringLiteral("<td align=center><font face='Tahoma' size=2>");

PrintFields fullRecipe()
{
    return {QStringLiteral("Apple pie"), QStringLiteral("10 min"), QStringLiteral("1 h"), QStringLiteral("4"),
            QStringLiteral("apples\nbutter"), QStringLiteral("Mix.\r\nBake."), QStringLiteral("Serve warm.")};
}

RecipeFields stored(const QString& title, const QString& ing)
{
    RecipeFields f;
    f.title = title;
    f.preptime = QStringLiteral("10 min");
    f.ing = ing;
    return f;
}

} // namespace

class TestPrint : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { resetWindows(); }

    void pageBytesForFullAndSparseRecipes()
    {
        bdtest::TestEnv env;
        env.write(QStringLiteral("quendrel.gif"), "GIF89a");
        const QString path = prepTempPrint(fullRecipe());
        QCOMPARE(path, env.file(QStringLiteral("recipe.htm")));
        Lines full = kHead;
        full << "<img src='quendrel.gif' border=0><font face='Verdana' size=5><b>" << "Apple pie"
             << "</center><br></td></tr></table>" << "<table cellpadding=5><tr>"
             << kCaption << "Prep Time" << "</font></b></td>" << kCaption << "Cook Time" << "</font></b></td>"
             << kCaption << "Yield" << "</font></b></td>" << "</tr><tr>"
             << kValue << "10 min" << "</font></td>" << kValue << "1 h" << "</font></td>" << kValue << "4"
             << "</font></td>" << "</tr></table>"
             << "<br><table><tr>" << "<td><center>" << "<font face='Tahoma' size=2><b>" << "Ingredients"
             << "</b></font><br></center>" << "<font face='Tahoma' size=2>" << "apples<br>\nbutter"
             << "</font></td></tr></table>"
             << "<table width=480><tr><td><center><br>" << "<font face='Tahoma' size=2><b>" << "Preparation"
             << "</b></font><br></center>" << "<font face='Tahoma' size=2>" << "Mix.<br>\nBake."
             << "</font><br></td></tr></table>"
             << "<table width=480><tr><td><center><br>" << "<font face='Tahoma' size=2><b>" << "Special Notes"
             << "</b></font><br>" << "<font face='Tahoma' size=2>" << "Serve warm."
             << "</font><br></center></td></tr></table>"
             << kFoot;
        QCOMPARE(env.read(QStringLiteral("recipe.htm")), page(full));

        // No logo, no cook time or yield, no sections: one cell per row.
        QFile::remove(env.file(QStringLiteral("quendrel.gif")));
        PrintFields sparse;
        sparse.title = QStringLiteral("Toast");
        sparse.preptime = QStringLiteral("2 min");
        QCOMPARE(prepTempPrint(sparse), path);
        Lines lines = kHead;
        lines << "<font face='Verdana' size=5><b>" << "Toast" << "</center><br></td></tr></table>"
              << "<table cellpadding=5><tr>" << kCaption << "Prep Time" << "</font></b></td>" << "</tr><tr>"
              << kValue << "2 min" << "</font></td>" << "</tr></table>" << kFoot;
        QCOMPARE(env.read(QStringLiteral("recipe.htm")), page(lines));
    }

    void markupInARecipeIsPrintedAsText()
    {
        QCOMPARE(pageText(QString::fromUtf8("bake at < 200\xC2\xB0 & \"don't\"\n<b>")),
                 QString::fromUtf8("bake at &lt; 200\xC2\xB0 &amp; &quot;don&#39;t&quot;<br>\n&lt;b&gt;"));
        bdtest::TestEnv env;
        PrintFields f;
        f.title = QStringLiteral("Fish & chips");
        f.ing = QStringLiteral("<b>salt</b>");
        QTextDocument doc;
        QVERIFY(loadPrintPage(doc, prepTempPrint(f)));
        QVERIFY(doc.toPlainText().contains(QStringLiteral("<b>salt</b>")));
        QVERIFY(doc.toPlainText().contains(QStringLiteral("Fish & chips")));
        const QTextCursor at = doc.find(QStringLiteral("salt"));
        QVERIFY(!at.isNull());
        QVERIFY(at.charFormat().fontWeight() <= QFont::Normal);
    }

    void printsWithoutPageNumbers()
    {
        bdtest::TestEnv env;
        PrintFields f = fullRecipe();
        f.prep = QString(QStringLiteral("A long step.\n")).repeated(120); // more than one page
        QTextDocument doc;
        QVERIFY(loadPrintPage(doc, prepTempPrint(f)));
        QPdfWriter pdf(env.file(QStringLiteral("out.pdf")));
        printPages(doc, &pdf);
        QVERIFY(doc.pageCount() > 1);
        // A document with its own page size is not numbered by the printer.
        QVERIFY(doc.pageSize().isValid());
        QVERIFY(pdf.pageLayout().margins().left() > 0);
        QVERIFY(QFileInfo(env.file(QStringLiteral("out.pdf"))).size() > 1000);
    }

    void browseWindowPrintsAndPreviewsInTheUsersLanguage()
    {
        bdtest::TestEnv env;
        G.xmlDoc.appendCategory(QStringLiteral("pies"));
        G.xmlDoc.appendCategory(QStringLiteral("empty"));
        G.xmlDoc.appendRecipe(0, stored(QStringLiteral("Pecan pie"), QStringLiteral("pecans\nsugar")));
        QVERIFY(saveBook());
        G.langOffset = 300;
        frmBr w;
        w.cboCats->setCurrentIndex(w.cboCats->findText(QStringLiteral("pies")));
        w.cmdPrint->click();
        w.mnuPrintPrev->trigger();
        QCOMPARE(env.dialogs.calls.size(), 2);
        QCOMPARE(env.dialogs.calls[0].kind, bdtest::ScriptedDialogs::Kind::Print);
        QCOMPARE(env.dialogs.calls[1].kind, bdtest::ScriptedDialogs::Kind::Preview);
        for (const auto& call : env.dialogs.calls) {
            QVERIFY(call.document.contains(QStringLiteral("Pecan pie")));
            QVERIFY(call.document.contains(QString::fromUtf8("Ingredientes")));
            QVERIFY(call.document.contains(QStringLiteral("pecans\nsugar")));
            QVERIFY(call.document.contains(QStringLiteral("brindelle.quendrel.example/es")));
        }
        QVERIFY(env.read(QStringLiteral("recipe.htm")).contains("Ingredientes"));

        // With no recipe selected only the preview runs, on an empty page.
        w.cboCats->setCurrentIndex(w.cboCats->findText(QStringLiteral("empty")));
        env.dialogs.clear();
        w.mnuPrint->trigger();
        QVERIFY(env.dialogs.calls.isEmpty());
        w.mnuPrintPrev->trigger();
        QCOMPARE(env.dialogs.calls.size(), 1);
        QVERIFY(!env.dialogs.calls[0].document.contains(QStringLiteral("Pecan")));

        // A page that cannot be written is reported, and nothing is printed.
        QVERIFY(QFile::remove(env.file(QStringLiteral("recipe.htm"))));
        QVERIFY(QDir().mkpath(env.file(QStringLiteral("recipe.htm/blocked"))));
        env.dialogs.clear();
        w.mnuPrintPrev->trigger();
        QCOMPARE(env.dialogs.messageIds(), (QList<int>{370}));
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
