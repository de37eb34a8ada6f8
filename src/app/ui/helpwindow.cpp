#include "app/ui/helpwindow.h"

#include "app/base/dialogs.h"
#include "app/base/settings.h"
#include "app/base/globals.h"
#include "app/base/twips.h"
#include "app/base/text.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

namespace bd {

QString helpFilePath()
{
    return G.helpFolder + (G.langOffset == 0 ? QStringLiteral("/bd.html") : QStringLiteral("/bdEs.html"));
}

QWidget* helpContents(QWidget* owner)
{
    const QString path = helpFilePath();
    if (!fileExists(path)) {
        msgBox(Str::HelpNotFound, Buttons::Ok, Icon::Exclamation);
        return nullptr;
    }
    // One guide per owner: asking again brings it to the front.
    if (owner) {
        if (auto* open = owner->findChild<QWidget*>(QStringLiteral("helpWindow"), Qt::FindDirectChildrenOnly)) {
            open->raise();
            open->activateWindow();
            return open;
        }
    }
    auto* window = new QWidget(owner, Qt::Window);
    window->setObjectName(QStringLiteral("helpWindow"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(fetchText(Str::HelpTitle));
    auto* browser = new QTextBrowser(window);
    browser->setObjectName(QStringLiteral("helpBrowser"));
    browser->setOpenExternalLinks(true);
    browser->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    browser->document()->setDocumentMargin(pxX(180));
    window->resize(pxX(9000), pxY(9000));
    if (owner)
        window->move(owner->frameGeometry().center() - window->rect().center());
    window->show();
    return window;
}

} // namespace bd
