// Main windows: handing over one to the next, when the program ends, and
// their size limits in twips. The preferences window: what the stored
// settings select, the colour preview, Save and Discard, and the way back
// to the right main window. Questions over the windows: Qt's own dialogs,
// the question before a file is replaced, and commands that ask something
// running one at a time.

#include "app/application.h"
#include "app/ui/frmOps.h"
#include "app/base/globals.h"
#include "app/ui/qtdialogs.h"
#include "app/base/preferences.h"
#include "app/base/settings.h"
#include "app/base/sizelimits.h"
#include "app/base/twips.h"
#include "app/ui/windows.h"
#include "browse/frmBr.h"
#include "entry/frmAdd.h"
#include "entry/frmEdit.h"
#include "browse/listwindow.h"
#include "app/base/clock.h"
#include "exchange/frmImp.h"
#include "output/frmPlainText.h"
#include "app/base/text.h"
#include "store/store.h"
#include "resources/colours.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QAbstractFileIconProvider>
#include <QMimeDatabase>
#include <QAbstractProxyModel>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <functional>

using namespace bd;

namespace {

class AddStand : public MainWindow {
public:
    AddStand()
    {
        G.endOnUnload = true;
        G.addWinActive = true;
    }
};

QColor panel(const frmOps& w) { return w.Picture1->palette().color(QPalette::Window); }
QColor button(const frmOps& w) { return w.cmdSave->palette().color(QPalette::Button); }

frmOps* openOps()
{
    registerWindow(WindowKind::Br, [] { return new frmBr; });
    registerWindow(WindowKind::Add, [] { return new AddStand; });
    registerWindow(WindowKind::Ops, [] { return new frmOps; });
    return static_cast<frmOps*>(showWindow(WindowKind::Ops));
}

void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// Answers Qt's own modal dialogs as they come up, one step for each.
class ModalSteps {
public:
    explicit ModalSteps(QList<std::function<void(QWidget*)>> steps) : steps_(std::move(steps))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* top = QApplication::activeModalWidget();
            if (top && top->isVisible() && !steps_.isEmpty())
                steps_.takeFirst()(top);
        });
        timer_.start(50);
    }
    bool done() const { return steps_.isEmpty(); }

private:
    QList<std::function<void(QWidget*)>> steps_;
    QTimer timer_;
};

void reject(QWidget* dialog) { QMetaObject::invokeMethod(dialog, "reject"); }

std::function<void(QWidget*)> saveAs(const QString& path)
{
    return [path](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        QVERIFY(files);
        files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        QMetaObject::invokeMethod(files, "accept");
    };
}

std::function<void(QWidget*)> answer(QMessageBox::StandardButton button, QString* text = nullptr)
{
    return [button, text](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        QVERIFY(box);
        if (text)
            *text = box->text();
        box->button(button)->click();
    };
}

} // namespace

class TestOps : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        resetWindows();
        QLocale::setDefault(QLocale::system());
    }

    // These come first: once a test has ended the program, no modal dialog
    // runs its event loop any more.
    // Qt's file dialog asks before it replaces a file, with the program's
    // own question, and shows itself again on No; not where the program
    // asks itself.
    void saveDialogAsksBeforeReplacing()
    {
        bdtest::TestEnv env;
        QtDialogs qt;
        setDialogs(&qt);
        const QString file = env.root() + QStringLiteral("/Soda bread.txt");
        bdtest::writeFile(file, "kept");
        FileRequest request;
        request.title = QStringLiteral("Save As...");
        request.filter = QStringLiteral("(*.txt)|*.txt");
        request.fileName = QStringLiteral("Soda bread");

        QString question, proposedAgain;
        {
            ModalSteps steps({saveAs(file), answer(QMessageBox::No, &question), [&](QWidget* dialog) {
                                  proposedAgain = qobject_cast<QFileDialog*>(dialog)->selectedFiles().value(0);
                                  reject(dialog);
                              }});
            QCOMPARE(dialogs().saveFile(request), std::nullopt);
            QVERIFY(steps.done());
        }
        QCOMPARE(question, fetchText(Str::FileExists));
        QCOMPARE(proposedAgain, file);
        {
            ModalSteps steps({saveAs(file), answer(QMessageBox::Yes)});
            QCOMPARE(dialogs().saveFile(request), std::optional<QString>(file));
            QVERIFY(steps.done());
        }
        request.askBeforeReplacing = false;
        {
            ModalSteps steps({saveAs(file), answer(QMessageBox::Yes)});
            QCOMPARE(dialogs().saveFile(request), std::optional<QString>(file));
            QVERIFY(!steps.done()); // no question
        }
        setDialogs(&env.dialogs);
    }

    // Each kind of file dialog opens where the cook last chose a file of
    // that kind, and at first (or when that folder is gone) in Pictures or
    // Documents.
    void fileDialogsOpenWhereTheLastFileOfTheirKindWas()
    {
        bdtest::TestEnv env;
        const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
        const QString home = env.root() + QStringLiteral("/home");
        for (const char* folder : {"/Pictures", "/Documents", "/cakes", "/photos"})
            QVERIFY(QDir().mkpath(home + QLatin1String(folder)));
        qputenv("HOME", home.toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
        QtDialogs qt;
        setDialogs(&qt);
        FileRequest backup;
        backup.fileName = QStringLiteral("bd_backup.xml");
        backup.kind = FileKind::Backup;
        backup.askBeforeReplacing = false;
        FileRequest picture;
        picture.kind = FileKind::Picture;
        QString opened, proposed;
        auto openedIn = [&](QWidget* dialog) {
            opened = qobject_cast<QFileDialog*>(dialog)->directory().absolutePath();
            proposed = qobject_cast<QFileDialog*>(dialog)->selectedFiles().value(0);
        };
        auto run = [&](const FileRequest& request, std::function<void(QWidget*)> answer) {
            opened.clear();
            ModalSteps steps({[&](QWidget* dialog) {
                openedIn(dialog);
                answer(dialog);
            }});
            const std::optional<QString> chosen = request.kind == FileKind::Picture ? dialogs().openFile(request)
                                                                                    : dialogs().saveFile(request);
            return chosen;
        };

        const std::optional<QString> cakes = home + QStringLiteral("/cakes/b.xml");
        QCOMPARE(run(backup, saveAs(*cakes)), cakes);
        QCOMPARE(opened, home + QStringLiteral("/Documents"));
        // The next backup proposes its name in that folder; a picture still
        // starts in Pictures, and a cancelled dialog changes nothing.
        QCOMPARE(run(backup, reject), std::nullopt);
        QCOMPARE(opened, home + QStringLiteral("/cakes"));
        QCOMPARE(proposed, home + QStringLiteral("/cakes/bd_backup.xml"));
        QCOMPARE(run(picture, reject), std::nullopt);
        QCOMPARE(opened, home + QStringLiteral("/Pictures"));
        const std::optional<QString> pie = home + QStringLiteral("/photos/pie.jpeg");
        bdtest::writeFile(*pie, bdtest::pngBytes(4, 4));
        QCOMPARE(run(picture, saveAs(*pie)), pie);
        QCOMPARE(run(picture, reject), std::nullopt);
        QCOMPARE(opened, home + QStringLiteral("/photos"));
        QCOMPARE(run(backup, reject), std::nullopt);
        QCOMPARE(opened, home + QStringLiteral("/cakes"));
        // The folder is gone: the default place again.
        QVERIFY(QDir(home + QStringLiteral("/cakes")).removeRecursively());
        QCOMPARE(run(backup, reject), std::nullopt);
        QCOMPARE(opened, home + QStringLiteral("/Documents"));

        setDialogs(&env.dialogs);
        qputenv("HOME", oldHome);
        if (!oldConfig.isEmpty())
            qputenv("XDG_CONFIG_HOME", oldConfig);
    }

    // A window closed while its question is open (a button pressed behind
    // the dialog) stays until the question is answered: the dialog, its
    // child, lives on the stack of the code that asked.
    void aWindowClosedUnderAQuestionStaysUntilItIsAnswered()
    {
        bdtest::TestEnv env;
        QtDialogs qt;
        setDialogs(&qt);
        QPointer<QWidget> window = new QWidget;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        bool ownedByWindow = false;
        ModalSteps steps({[&](QWidget* box) {
                              ownedByWindow = box->parentWidget() == window;
                              window->close();
                          },
                          reject});
        msgBox(Str::ImportDone);
        QVERIFY(steps.done());
        QVERIFY(ownedByWindow);
        QVERIFY(window);
        settle();
        QVERIFY(!window);
        setDialogs(&env.dialogs);
    }

    // A command that asks something, pressed again while its dialog is
    // open, does nothing; the windows refuse to close meanwhile.
    void commandsThatAskRunOneAtATime()
    {
        bdtest::TestEnv env;
        G.xmlDoc.appendCategory(QStringLiteral("Bread"));
        G.xmlDoc.appendRecipe(0, bdtest::titled(QStringLiteral("Soda bread")));
        QVERIFY(bookStore().save());
        registerStandardWindows();
        struct Case {
            const char* name;
            WindowKind window;
            std::function<void(QWidget*)> press;
        };
        const QList<Case> cases = {
            {"backup", WindowKind::Br, [](QWidget* w) { static_cast<frmBr*>(w)->mnuBackup->trigger(); }},
            {"rename category", WindowKind::Br, [](QWidget* w) { static_cast<frmBr*>(w)->mnuCatEdit->trigger(); }},
            {"delete category", WindowKind::Br, [](QWidget* w) { static_cast<frmBr*>(w)->mnuCatDel->trigger(); }},
            {"remove recipe", WindowKind::Br, [](QWidget* w) { static_cast<frmBr*>(w)->cmdRem->click(); }},
            {"print", WindowKind::Br, [](QWidget* w) { static_cast<frmBr*>(w)->cmdPrint->click(); }},
            {"picture", WindowKind::Add, [](QWidget* w) { static_cast<frmAdd*>(w)->cmdAddImg->click(); }},
            {"add recipe", WindowKind::Add, [](QWidget* w) { static_cast<frmAdd*>(w)->cmdAdd->click(); }},
            {"import file", WindowKind::Imp, [](QWidget* w) { static_cast<frmImp*>(w)->cmdBrowse->click(); }},
            {"plain-text save", WindowKind::PlainText,
             [](QWidget* w) { static_cast<frmPlainText*>(w)->cmdSave->click(); }},
        };
        for (const Case& c : cases) {
            QWidget* w = c.window == WindowKind::PlainText ? openOver(showWindow(WindowKind::Br), c.window)
                                                           : showWindow(c.window);
            if (auto* br = qobject_cast<frmBr*>(instance(WindowKind::Br)))
                br->lstRecs->setCurrentRow(0);
            QCoreApplication::processEvents(); // the add window asks for a category once shown
            env.dialogs.clear();
            env.dialogs.answers = {Answer::No, Answer::No, Answer::No}; // nothing is deleted
            qsizetype askedMeanwhile = -1;
            bool closed = true;
            env.dialogs.whileOpen = [&] {
                const qsizetype before = env.dialogs.calls.size();
                c.press(w);
                closed = w->close();
                askedMeanwhile = env.dialogs.calls.size() - before;
            };
            c.press(w);
            QVERIFY2(askedMeanwhile == 0, c.name);
            QVERIFY2(!closed, c.name);
            resetWindows();
            registerStandardWindows();
        }
    }

    void storedValuesSelectListPositions()
    {
        const struct {
            const char* stored;
            int colour, text;
        } cases[] = {{"", 0, 0}, {"0", 0, 0}, {"1.0", 0, 1}, {"2", 0, 2}, {"300", 3, 0},
                     {"600", 6, 0}, {"140", 1, 0}, {"700", 0, 0}, {"-100", 0, 0}, {"pink", 0, 0}};
        for (const auto& c : cases) {
            QCOMPARE(colourPosition(QLatin1String(c.stored)), c.colour);
            QCOMPARE(listPosition(QLatin1String(c.stored), kTextSizeCount), c.text);
        }
        QCOMPARE(listPosition(QStringLiteral("2"), kLangCount), 0);
    }

    void choosingAColourPreviewsItAndDiscardUndoesIt()
    {
        bdtest::TestEnv env;
        writeValue(QStringLiteral("color"), QStringLiteral("300"));
        writeValue(QStringLiteral("language"), QStringLiteral("0"));
        frmOps* w = openOps();
        QCOMPARE(w->cboColor->currentText(), QString::fromUtf8("ocean / océano"));
        QCOMPARE(panel(*w), fetchColor(RoleContentBack));
        w->cboColor->setCurrentIndex(4); // pink / rosa
        QCOMPARE(G.colorBase, 400);
        QCOMPARE(button(*w), QColor(255, 192, 192));
        QCOMPARE(panel(*w), QColor(255, 128, 128));
        // Black & white: labels and lists stay readable on the black panel.
        w->cboColor->setCurrentIndex(1);
        QCOMPARE(panel(*w), QColor(0, 0, 0));
        QCOMPARE(w->Label2->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Window));
        QCOMPARE(w->Label2->palette().color(QPalette::WindowText), QApplication::palette().color(QPalette::WindowText));
        QCOMPARE(w->cboLang->palette().color(QPalette::Button), QApplication::palette().color(QPalette::Button));

        w->cmdDis->click();
        settle();
        QCOMPARE(G.colorBase, 300);
        QCOMPARE(readValue(QStringLiteral("color")), QStringLiteral("300"));
        QVERIFY(env.dialogs.calls.isEmpty());
        QVERIFY(instance(WindowKind::Br));
        QVERIFY(!endRequested());
    }

    void discardWithoutALanguageSaysEnglishWillBeUsed()
    {
        bdtest::TestEnv env;
        G.langOffset = 300;
        frmOps* w = openOps();
        w->discard();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::None});
        QCOMPARE(env.dialogs.last()->text, QStringLiteral("Default settings will be used (English)"));
        QCOMPARE(readValue(QStringLiteral("language")), QStringLiteral("0"));
        QCOMPARE(G.langOffset, 300); // unchanged until the next start
    }

    void saveStoresAndTheNextMainWindowShowsIt()
    {
        bdtest::TestEnv env;
        QVERIFY(speakQtTextsInProgramLanguage());
        auto undoText = [] {
            QLineEdit box;
            const std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
            return menu->actions().value(0)->text();
        };
        QVERIFY(undoText().startsWith(QStringLiteral("&Undo")));
        frmOps* w = openOps();
        w->cboColor->setCurrentIndex(1);
        w->cboLang->setCurrentIndex(1);
        w->cboText->setCurrentIndex(2);
        w->cmdSave->click();
        settle();
        // Qt's own texts switch with the program's.
        QVERIFY2(undoText().contains(QStringLiteral("Deshacer")), qPrintable(undoText()));
        QCOMPARE(QCoreApplication::translate("QFileDialog", "&Open"), QStringLiteral("&Abrir"));
        // The file dialog's list too: its folders, file types and dates.
        QCOMPARE(QAbstractFileIconProvider().type(QFileInfo(env.root())), QStringLiteral("Carpeta"));
        followProgramLocale();
        QCOMPARE(QLocale().language(), QLocale::Spanish);
        QCOMPARE(QMimeDatabase().mimeTypeForName(QStringLiteral("application/xml")).comment(),
                 QStringLiteral("documento XML"));
        {
            // The list of Qt's file dialog gives dates as Spanish writes them.
            const QString path = env.root() + QStringLiteral("/dated.xml");
            bdtest::writeFile(path, "<recipebook/>");
            const QDateTime since(QDate(2026, 12, 6), QTime(9, 30));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(since, QFileDevice::FileModificationTime));
            file.close();
            QString shown;
            QElapsedTimer waited;
            waited.start();
            QTimer look;
            connect(&look, &QTimer::timeout, this, [&] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                if (!dialog)
                    return;
                QAbstractProxyModel* list = dialog->proxyModel();
                const auto* files = list ? qobject_cast<QFileSystemModel*>(list->sourceModel()) : nullptr;
                const QModelIndex entry = files ? files->index(path, 3) : QModelIndex();
                if (entry.isValid() && files->lastModified(entry).isValid())
                    shown = list->mapFromSource(entry).data().toString();
                if (!shown.isEmpty() || waited.elapsed() > 10000)
                    dialog->reject();
            });
            look.start(20);
            FileRequest request;
            request.title = QStringLiteral("BD");
            request.folder = env.root();
            QtDialogs().openFile(request);
            QCOMPARE(shown, QLocale(QLocale::Spanish, QLocale::Spain).toString(since, QLocale::ShortFormat));
        }
        QCOMPARE(readValue(QStringLiteral("color")), QStringLiteral("100"));
        QCOMPARE(readValue(QStringLiteral("language")), QStringLiteral("1"));
        QCOMPARE(readValue(QStringLiteral("textSize")), QStringLiteral("2"));
        auto* br = qobject_cast<frmBr*>(instance(WindowKind::Br));
        QVERIFY(br);
        QCOMPARE(br->windowTitle(), QStringLiteral("BD | Explorar recetas"));
        QCOMPARE(br->txtIng->font().pointSize(), 12);
        QCOMPARE(br->txtIng->palette().color(QPalette::Base), QColor(0, 0, 0));
    }

    void returnsToTheAddWindowWhenItWasActive()
    {
        bdtest::TestEnv env;
        G.addWinActive = true;
        frmOps* w = openOps();
        w->cboText->setCurrentIndex(0);
        w->save();
        settle();
        QVERIFY(instance(WindowKind::Add));
        QVERIFY(!instance(WindowKind::Br));
        QCOMPARE(G.textFontSize, 8);

        // Reached from the add window again, Discard goes back there too.
        w = static_cast<frmOps*>(switchTo(instance(WindowKind::Add), WindowKind::Ops));
        settle();
        w->discard();
        settle();
        QVERIFY(instance(WindowKind::Add));
        QVERIFY(!instance(WindowKind::Br));
    }

    void reachedFromBrowsingTheCloseBoxStoresNothing()
    {
        bdtest::TestEnv env;
        writeValue(QStringLiteral("color"), QStringLiteral("200"));
        openOps()->close();
        static_cast<frmBr*>(showWindow(WindowKind::Br))->mnuOps->trigger();
        settle();
        auto* w = qobject_cast<frmOps*>(instance(WindowKind::Ops));
        QVERIFY(w && !instance(WindowKind::Br));
        w->cboColor->setCurrentIndex(5);
        w->cboLang->setCurrentIndex(1);
        w->close();
        settle();
        QCOMPARE(readValue(QStringLiteral("color")), QStringLiteral("200"));
        QVERIFY(readValue(QStringLiteral("language")).isEmpty());
        QVERIFY(!instance(WindowKind::Br) && !instance(WindowKind::Add));
    }

    void mainWindowsHandOverWithoutEndingTheProgram()
    {
        bdtest::TestEnv env;
        registerWindow(WindowKind::Br, [] { return new frmBr; });
        registerWindow(WindowKind::Add, [] { return new AddStand; });
        auto* br = static_cast<frmBr*>(showWindow(WindowKind::Br));
        QPointer<QWidget> old(br);
        br->mnuRecipeAdd->trigger();
        settle();
        QVERIFY(old.isNull());              // released, to be built afresh
        QVERIFY(!endRequested());
        QVERIFY(G.endOnUnload);             // set again by the new main window
        QVERIFY(instance(WindowKind::Add)->isVisible());
        QCOMPARE(readValue(QStringLiteral("state")), QStringLiteral("0")); // placement saved

        // Closing the main window while endOnUnload holds ends the program.
        instance(WindowKind::Add)->close();
        QVERIFY(endRequested());
    }

    void twipsBecomeWholePixels()
    {
        QCOMPARE(twipsToPixels(50000, 15), 3333);
        // Halves go to the even neighbour.
        QCOMPARE(twipsToPixels(337.5, 15), 22);
        QCOMPARE(twipsToPixels(352.5, 15), 24);
    }

    void theBrowseWindowCannotBeMadeSmallerOrLarger()
    {
        bdtest::TestEnv env;
        frmBr w;
        w.show();
        const QSize minimum(twipsToPixels(9700, twipsPerPixelX()), twipsToPixels(6900, twipsPerPixelY()));
        const QSize maximum(twipsToPixels(50000, twipsPerPixelX()), twipsToPixels(50000, twipsPerPixelY()));
        QCOMPARE(w.minimumSize(), minimum);
        w.resize(100, 80);
        QCOMPARE(w.size(), minimum);
        w.resize(minimum.width() + 50, 20);
        QCOMPARE(w.size(), QSize(minimum.width() + 50, minimum.height()));
        w.resize(maximum + QSize(500, 500));
        QCOMPARE(w.size(), maximum);
    }

    // From the press of a command that saves the book (ADD, UPDATE,
    // REMOVE, a restore from the trash or from a snapshot, an import) the
    // busy cursor shows, inside the save and until the command is done; a
    // message asked on the way has the arrow.
    void savesShowTheBusyCursor()
    {
        bdtest::TestEnv env;
        G.xmlDoc.appendCategory(QStringLiteral("Pies"));
        G.xmlDoc.appendRecipe(0, bdtest::titled(QStringLiteral("Apple pie")));
        QVERIFY(bookStore().save());
        registerStandardWindows();
        // Every save of the book dates its snapshot: the cursor then.
        QList<int> shapes; // -1: none
        setSnapshotClock([&shapes] {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            shapes << (cursor ? int(cursor->shape()) : -1);
            return QDateTime::currentDateTime();
        });
        Qt::CursorShape inDialog = Qt::BlankCursor;
        const auto dialogCursor = [&inDialog] {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            inDialog = cursor ? cursor->shape() : Qt::BlankCursor;
        };
        env.dialogs.whileOpen = dialogCursor; // the first message: the question of REMOVE
        const auto busyThroughout = [&shapes](const std::function<void()>& press) {
            shapes.clear();
            press();
            const bool busy = !shapes.isEmpty() &&
                              std::all_of(shapes.cbegin(), shapes.cend(), [](int s) { return s == Qt::WaitCursor; });
            if (!busy)
                qWarning("cursors in the saves: %s", qPrintable(QDebug::toString(shapes)));
            return busy && !QGuiApplication::overrideCursor();
        };

        auto* add = static_cast<frmAdd*>(showWindow(WindowKind::Add));
        QCoreApplication::processEvents();
        add->cboACats->setCurrentIndex(add->cboACats->findText(QStringLiteral("Pies")));
        add->txtTitle->setText(QStringLiteral("Pear tart"));
        QVERIFY(busyThroughout([add] { add->cmdAdd->click(); }));
        QVERIFY(G.xmlDoc.titleExists(QStringLiteral("Pear tart")));

        G.editCat = QStringLiteral("Pies");
        G.editTitle = QStringLiteral("Pear tart");
        auto* edit = static_cast<frmEdit*>(showWindow(WindowKind::Edit));
        QCoreApplication::processEvents();
        edit->txtTitle->setText(QStringLiteral("Pear pie"));
        QVERIFY(busyThroughout([edit] { edit->cmdAdd->click(); }));
        QVERIFY(G.xmlDoc.titleExists(QStringLiteral("Pear pie")));

        auto* br = qobject_cast<frmBr*>(showWindow(WindowKind::Br));
        QVERIFY(br);
        br->selectRecipe(QStringLiteral("Pies"), QStringLiteral("Pear pie"));
        env.dialogs.answers << Answer::Yes;
        QVERIFY(busyThroughout([br] { br->remove(); }));
        QVERIFY(!G.xmlDoc.titleExists(QStringLiteral("Pear pie")));
        QCOMPARE(inDialog, Qt::BlankCursor); // the question came before

        {
            frmTrash trash;
            QVERIFY(busyThroughout([&trash] { trash.cmdRestore->click(); }));
        }
        QVERIFY(G.xmlDoc.titleExists(QStringLiteral("Pear pie")));
        {
            frmSnapshots snapshots; // the first save of the day took one
            env.dialogs.answers << Answer::Yes;
            env.dialogs.whileOpen = [&] { env.dialogs.whileOpen = dialogCursor; }; // the second message
            QVERIFY(busyThroughout([&snapshots] { snapshots.cmdRestore->click(); }));
            QCOMPARE(env.dialogs.last()->id, Str::SnapshotRestored);
            QCOMPARE(inDialog, Qt::ArrowCursor); // the message after the save
        }

        env.write(QStringLiteral("../in/more.xml"),
                  "<recipebook><category cname=\"Soups\"><recipe><title>Miso</title></recipe></category></recipebook>");
        env.dialogs.files << env.root() + QStringLiteral("/in/more.xml");
        auto* import = static_cast<frmImp*>(showWindow(WindowKind::Imp));
        import->cmdBrowse->click();
        import->cmdNext->click();
        import->cmdChkAll->click();
        import->cmdNext->click();
        QVERIFY(busyThroughout([import] { import->cmdNext->click(); }));
        QVERIFY(G.xmlDoc.titleExists(QStringLiteral("Miso")));
        setSnapshotClock({});
        resetWindows();
    }
};

QTEST_MAIN(TestOps)
#include "tst_ops.moc"
