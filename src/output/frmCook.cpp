#include "output/frmCook.h"

#include "app/base/clock.h"
#include "app/base/globals.h"
#include "app/base/text.h"
#include "app/ui/alarm.h"
#include "app/ui/controls.h"
#include "app/ui/screenawake.h"
#include "app/ui/windows.h"
#include "browse/frmBr.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace bd {

namespace {

constexpr int kStepPoints = 26, kListPoints = 18, kButtonPoints = 20;

void setPoints(QWidget* w, int points, bool bold = false)
{
    QFont f = w->font();
    f.setPointSize(points);
    f.setBold(bold);
    w->setFont(f);
}

QPushButton* bigButton(QWidget* parent, const char* name)
{
    auto* b = named(new QPushButton(parent), name);
    setPoints(b, kButtonPoints, true);
    b->setMinimumHeight(b->fontMetrics().height() * 2);
    // The keys belong to the window: Space moves on, never presses.
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

// The step as rich text with the times it names in bold.
QString stepHtml(const QString& step, const std::vector<StepTimer>& times)
{
    QString html;
    int at = 0;
    for (const StepTimer& t : times) {
        if (t.start < at || t.start + t.length > step.size())
            continue;
        html += step.mid(at, t.start - at).toHtmlEscaped();
        html += QStringLiteral("<b>") + step.mid(t.start, t.length).toHtmlEscaped() + QStringLiteral("</b>");
        at = t.start + t.length;
    }
    html += step.mid(at).toHtmlEscaped();
    html.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return html;
}

} // namespace

QString timeLeftText(qint64 ms)
{
    const qint64 s = ms <= 0 ? 0 : (ms + 999) / 1000;
    const qint64 h = s / 3600, m = s / 60 % 60, sec = s % 60;
    auto two = [](qint64 v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return h > 0 ? QStringLiteral("%1:%2:%3").arg(h).arg(two(m), two(sec))
                 : QStringLiteral("%1:%2").arg(m).arg(two(sec));
}

frmCook::frmCook(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmCook"));
    setWindowTitle(fetchText(Str::CookCaption));
    setFocusPolicy(Qt::StrongFocus);

    lblTitle = label(this, "lblTitle");
    setPoints(lblTitle, kButtonPoints, true);
    lblTitle->setWordWrap(true);
    lblStepOf = label(this, "lblStepOf", Qt::AlignRight | Qt::AlignVCenter);
    setPoints(lblStepOf, kButtonPoints);
    lblStep = label(this, "lblStep", Qt::AlignLeft | Qt::AlignTop);
    setPoints(lblStep, kStepPoints);
    lblStep->setWordWrap(true);
    lblStep->setTextFormat(Qt::RichText);
    lblIngHead = label(this, "lblIngHead");
    setPoints(lblIngHead, kButtonPoints, true);
    lblIngHead->setText(fetchText(Str::Ingredients));
    lstCookIng = named(new QListWidget(this), "lstCookIng");
    setPoints(lstCookIng, kListPoints);
    lstCookIng->setWordWrap(true);
    lstCookIng->setFocusPolicy(Qt::NoFocus);
    // Tick boxes a finger finds, as large as the text.
    const int box = lstCookIng->fontMetrics().height() * 3 / 4;
    lstCookIng->setStyleSheet(QStringLiteral("QListWidget::indicator { width: %1px; height: %1px; }").arg(box));
    lblTimersHead = label(this, "lblTimersHead");
    setPoints(lblTimersHead, kListPoints, true);
    lblTimersHead->setText(fetchText(Str::TimersHeading));
    lblTimersHead->hide(); // until a timer runs
    fraTimerButtons = named(new QWidget(this), "fraTimerButtons");
    timerButtons_ = new QHBoxLayout(fraTimerButtons);
    timerButtons_->setContentsMargins(0, 0, 0, 0);
    fraTimers = named(new QWidget(this), "fraTimers");
    timerRows_ = new QVBoxLayout(fraTimers);
    timerRows_->setContentsMargins(0, 0, 0, 0);
    lblKeys = label(this, "lblKeys");
    lblKeys->setText(fetchText(Str::CookKeys));
    lblKeys->setWordWrap(true);
    cmdPrevStep = bigButton(this, "cmdPrevStep");
    cmdPrevStep->setText(fetchText(Str::StepPrevious));
    cmdNextStep = bigButton(this, "cmdNextStep");
    cmdNextStep->setText(fetchText(Str::StepNext));
    cmdLeave = bigButton(this, "cmdLeave");
    cmdLeave->setText(fetchText(Str::CookLeave));

    // Ingredients on the left; the step, its timers and the buttons on the right.
    auto* top = new QHBoxLayout;
    top->addWidget(lblTitle, 1);
    top->addWidget(lblStepOf);
    auto* left = new QVBoxLayout;
    left->addWidget(lblIngHead);
    left->addWidget(lstCookIng, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(lblStep, 1);
    right->addWidget(fraTimerButtons);
    right->addWidget(lblTimersHead);
    right->addWidget(fraTimers);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdPrevStep, 1);
    buttons->addWidget(cmdNextStep, 1);
    right->addLayout(buttons);
    auto* middle = new QHBoxLayout;
    middle->addLayout(left, 2);
    middle->addSpacing(24);
    middle->addLayout(right, 3);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblKeys, 1);
    bottom->addWidget(cmdLeave);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 16);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);

    connect(lstCookIng, &QListWidget::itemChanged, this, [](QListWidgetItem* item) {
        // What is in the pot is struck through.
        QFont f = item->font();
        f.setStrikeOut(item->checkState() == Qt::Checked);
        item->setFont(f);
    });
    // A click anywhere on the line ticks it.
    connect(lstCookIng, &QListWidget::itemClicked, this, [](QListWidgetItem* item) {
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    });
    connect(cmdPrevStep, &QPushButton::clicked, this, &frmCook::previousStep);
    connect(cmdNextStep, &QPushButton::clicked, this, &frmCook::nextStep);
    connect(cmdLeave, &QPushButton::clicked, this, &QWidget::close);
    ticker_ = new QTimer(this);
    ticker_->setInterval(500);
    connect(ticker_, &QTimer::timeout, this, &frmCook::tick);
    new ScreenAwake(fetchText(Str::CookCaption), this);

    // The recipe as the browse window shows it: servings and units kept.
    if (const auto* br = qobject_cast<const frmBr*>(instance(WindowKind::Br))) {
        if (!br->storedRecipe().title.isEmpty())
            setRecipe(viewedRecipe(br->storedRecipe(), br->cookView(), G.langOffset));
    }
    // The whole screen: placed here, so that it is not centred on its opener.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());
    setWindowState(Qt::WindowFullScreen);
    QTimer::singleShot(0, this, [this] {
        activateWindow();
        setFocus(Qt::OtherFocusReason);
    });
}

void frmCook::setRecipe(const Recipe& recipe)
{
    lblTitle->setText(recipe.yield.isEmpty() ? recipe.title
                                             : recipe.title + QStringLiteral("  \u2013  ") + recipe.yield);
    lstCookIng->clear();
    for (QString line : recipe.ing.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        auto* item = new QListWidgetItem(line, lstCookIng);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    steps_ = preparationSteps(recipe.prep);
    if (steps_.empty())
        steps_.push_back(QString());
    step_ = -1;
    showStep(0);
}

void frmCook::showStep(int index)
{
    if (steps_.empty())
        return;
    index = qBound(0, index, int(steps_.size()) - 1);
    if (index == step_)
        return;
    step_ = index;
    const QString& step = steps_[std::size_t(index)];
    const std::vector<StepTimer> times = timersInStep(step);
    lblStep->setText(stepHtml(step, times));
    lblStepOf->setText(fetchText(Str::StepOf).arg(index + 1).arg(steps_.size()));
    cmdPrevStep->setEnabled(index > 0);
    cmdNextStep->setEnabled(index + 1 < int(steps_.size()));

    // A button for each time the step names.
    while (QLayoutItem* item = timerButtons_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    int n = 0;
    for (const StepTimer& t : times) {
        if (t.seconds <= 0)
            continue;
        const QString what = step.mid(t.start, t.length);
        auto* b = new QPushButton(fetchText(Str::TimerStart).arg(what), fraTimerButtons);
        b->setObjectName(QStringLiteral("cmdTimer%1").arg(n++));
        setPoints(b, kListPoints);
        b->setFocusPolicy(Qt::NoFocus);
        const int seconds = t.seconds;
        connect(b, &QPushButton::clicked, this, [this, what, seconds] { startCountdown(what, seconds); });
        timerButtons_->addWidget(b);
    }
    timerButtons_->addStretch();
    fraTimerButtons->setVisible(n > 0);
}

void frmCook::startCountdown(const QString& what, int seconds)
{
    Running r;
    r.what = what;
    r.endsAt = steadyMs() + qint64(seconds) * 1000;
    r.row = new QWidget(fraTimers);
    auto* line = new QHBoxLayout(r.row);
    line->setContentsMargins(0, 0, 0, 0);
    r.label = new QLabel(r.row);
    r.label->setObjectName(QStringLiteral("lblTimer"));
    setPoints(r.label, kListPoints, true);
    r.label->setAutoFillBackground(true);
    auto* stop = new QPushButton(fetchText(Str::TimerStop), r.row);
    stop->setObjectName(QStringLiteral("cmdStopTimer"));
    setPoints(stop, kListPoints);
    stop->setFocusPolicy(Qt::NoFocus);
    QWidget* row = r.row;
    connect(stop, &QPushButton::clicked, this, [this, row] {
        for (std::size_t i = 0; i < running_.size(); ++i)
            if (running_[i].row == row)
                stopCountdown(int(i));
    });
    line->addWidget(r.label, 1);
    line->addWidget(stop);
    timerRows_->addWidget(r.row);
    running_.push_back(r);
    lblTimersHead->show();
    tick();
    ticker_->start();
}

void frmCook::stopCountdown(int index)
{
    if (index < 0 || index >= int(running_.size()))
        return;
    running_[std::size_t(index)].row->deleteLater();
    running_.erase(running_.begin() + index);
    if (running_.empty()) {
        ticker_->stop();
        lblTimersHead->hide();
    }
}

void frmCook::tick()
{
    const qint64 now = steadyMs();
    flash_ = !flash_;
    for (Running& r : running_) {
        const qint64 left = r.endsAt - now;
        QPalette p = r.label->palette();
        if (left > 0) {
            r.label->setText(timeLeftText(left) + QStringLiteral("   ") + r.what);
            p.setColor(QPalette::Window, palette().color(QPalette::Window));
            p.setColor(QPalette::WindowText, palette().color(QPalette::WindowText));
        } else {
            if (!r.rung) {
                r.rung = true;
                ringAlarm();
                QApplication::alert(this);
            }
            // Flashes until it is stopped.
            r.label->setText(fetchText(Str::TimerDone) + QStringLiteral("   ") + r.what);
            p.setColor(QPalette::Window, flash_ ? QColor(200, 30, 30) : QColor(255, 226, 64));
            p.setColor(QPalette::WindowText, flash_ ? Qt::white : Qt::black);
        }
        r.label->setPalette(p);
    }
}

void frmCook::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape: close(); return;
    case Qt::Key_Right:
    case Qt::Key_Space:
    case Qt::Key_PageDown: nextStep(); return;
    case Qt::Key_Left:
    case Qt::Key_PageUp: previousStep(); return;
    default: QWidget::keyPressEvent(event);
    }
}

void frmCook::closeEvent(QCloseEvent* event)
{
    ticker_->stop();
    QWidget::closeEvent(event);
}

} // namespace bd
