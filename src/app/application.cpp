#include "app/application.h"

#include "app/base/booklock.h"
#include "app/base/bookwatch.h"
#include "app/ui/frmLang.h"
#include "app/ui/frmOps.h"
#include "app/commandline.h"
#include "app/base/globals.h"
#include "app/ui/qtdialogs.h"
#include "app/base/settings.h"
#include "app/startup.h"
#include "app/ui/windows.h"
#include "browse/frmAbout.h"
#include "browse/frmBr.h"
#include "entry/frmAdd.h"
#include "entry/frmEdit.h"
#include "browse/frmImgView.h"
#include "browse/listwindow.h"
#include "output/frmPlainText.h"
#include "search/frmSearch.h"
#include "search/search.h"
#include "output/frmCook.h"
#include "output/frmEmail.h"
#include "output/frmShop.h"
#include "exchange/frmExp.h"
#include "entry/frmPaste.h"
#include "exchange/frmImp.h"
#include "app/base/text.h"
#include "store/bookfile.h"
#include "store/booksave.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QIcon>
#include <QStyleFactory>
#include <QTimer>

#include <cstdio>

namespace bd {

// A copy is left by a sync service, or by this program when a change made
// outside clashed with the cook's; the offer says which.
void offerConflictCopies()
{
    if (endRequested())
        return;
    QStringList offered = readValue(QStringLiteral("conflictsOffered")).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    for (const QString& copy : conflictCopies(bookPath())) {
        const QString name = QFileInfo(copy).fileName();
        if (offered.contains(name))
            continue;
        offered << name;
        writeValue(QStringLiteral("conflictsOffered"), offered.join(QLatin1Char('|')));
        const Str offer = ownConflictCopy(bookPath(), copy) ? Str::OwnConflictCopyFound : Str::ConflictCopyFound;
        if (dialogs().message(offer, fetchText(offer).arg(name), Buttons::YesNo, Icon::Question,
                              QStringLiteral("BD")) != Answer::Yes)
            continue;
        auto* wizard = qobject_cast<frmImp*>(switchTo(instance(WindowKind::Br), WindowKind::Imp));
        if (!wizard)
            return;
        wizard->returnTo(WindowKind::Br);
        wizard->importFrom(copy);
        QObject::connect(wizard, &QObject::destroyed, QCoreApplication::instance(),
                         [] { QTimer::singleShot(0, QCoreApplication::instance(), offerConflictCopies); });
        return;
    }
}

void registerStandardWindows()
{
    registerWindow(WindowKind::Br, [] { return new frmBr; });
    registerWindow(WindowKind::About, [] { return new frmAbout; });
    registerWindow(WindowKind::Add, [] { return new frmAdd; });
    registerWindow(WindowKind::Edit, [] { return new frmEdit; });
    registerWindow(WindowKind::ImgView, [] { return new frmImgView; });
    registerWindow(WindowKind::Ops, [] { return new frmOps; });
    registerWindow(WindowKind::Search, [] { return new frmSearch; });
    registerWindow(WindowKind::PlainText, [] { return new frmPlainText; });
    registerWindow(WindowKind::Email, [] { return new frmEmail; });
    registerWindow(WindowKind::Exp, [] { return new frmExp; });
    registerWindow(WindowKind::Imp, [] { return new frmImp; });
    registerWindow(WindowKind::Trash, [] { return new frmTrash; });
    registerWindow(WindowKind::Snapshots, [] { return new frmSnapshots; });
    registerWindow(WindowKind::Cook, [] { return new frmCook; });
    registerWindow(WindowKind::Shop, [] { return new frmShop; });
    registerWindow(WindowKind::Paste, [] { return new frmPaste; });
}

namespace {
void chooseLanguage()
{
    auto* chooser = new frmLang;
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    QEventLoop loop;
    QObject::connect(chooser, &frmLang::closed, &loop, &QEventLoop::quit);
    chooser->show();
    chooser->raise();
    chooser->activateWindow();
    loop.exec();
}

void nameApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Quendrel"));
    QCoreApplication::setApplicationName(QStringLiteral("Brindelle"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRINDELLE_VERSION));
}

// Answers --help, --version and a command line that is not understood on the
// terminal; the value is the exit code.
int answerOnTerminal(const Options& options)
{
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "brindelle: %s\n%s\n", qPrintable(options.error), qPrintable(fetchText(Str::CliTryHelp)));
        return 2;
    }
    if (options.help) {
        const ProgramFolders folders = programFolders(QCoreApplication::applicationDirPath());
        const QString text = options.usageText + QLatin1Char('\n')
            + filesText(chooseAppPath(folders.portableDir, options.dataDir), settingsLocation(), folders.helpFolder);
        std::fputs(qPrintable(text), stdout);
    } else {
        std::fputs(qPrintable(versionText() + QLatin1Char('\n')), stdout);
    }
    return 0;
}

// The icon drawn for the desktop's menu, for the windows and the task bar.
void setProgramIcon()
{
    QIcon icon;
    for (const int size : {32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral("example.quendrel.Brindelle"));
}
} // namespace

int runBrindelle(int argc, char** argv)
{
    keepLargeBuffers();
    // --help, --version and mistakes need no display: they are answered before
    // the GUI starts, except an unknown option, which may be one of the GUI's
    // own (-platform ...) that only the GUI understands. So do --export and
    // --import.
    Options early;
    {
        QCoreApplication terminal(argc, argv);
        nameApplication();
        // The terminal hears the language chosen for the windows, Qt's own
        // texts (the help's headings, its mistakes) too.
        if (languageChosen())
            speakQtTextsInProgramLanguage();
        early = parseCommandLine(QCoreApplication::arguments());
        if (early.help || early.version || (!early.error.isEmpty() && !early.unknownOption))
            return answerOnTerminal(early);
        if (early.command() && early.error.isEmpty() && !commandNeedsGui(early))
            return runCommand(early);
    }
    if (early.command() && early.error.isEmpty()) {
        // The cookbook PDF lays out text, which takes a GUI application, but
        // it opens no window: the offscreen platform spares it a display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication gui(argc, argv);
        nameApplication();
        return runCommand(early);
    }

    QApplication app(argc, argv);
    nameApplication();
    setProgramIcon();
    // One look on every platform, so the colour schemes show as designed.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);

    const Options options = parseCommandLine(QApplication::arguments());
    if (!options.error.isEmpty() || options.help || options.version)
        return answerOnTerminal(options);
    if (options.command())
        return runCommand(options);

    QtDialogs qtDialogs;
    setDialogs(&qtDialogs);
    speakQtTextsInProgramLanguage();
    registerStandardWindows();
    installLastWindowRule();
    installEnterRule();

    G.endOnUnload = false;
    G.calledFromBr = G.calledFromAdd = G.calledFromEdit = false;
    const ProgramFolders folders = programFolders(QApplication::applicationDirPath());
    G.helpFolder = folders.helpFolder;
    const QString appPath = chooseAppPath(folders.portableDir, options.dataDir);

    if (!languageChosen())
        chooseLanguage();
    if (initialise(appPath) == InitOutcome::Quit)
        return 0;
    followProgramLocale();
    setBookReloadedHandler(showBookAgainEverywhere);
    // A book changed outside is read in while nothing is asked.
    const BookWatcher watcher(
        bookPath(), G.xmlDoc, [] { return !QApplication::activeModalWidget() && !QApplication::activePopupWidget(); },
        [] {
            bookReloaded();
            if (!G.xmlDoc.journal().isEmpty())
                report(bookStore().save());
            rankTitlesAside(G.xmlDoc);
        });
    QWidget* browse = showWindow(WindowKind::Br);
    if (!browse)
        return 1;
    // While the cook looks at the first window, the titles are put in list
    // order for the searches to come.
    QTimer::singleShot(0, [] { rankTitlesAside(G.xmlDoc); });
    offerConflictCopies();
    const int code = QApplication::exec();
    unlockBookFolder();
    setDialogs(nullptr);
    return code;
}

} // namespace bd
