#include "app/workprogress.h"

#include "resources/strings.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace bd {

WorkProgress::WorkProgress(QWidget* parent, int labelId) : parent_(parent), labelId_(labelId) {}

WorkProgress::~WorkProgress() = default;

bool WorkProgress::step(int done, int total)
{
    if (dialog_ && done < total && sinceUpdate_.isValid() && sinceUpdate_.elapsed() < 40)
        return !dialog_->wasCanceled();
    sinceUpdate_.start();
    if (!dialog_) {
        dialog_ = std::make_unique<QProgressDialog>(fetchText(labelId_), fetchText(Str::BtnCancel), 0, total,
                                                    parent_.data());
        dialog_->setWindowTitle(QStringLiteral("BD"));
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setMinimumDuration(500);
        dialog_->setAutoClose(false);
    }
    dialog_->setMaximum(total);
    dialog_->setValue(done);
    QCoreApplication::processEvents();
    return !dialog_->wasCanceled();
}

void WorkProgress::finish() { dialog_.reset(); }

} // namespace bd
