#pragma once
// A cancellable progress dialog for long work on the user-interface thread.
// It appears only when the work takes a while, and keeps the program live
// without redrawing for every item.

#include <QElapsedTimer>
#include <QPointer>

#include <memory>

class QProgressDialog;
class QWidget;

namespace bd {

class WorkProgress {
public:
    // labelId: the string shown above the bar.
    WorkProgress(QWidget* parent, int labelId);
    ~WorkProgress();
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    // done of total items are finished; false once the user has cancelled.
    bool step(int done, int total);
    // Closes the dialog.
    void finish();

private:
    QPointer<QWidget> parent_;
    int labelId_;
    std::unique_ptr<QProgressDialog> dialog_;
    QElapsedTimer sinceUpdate_;
};

} // namespace bd
