// String table, colour schemes and the caption tables.

#include "app/base/dialogs.h"
#include "app/ui/frmOps.h"
#include "app/base/globals.h"
#include "store/listsort.h"
#include "app/ui/windows.h"
#include "browse/frmBr.h"
#include "browse/listwindow.h"
#include "entry/frmAdd.h"
#include "entry/frmEdit.h"
#include "exchange/frmExp.h"
#include "exchange/frmImp.h"
#include "output/frmEmail.h"
#include "output/frmPlainText.h"
#include "resources/captions.h"
#include "resources/colours.h"
#include "app/base/text.h"
#include "search/frmSearch.h"
#include "testsupport.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QPalette>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QtTest>

#include <functional>
#include <memory>

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
            // English texts: 100-399, and the program's later blocks 700-999
            // and 1300-1599.
            if (!((id >= 100 && id < 400) || (id >= 700 && id < 1000) || (id >= 1300 && id < 1600)))
                continue;
            ++english;
            QVERIFY2(!loadResString(id).isEmpty(), qPrintable(QString::number(id)));
            if (id != 128)
                QVERIFY2(hasResString(id + kSpanishOffset), qPrintable(QStringLiteral("no Spanish for %1").arg(id)));
        }
        QVERIFY(english >= 177 + 2 + (int(Str::HelpTitle) - 306));
        QVERIFY(!hasResString(428));
    }

    void textsAndCaptionTablesFollowTheLanguage()
    {
        QCOMPARE(fetchText(Str::BrowseCaption), QStringLiteral("BD | Browse Recipes"));
        G.langOffset = 300;
        QCOMPARE(fetchText(Str::BrowseCaption), QStringLiteral("BD | Explorar recetas"));
        QVERIFY(fetchText(Str::SaveFailed) != fetchText(Str::SaveFailed, 0));
        for (int offset : {0, 300}) {
            G.langOffset = offset;
            for (const CaptionTable* table : {&kBrCaptions, &kSearchCaptions, &kPlainTextCaptions})
                for (std::size_t i = 0; i < table->count; ++i)
                    QVERIFY2(!loadResString(offset + table->rows[i].id).isEmpty(),
                             qPrintable(QString::number(table->rows[i].id)));
        }
    }

    // Given the language and the scheme, the tables answer for those, not
    // for the cook's (the readers ask on worker threads).
    void languageAndSchemeGivenOverrideTheCurrentOnes()
    {
        G.langOffset = kSpanishOffset;
        G.colorBase = 500;
        QCOMPARE(fetchText(Str::BrowseCaption, 0), QStringLiteral("BD | Browse Recipes"));
        QCOMPARE(fetchText(Str::ImportedCategory, 0), QStringLiteral("Imported"));
        QCOMPARE(fetchText(Str::ImportedCategory, kSpanishOffset), QStringLiteral("Importadas"));
        QCOMPARE(fetchText(Str::ImportedCategory), QStringLiteral("Importadas"));
        QCOMPARE(fetchColor(RoleContentBack, 0), QColor(66, 92, 118));
        QCOMPARE(fetchColor(RoleButtonBack, 500), QColor(255, 255, 102));
        QVERIFY(fetchColor(RoleButtonBack, 0) != fetchColor(RoleButtonBack));
        QVERIFY(schemeColours(0).buttonBack != currentColours().buttonBack);
        QCOMPARE(currentColours().buttonBack, schemeColours(500).buttonBack);
    }

    // A row naming a control its window does not have would leave that
    // control uncaptioned or uncoloured without a word.
    void tablesNameControlsTheirWindowsHave()
    {
        struct Window {
            const char* name;
            std::function<QWidget*()> build;
            QList<const CaptionTable*> captions;
            const BilingualTable* bilingual;
            const ColourTable* colours;
        };
        const Window windows[] = {
            {"frmBr", [] { return new frmBr; }, {&kBrCaptions}, nullptr, &kBrColours},
            {"frmAdd", [] { return new frmAdd; }, {&kEntryCaptions, &kAddCaptions}, nullptr, &kAddColours},
            {"frmEdit", [] { return new frmEdit; }, {&kEntryCaptions, &kEditCaptions}, nullptr, &kEditColours},
            {"frmOps", [] { return new frmOps; }, {}, &kOpsCaptions, &kOpsColours},
            {"frmSearch", [] { return new frmSearch; }, {&kSearchCaptions}, nullptr, &kSearchColours},
            {"frmPlainText", [] { return new frmPlainText; }, {&kPlainTextCaptions}, nullptr, &kPlainTextColours},
            {"frmEmail", [] { return new frmEmail; }, {&kEmailCaptions}, nullptr, &kEmailColours},
            {"frmExp", [] { return new frmExp; }, {&kExpCaptions}, nullptr, &kExpColours},
            {"frmImp", [] { return new frmImp; }, {&kImpCaptions}, nullptr, &kImpColours},
        };
        bdtest::TestEnv env;
        for (const Window& window : windows) {
            const std::unique_ptr<QWidget> w(window.build());
            QStringList names;
            for (const CaptionTable* table : window.captions)
                for (std::size_t i = 0; i < table->count; ++i)
                    if (table->rows[i].prop != Prop::WindowTitle)
                        names << QLatin1String(table->rows[i].control);
            if (window.bilingual)
                for (std::size_t i = 0; i < window.bilingual->count; ++i)
                    if (window.bilingual->rows[i].style != Bilingual::WindowTitle)
                        names << QLatin1String(window.bilingual->rows[i].control);
            for (const QString& name : names)
                QVERIFY2(w->findChild<QObject*>(name),
                         qPrintable(QLatin1String(window.name) + QLatin1Char(' ') + name));
            // Colours go to widgets only.
            const ColourTable& c = *window.colours;
            for (Names list : {c.frames, c.buttons, c.content, c.panels, c.labels, c.fontSized})
                for (Names n = list; *n; ++n)
                    QVERIFY2(w->findChild<QWidget*>(QLatin1String(*n)),
                             qPrintable(QLatin1String(window.name) + QLatin1Char(' ') + QLatin1String(*n)));
        }
        resetWindows();
    }

    void schemesHoldTheirColours()
    {
        // Every scheme has its five roles.
        for (int base = 0; base <= 600; base += 100)
            for (int role = 0; role < 5; ++role)
                QVERIFY(hasResString(kSchemeBase + base + role));

        // System colours stand in where a scheme names one.
        QCOMPARE(fetchColor(RoleContentBack), QColor(66, 92, 118));
        QCOMPARE(fetchColor(RoleLabelFore), QGuiApplication::palette().color(QPalette::ButtonText));
        G.colorBase = 500; // daisy blue: red is the low byte
        QCOMPARE(fetchColor(RoleButtonBack), QColor(255, 255, 102));
        QCOMPARE(colourFromValue(qint32(0x80000012)), QGuiApplication::palette().color(QPalette::ButtonText));
    }

    // Every text and tick reads against what is behind it (contrast 4.5:1 by
    // relative luminance) in all seven schemes, switched on or off, while the
    // scheme's own backgrounds stay.
    void everyTextReadsInEveryScheme()
    {
        QCOMPARE(contrastRatio(Qt::black, Qt::white), 21.0);
        QVERIFY(qAbs(contrastRatio(QColor(64, 64, 64), QColor(159, 159, 159)) - 3.92) < 0.01); // too faint
        bdtest::TestEnv env;
        G.xmlDoc.appendCategory(QStringLiteral("Pies"));
        G.xmlDoc.appendRecipe(0, bdtest::titled(QStringLiteral("Apple pie")));
        for (int base = 0; base <= 600; base += 100) {
            G.colorBase = base;
            const QString scheme = QStringLiteral("scheme %1: ").arg(base);
            const SchemeColours s = schemeColours(base);
            QCOMPARE(s.buttonBack, fetchColor(RoleButtonBack));
            QCOMPARE(s.frameBack, fetchColor(RoleFrameBack));
            const QColor panel = fetchColor(RoleContentBack);
            QVERIFY2(qAbs(s.contentBack.lightnessF() - panel.lightnessF()) < 0.05 &&
                         (panel.hsvHue() < 0 || s.contentBack.hsvHue() == panel.hsvHue() ||
                          qAbs(s.contentBack.hsvHue() - panel.hsvHue()) <= 2),
                     qPrintable(scheme + QStringLiteral("the content colour stays")));
            const struct {
                const char* what;
                QColor text, back;
            } pairs[] = {
                {"button", s.buttonText, s.buttonBack},
                {"button switched off", s.buttonTextDisabled, s.buttonBack},
                {"content", s.contentText, s.contentBack},
                {"content switched off", s.contentTextDisabled, s.contentBack},
                {"chosen entry", s.highlightedText, s.highlight},
                {"empty tick box", s.checkBox, s.contentBack},
                {"tick", s.checkMark, s.checkBox},
                {"label on a frame", s.labelText, s.frameBack},
                {"banner", s.labelText, s.windowBack},
                {"plain label on a frame", s.windowText, s.frameBack},
            };
            for (const auto& p : pairs)
                QVERIFY2(contrastRatio(p.text, p.back) >= 4.5, qPrintable(scheme + QLatin1String(p.what) +
                                                                          QStringLiteral(" %1 on %2: %3")
                                                                              .arg(p.text.name(), p.back.name())
                                                                              .arg(contrastRatio(p.text, p.back))));
            // Switched off, a button still looks it.
            QVERIFY(s.buttonTextDisabled != s.buttonText);

            // The windows show what they were given: each text against the
            // nearest background drawn behind it.
            // The browse and add windows are switched off whole while a
            // window is open over them; elsewhere buttons and fields are.
            const struct {
                std::function<QWidget*()> build;
                bool offWhole;
            } windows[] = {
                {[] { return new frmBr; }, true},         {[] { return new frmAdd; }, true},
                {[] { return new frmSearch; }, false},    {[] { return new frmEmail; }, false},
                {[] { return new frmPlainText; }, false}, {[] { return new frmOps; }, false},
                {[] { return new frmTrash; }, false},     {[] { return new frmSnapshots; }, false},
            };
            for (const auto& window : windows) {
                const std::unique_ptr<QWidget> w(window.build());
                for (const bool on : {true, false}) {
                    w->setEnabled(on);
                    const QPalette::ColorGroup group = on ? QPalette::Active : QPalette::Disabled;
                    for (QWidget* c : w->findChildren<QWidget*>()) {
                        if (!c->isVisibleTo(w.get()))
                            continue;
                        QColor text, back;
                        auto* label = qobject_cast<QLabel*>(c);
                        if (label && !label->text().isEmpty() && label->property("index").toInt() == 0 &&
                            (on || window.offWhole)) {
                            text = label->palette().color(group, QPalette::WindowText);
                            QWidget* behind = label;
                            while (behind != w.get() && !behind->autoFillBackground())
                                behind = behind->parentWidget();
                            back = behind->palette().color(group, QPalette::Window);
                        } else if (auto* button = qobject_cast<QPushButton*>(c)) {
                            text = button->palette().color(group, QPalette::ButtonText);
                            back = button->palette().color(group, QPalette::Button);
                        } else if (qobject_cast<QAbstractScrollArea*>(c) || qobject_cast<QLineEdit*>(c) ||
                                   qobject_cast<QComboBox*>(c)) {
                            text = c->palette().color(group, QPalette::Text);
                            back = c->palette().color(group, QPalette::Base);
                        } else {
                            continue;
                        }
                        QVERIFY2(contrastRatio(text, back) >= 4.5,
                                 qPrintable(scheme + w->objectName() + QLatin1Char(' ') + c->objectName() +
                                            QLatin1String(on ? " on" : " off") +
                                            QStringLiteral(": %1 on %2").arg(text.name(), back.name())));
                    }
                }
            }
            resetWindows();
        }
    }

    // The deleted-recipes and snapshot windows take the scheme's colours
    // and the recipe text size, as the other windows do.
    void listWindowsFollowTheSchemeAndTextSize()
    {
        bdtest::TestEnv env;
        G.colorBase = 300;
        G.textFontSize = 12;
        const SchemeColours s = currentColours();
        const std::function<ListWindow*()> builds[] = {[] { return new frmTrash; }, [] { return new frmSnapshots; }};
        for (const auto& build : builds) {
            const std::unique_ptr<ListWindow> w(build());
            QCOMPARE(w->list()->font().pointSize(), 12);
            QCOMPARE(w->list()->palette().color(QPalette::Base), s.contentBack);
            QCOMPARE(w->list()->palette().color(QPalette::Text), s.contentText);
            QCOMPARE(w->cmdClose->palette().color(QPalette::Button), s.buttonBack);
            QCOMPARE(w->cmdClose->palette().color(QPalette::ButtonText), s.buttonText);
            QCOMPARE(w->cmdRestore->palette().color(QPalette::Disabled, QPalette::ButtonText), s.buttonTextDisabled);
            QCOMPARE(w->palette().color(QPalette::Window), s.frameBack);
        }
    }

    // The texts added beyond the original table speak to the cook as the
    // original's Spanish texts do, with "tú", never with "usted".
    void addedSpanishTextsSayTu()
    {
        static const QRegularExpression usted(QStringLiteral(
            "\\b(usted(es)?|su cambio|sus (recetas|versiones)|los suyos|[Ee]lija|[Ee]scriba|"
            "[Cc]ompruebe|[Qq]u[ií]tel[ao]|vuelva a|puede abrir(lo| el recetario)|puede leer sus|[Pp]ulse|"
            "[Ii]ntente|[Aa]segúrese|[Ee]scoja|[Ss]eleccione)\\b"));
        int added = 0;
        for (std::size_t i = 0; i < kStringTableSize; ++i) {
            const int id = kStringTable[i].id;
            // The program's Spanish texts: from 607 to 699, 1000-1299 and 1600-1899.
            if (!((id >= 607 && id < 700) || (id >= 1000 && id < 1300) || (id >= 1600 && id < 1900)))
                continue;
            ++added;
            const QString text = loadResString(id);
            QVERIFY2(!usted.match(text).hasMatch(), qPrintable(QStringLiteral("%1: %2").arg(id).arg(text)));
        }
        QVERIFY(added > 100);
        // The original texts speak so too, and stay as they were.
        QCOMPARE(loadResString(463), QStringLiteral("¿Qué nombre quieres dar a la categoría?"));
    }

    void fileFiltersBecomeQtFilters()
    {
        // Each label names its patterns once: a description's own list of
        // them gives way to the real patterns.
        QCOMPARE(qtFilter(QStringLiteral("Pictures|*.jpg;*.jpeg;*.gif|")),
                 QStringLiteral("Pictures (*.jpg *.jpeg *.gif)"));
        QCOMPARE(qtFilter(QStringLiteral("(*.jpg, *.gif, *.bmp) |*.jpg;*.gif;*.bmp|")),
                 QStringLiteral("(*.jpg *.gif *.bmp)"));
        QCOMPARE(qtFilter(QStringLiteral("BD XML (*.xml)|*.xml|(*.*)|*.*")), QStringLiteral("BD XML (*.xml);;(*.*)"));
        QCOMPARE(qtFilter(QStringLiteral("Cookbooks (PDF)|*.pdf|Notes (old)|*.txt")),
                 QStringLiteral("Cookbooks (PDF) (*.pdf);;Notes (old) (*.txt)"));
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
