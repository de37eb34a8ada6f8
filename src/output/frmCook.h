#pragma once
// The cook mode: the shown recipe full screen in large text, one step of
// its preparation at a time, its ingredients to tick off, and kitchen
// timers started from the times a step names. The screen stays awake while
// it is open; Escape leaves.

#include "output/cooking.h"

#include <QWidget>

#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QTimer;
class QVBoxLayout;
class QHBoxLayout;

namespace bd {

class frmCook : public QWidget {
    Q_OBJECT
public:
    explicit frmCook(QWidget* parent = nullptr);

    // Shows recipe (as the browse window shows it) from its first step.
    void setRecipe(const Recipe& recipe);

    int step() const { return step_; }
    int stepCount() const { return int(steps_.size()); }
    void showStep(int index);
    void nextStep() { showStep(step_ + 1); }
    void previousStep() { showStep(step_ - 1); }

    // A running timer: what it is for and when it ends (steadyMs()).
    struct Running {
        QString what;
        qint64 endsAt = 0;
        bool rung = false;
        QWidget* row = nullptr;
        QLabel* label = nullptr;
    };
    const std::vector<Running>& timers() const { return running_; }
    void startCountdown(const QString& what, int seconds);
    void stopCountdown(int index);
    // Brings the timers' counts up to date; rings those that ended.
    void tick();

    QLabel *lblTitle, *lblStepOf, *lblStep, *lblIngHead, *lblTimersHead, *lblKeys;
    QListWidget* lstCookIng;
    QWidget* fraTimerButtons; // a button per time the step names
    QWidget* fraTimers;       // the running timers
    QPushButton *cmdPrevStep, *cmdNextStep, *cmdLeave;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::vector<QString> steps_;
    int step_ = 0;
    std::vector<Running> running_;
    QHBoxLayout* timerButtons_;
    QVBoxLayout* timerRows_;
    QTimer* ticker_;
    bool flash_ = false;
};

// "25:00", "1:05:09": a timer's time left, in whole seconds rounded up.
QString timeLeftText(qint64 ms);

} // namespace bd
