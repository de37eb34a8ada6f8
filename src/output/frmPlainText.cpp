#include "output/frmPlainText.h"

#include "app/ui/controls.h"
#include "app/base/twips.h"
#include "app/base/dialogs.h"
#include "app/ui/windows.h"
#include "browse/frmBr.h"
#include "resources/apply.h"
#include "resources/captions.h"
#include "app/base/text.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace bd {

frmPlainText::frmPlainText(QWidget* parent) : QWidget(parent, Qt::Dialog)
{
    text1 = named(new QPlainTextEdit(this), "text1");
    text1->setReadOnly(true);
    text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Command2 = named(new QPushButton(this), "Command2");
    cmdSave = named(new QPushButton(this), "cmdSave");
    cmdDone = named(new QPushButton(this), "cmdDone");

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command2);
    buttons->addWidget(cmdSave);
    buttons->addStretch();
    buttons->addWidget(cmdDone);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(pxX(120), pxY(120), pxX(120), pxY(120));
    layout->addWidget(text1);
    layout->addLayout(buttons);
    resize(pxX(7200), pxY(6600));

    // Window load: captions and colours, then the text of the shown recipe.
    applyCaptions(this, kPlainTextCaptions);
    applyColours(this, kPlainTextColours);
    if (const auto* br = qobject_cast<const frmBr*>(instance(WindowKind::Br)))
        shown_ = br->shownRecipe();
    text_ = plainTextRecipe(shown_);
    text1->setPlainText(text_);

    connect(Command2, &QPushButton::clicked, this, &frmPlainText::copyRecipe);
    connect(cmdSave, &QPushButton::clicked, this, &frmPlainText::saveRecipe);
    connect(cmdDone, &QPushButton::clicked, this, &QWidget::close);
    cmdDone->setFocus();
}

void frmPlainText::copyRecipe()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text_);
}

void frmPlainText::saveRecipe()
{
    const Command command(this);
    if (!command)
        return;
    saveTextAs(shown_.title, text_);
}

void frmPlainText::closeEvent(QCloseEvent* event)
{
    // Not while a question is open; it goes on with this window.
    if (dialogOpen())
        event->ignore();
    else
        QWidget::closeEvent(event);
}

void frmPlainText::keyPressEvent(QKeyEvent* event)
{
    if (!closeOnEscape(this, event))
        QWidget::keyPressEvent(event);
}

} // namespace bd
