#include "app/application.h"

#include "app/frmLang.h"
#include "app/frmOps.h"
#include "app/globals.h"
#include "app/qtdialogs.h"
#include "app/startup.h"
#include "app/windows.h"
#include "browse/frmAbout.h"
#include "browse/frmBr.h"
#include "entry/frmAdd.h"
#include "entry/frmEdit.h"
#include "browse/frmImgView.h"
#include "exchange/frmExp.h"
#include "exchange/frmImp.h"

#include <QApplication>
#include <QEventLoop>
#include <QStyleFactory>

#include <cstdio>

namespace bd {

void registerStandardWindows()
{
    registerWindow(WindowKind::Br, [] { return new frmBr; });
    registerWindow(WindowKind::About, [] { return new frmAbout; });
    registerWindow(WindowKind::Add, [] { return new frmAdd; });
    registerWindow(WindowKind::Edit, [] { return new frmEdit; });
    registerWindow(WindowKind::ImgView, [] { return new frmImgView; });
    registerWindow(WindowKind::Ops, [] { return new frmOps; });
    registerWindow(WindowKind::Exp, [] { return new frmExp; });
    registerWindow(WindowKind::Imp, [] { return new frmImp; });
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
} // namespace

int runBrindelle(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quendrel"));
    QApplication::setApplicationName(QStringLiteral("Brindelle"));
    QApplication::setApplicationVersion(QStringLiteral(BRINDELLE_VERSION));
    // One look on every platform, so the colour schemes show as designed.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);

    const Options options = parseCommandLine(QApplication::arguments());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "brindelle: %s\nUsage: brindelle [--data-dir DIR]\n", qPrintable(options.error));
        return 2;
    }

    QtDialogs qtDialogs;
    setDialogs(&qtDialogs);
    registerStandardWindows();
    installLastWindowRule();

    G.endOnUnload = false;
    G.calledFromBr = G.calledFromAdd = G.calledFromEdit = false;
    G.helpFolder = QApplication::applicationDirPath();
    const QString appPath = chooseAppPath(QApplication::applicationDirPath(), options.dataDir);

    if (!languageChosen())
        chooseLanguage();
    if (initialise(appPath) == InitOutcome::Quit)
        return 0;
    if (!showWindow(WindowKind::Br))
        return 1;
    const int code = QApplication::exec();
    setDialogs(nullptr);
    return code;
}

} // namespace bd
