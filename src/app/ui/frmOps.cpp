#include "app/ui/frmOps.h"

#include "app/base/globals.h"
#include "app/base/preferences.h"
#include "app/base/twips.h"
#include "app/ui/windows.h"
#include "resources/apply.h"
#include "resources/captions.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

namespace bd {

namespace {

template <typename T>
T* named(T* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

// A button's caption holds a mnemonic in each language; the toolkit takes
// the first, this adds the second.
void addSecondMnemonic(QPushButton* button)
{
    const QStringList lines = button->text().split(QLatin1Char('\n'));
    if (lines.size() < 2)
        return;
    const QKeySequence second = QKeySequence::mnemonic(lines.at(1));
    if (second.isEmpty() || second == QKeySequence::mnemonic(lines.at(0)))
        return;
    auto* shortcut = new QShortcut(second, button);
    QObject::connect(shortcut, &QShortcut::activated, button, &QPushButton::click);
}

// Fixes the widget's colours at the application's, so that the panel's
// colours behind it do not pass on to it.
void keepOwnColours(QWidget* w)
{
    QPalette p = QApplication::palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText, QPalette::Base, QPalette::Text,
                                     QPalette::Button, QPalette::ButtonText})
        p.setColor(role, p.color(role));
    w->setPalette(p);
}

} // namespace

frmOps::frmOps(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmOps"));
    Picture1 = named(new QFrame(this), "Picture1");
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Picture1);

    Label1 = named(new QLabel(Picture1), "Label1");
    Label2 = named(new QLabel(Picture1), "Label2");
    Label3 = named(new QLabel(Picture1), "Label3");
    cboColor = named(new QComboBox(Picture1), "cboColor");
    cboLang = named(new QComboBox(Picture1), "cboLang");
    cboText = named(new QComboBox(Picture1), "cboText");
    cmdSave = named(new QPushButton(Picture1), "cmdSave");
    cmdDis = named(new QPushButton(Picture1), "cmdDis");
    // Labels and lists keep their own colours, readable on every scheme's panel.
    for (QLabel* l : {Label1, Label2, Label3}) {
        keepOwnColours(l);
        l->setAutoFillBackground(true);
        l->setMargin(pxX(60));
    }
    for (QComboBox* c : {cboColor, cboLang, cboText})
        keepOwnColours(c);

    auto* grid = new QGridLayout(Picture1);
    grid->setContentsMargins(pxX(360), pxY(360), pxX(360), pxY(360));
    grid->setHorizontalSpacing(pxX(240));
    grid->setVerticalSpacing(pxY(180));
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(cboColor, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(cboLang, 1, 1);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(cboText, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(pxX(240));
    buttons->addStretch();
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdDis);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    for (QPushButton* b : {cmdSave, cmdDis})
        b->setMinimumSize(pxX(1600), pxY(720));

    // Form load: the fixed entries, then the stored choices.
    cboColor->addItems({QStringLiteral("normal"), QStringLiteral("black & white / negro & blanco"),
                        QStringLiteral("lime / lima"), QString::fromUtf8("ocean / océano"),
                        QStringLiteral("pink / rosa"), QStringLiteral("daisy blue / margarita de azul"),
                        QStringLiteral("256 color")});
    cboLang->addItems({QStringLiteral("english"), QString::fromUtf8("español")});
    cboText->addItems(
        {QString::fromUtf8("small / pequeño"), QStringLiteral("normal"), QStringLiteral("large / grande")});
    connect(cboColor, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &frmOps::preview);
    const PrefChoice stored = storedPreferences();
    cboColor->setCurrentIndex(stored.colour);
    cboLang->setCurrentIndex(stored.lang);
    cboText->setCurrentIndex(stored.text);
    applyColours(this, kOpsColours);
    applyBilingualCaptions(this, kOpsCaptions);
    addSecondMnemonic(cmdSave);
    addSecondMnemonic(cmdDis);

    connect(cmdSave, &QPushButton::clicked, this, &frmOps::save);
    connect(cmdDis, &QPushButton::clicked, this, &frmOps::discard);
    cmdSave->setDefault(true);
    cboColor->setFocus();
    setFixedSize(sizeHint());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmOps::preview(int position)
{
    if (position < 0)
        return;
    G.colorBase = position * 100;
    applyColours(this, kOpsColours);
}

void frmOps::save()
{
    savePreferences({cboColor->currentIndex(), cboLang->currentIndex(), cboText->currentIndex()});
    QCoreApplication::processEvents();
    hide();
    returnToMainWindow();
}

void frmOps::discard()
{
    discardPreferences();
    hide();
    returnToMainWindow();
}

void frmOps::returnToMainWindow()
{
    const bool toAdd = G.addWinActive && windowAvailable(WindowKind::Add);
    if (!switchTo(this, toAdd ? WindowKind::Add : WindowKind::Br))
        close();
}

} // namespace bd
