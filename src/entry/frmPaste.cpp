#include "entry/frmPaste.h"

#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "app/base/twips.h"
#include "app/ui/controls.h"
#include "app/ui/windows.h"
#include "entry/frmAdd.h"
#include "exchange/formats/pastedtext.h"
#include "exchange/frmImp.h"
#include "resources/apply.h"
#include "resources/captions.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace bd {

frmPaste::frmPaste(QWidget* parent) : QWidget(parent, Qt::Dialog)
{
    lblPaste = named(new QLabel(this), "lblPaste");
    lblPaste->setWordWrap(true);
    txtPaste = named(new QPlainTextEdit(this), "txtPaste");
    txtPaste->setTabChangesFocus(true);
    cmdFill = named(new QPushButton(this), "cmdFill");
    cmdPasteCancel = named(new QPushButton(this), "cmdPasteCancel");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdFill);
    buttons->addWidget(cmdPasteCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(pxX(120), pxY(120), pxX(120), pxY(120));
    layout->addWidget(lblPaste);
    layout->addWidget(txtPaste);
    layout->addLayout(buttons);
    resize(pxX(7200), pxY(6600));

    applyCaptions(this, kPasteCaptions);
    applyColours(this, kPasteColours);

    connect(cmdFill, &QPushButton::clicked, this, &frmPaste::fillRecipe);
    connect(cmdPasteCancel, &QPushButton::clicked, this, &QWidget::close);
    txtPaste->setFocus();
}

void frmPaste::fillRecipe()
{
    const QString text = txtPaste->toPlainText();
    if (text.trimmed().isEmpty()) {
        txtPaste->setFocus();
        return;
    }
    QWidget* browse = instance(WindowKind::Br);
    if (pastedWebAddress(text)) {
        close();
        if (auto* wizard = qobject_cast<frmImp*>(switchTo(browse, WindowKind::Imp)))
            wizard->importWeb(text.trimmed());
        return;
    }
    const Recipe recipe = splitPastedRecipe(text, G.langOffset);
    close();
    if (auto* add = qobject_cast<frmAdd*>(switchTo(browse, WindowKind::Add)))
        add->fillForm(recipe);
}

void frmPaste::closeEvent(QCloseEvent* event)
{
    // Not while a question is open; it goes on with this window.
    if (dialogOpen())
        event->ignore();
    else
        QWidget::closeEvent(event);
}

void frmPaste::keyPressEvent(QKeyEvent* event)
{
    if (!closeOnEscape(this, event))
        QWidget::keyPressEvent(event);
}

} // namespace bd
