#pragma once
// A cancellable progress dialog for long work on the user-interface thread.
// It appears only when the work takes a while, and keeps the program live
// without redrawing for every item. It makes way for every question asked
// meanwhile: hidden while one is open, and back only after the work has run
// a while again, so that what the user types goes to the question.

#include "app/base/dialogs.h"

#include <QPointer>

class QProgressDialog;
class QWidget;

namespace bd {

class WorkProgress final : private DialogWatcher {
public:
    // labelId: the string shown above the bar.
    WorkProgress(QWidget* parent, Str labelId);
    ~WorkProgress() override;

    // done of total items are finished; false once the user has cancelled.
    bool step(int done, int total);
    // Closes the dialog.
    void finish();
    // The dialog, once it has been made (for tests).
    QProgressDialog* dialog() const;

    // The work runs this long before the dialog shows.
    static constexpr int kShowAfterMs = 500;

private:
    void dialogsOpened() override;
    void dialogsClosed() override;

    KeepWindows keep_; // the work goes on with its windows
    QPointer<QWidget> parent_;
    Str labelId_;
    QPointer<QProgressDialog> dialog_; // a child of parent_, gone with it
    qint64 workingSince_ = -1;         // when the work started or a question closed (steadyMs)
    qint64 updatedAt_ = -1;            // when the dialog and the events were last served
    bool cancelled_ = false;
};

} // namespace bd
