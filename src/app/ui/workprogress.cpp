#include "app/ui/workprogress.h"

#include "app/base/clock.h"
#include "app/base/text.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <climits>

namespace bd {

WorkProgress::WorkProgress(QWidget* parent, Str labelId) : parent_(parent), labelId_(labelId) {}

WorkProgress::~WorkProgress() { finish(); }

bool WorkProgress::step(int done, int total)
{
    const qint64 now = steadyMs();
    if (workingSince_ < 0)
        workingSince_ = now;
    if (cancelled_ || (dialog_ && dialog_->wasCanceled())) {
        cancelled_ = true;
        return false;
    }
    if (updatedAt_ >= 0 && now - updatedAt_ < 40 && done < total)
        return true;
    updatedAt_ = now;
    const bool shown = dialog_ && dialog_->isVisible();
    if (!shown && done < total && !dialogOpen() && now - workingSince_ >= kShowAfterMs) {
        if (!dialog_) {
            dialog_ = new QProgressDialog(fetchText(labelId_), fetchText(Str::BtnCancel), 0, total, parent_.data());
            dialog_->setWindowTitle(QStringLiteral("BD"));
            dialog_->setWindowModality(Qt::WindowModal);
            dialog_->setAutoClose(false);
            dialog_->setAutoReset(false);
            // Shown here and nowhere else, never by its own timer.
            dialog_->setMinimumDuration(INT_MAX);
            dialog_->reset();
        }
        dialog_->show();
    }
    if (dialog_ && dialog_->isVisible()) {
        dialog_->setMaximum(total);
        dialog_->setValue(done);
    }
    // Until the dialog blocks the window, what the user does waits.
    QCoreApplication::processEvents(dialog_ && dialog_->isVisible() ? QEventLoop::AllEvents
                                                                    : QEventLoop::ExcludeUserInputEvents);
    if (dialog_ && dialog_->wasCanceled())
        cancelled_ = true;
    return !cancelled_;
}

void WorkProgress::finish() { delete dialog_.data(); }

QProgressDialog* WorkProgress::dialog() const { return dialog_.data(); }

void WorkProgress::dialogsOpened()
{
    if (dialog_)
        dialog_->hide();
}

void WorkProgress::dialogsClosed() { workingSince_ = steadyMs(); }

} // namespace bd
