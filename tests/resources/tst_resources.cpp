// String table, colour schemes and the caption tables.

#include "app/dialogs.h"
#include "app/globals.h"
#include "app/listsort.h"
#include "resources/captions.h"
#include "resources/colours.h"
#include "resources/strings.h"

#include <QGuiApplication>
#include <QPalette>
#include <QtTest>

using namespace bd;

class TestResources : public QObject {
    Q_OBJECT
private slots:
    void init() { G.reset(); }

    void everyTextHasItsSpanishTwin()
    {
        int english = 0;
        for (std::size_t i = 0; i < kStringTableSize; ++i) {
            const int id = kStringTable[i].id;
            // English texts: 100-399, and the program's later block 700-999.
            if (!((id >= 100 && id < 400) || (id >= 700 && id < 1000)))
                continue;
            ++english;
            QVERIFY2(!loadResString(id).isEmpty(), qPrintable(QString::number(id)));
            if (id != 128)
                QVERIFY2(hasResString(id + 300), qPrintable(QStringLiteral("no Spanish for %1").arg(id)));
        }
        QVERIFY(english >= 177 + 2 + (Str::HelpTitle - 306));
        QVERIFY(!hasResString(428));
    }

    void textsAndCaptionTablesFollowTheLanguage()
    {
        QCOMPARE(fetchText(100), QStringLiteral("BD | Browse Recipes"));
        G.langOffset = 300;
        QCOMPARE(fetchText(100), QStringLiteral("BD | Explorar recetas"));
        QVERIFY(fetchText(Str::SaveFailed) != loadResString(Str::SaveFailed));
        for (int offset : {0, 300}) {
            G.langOffset = offset;
            for (const CaptionTable* table : {&kBrCaptions, &kSearchCaptions, &kPlainTextCaptions})
                for (std::size_t i = 0; i < table->count; ++i)
                    QVERIFY2(!fetchText(table->rows[i].id).isEmpty(), qPrintable(QString::number(table->rows[i].id)));
        }
    }

    void schemesHoldTheirColours()
    {
        // Every scheme has its five roles.
        for (int base = 0; base <= 600; base += 100)
            for (int role = 0; role < 5; ++role)
                QVERIFY(hasResString(2000 + base + role));

        // System colours stand in where a scheme names one.
        QCOMPARE(fetchColor(RoleContentBack), QColor(66, 92, 118));
        QCOMPARE(fetchColor(RoleLabelFore), QGuiApplication::palette().color(QPalette::ButtonText));
        G.colorBase = 500; // daisy blue: red is the low byte
        QCOMPARE(fetchColor(RoleButtonBack), QColor(255, 255, 102));
        QCOMPARE(colourFromValue(qint32(0x80000012)), QGuiApplication::palette().color(QPalette::ButtonText));
    }

    void fileFiltersBecomeQtFilters()
    {
        QCOMPARE(qtFilter(QStringLiteral("(*.jpg, *.gif, *.bmp) |*.jpg;*.gif;*.bmp|")),
                 QStringLiteral("(*.jpg, *.gif, *.bmp) (*.jpg *.gif *.bmp)"));
        QCOMPARE(qtFilter(QStringLiteral("BD XML (*.xml)|*.xml|(*.*)|*.*")),
                 QStringLiteral("BD XML (*.xml) (*.xml);;(*.*) (*.*)"));
    }

    void listsSortIgnoringCase()
    {
        QStringList names{QStringLiteral("pies"), QStringLiteral("Bread"), QStringLiteral("[new category..]"),
                          QStringLiteral("apple")};
        sortForList(names);
        QCOMPARE(names, (QStringList{QStringLiteral("[new category..]"), QStringLiteral("apple"),
                                     QStringLiteral("Bread"), QStringLiteral("pies")}));
        // Items that differ only in case keep their order; data travels with the text.
        QVector<std::pair<QString, int>> entries{{QStringLiteral("b"), 0}, {QStringLiteral("A"), 1},
                                                 {QStringLiteral("a"), 2}};
        sortForList(entries);
        QCOMPARE(entries[0].second, 1);
        QCOMPARE(entries[1].second, 2);
        QCOMPARE(entries[2].second, 0);
    }
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
