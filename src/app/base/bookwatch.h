#pragma once
// Watches the book file while the program runs: when another program (a
// sync service, a second computer) replaces or changes it, the new version
// is read in once the change has settled and the program is idle, and the
// windows show it. A version that cannot be read, or one that comes while
// changes of the cook's are not on disk yet, is left for the next save to
// merge. Changes of a save that a version written back from before it
// lacks are put in again, and the book then has changes to save.

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

#include "store/recipebook.h"

namespace bd {

class BookWatcher : public QObject {
    Q_OBJECT
public:
    // idle: true when a reload would not pull the book from under the user
    // (no dialog open); reloaded: after the book was replaced (it saves
    // the book when its journal is not empty).
    BookWatcher(QString path, RecipeBook& book, std::function<bool()> idle, std::function<void()> reloaded,
                QObject* parent = nullptr);

    // Reads the file in when it differs from what the book was read from
    // or last saved as; true when it did.
    bool check();

    static constexpr int kSettleMs = 400;

private:
    void changed();

    QString path_;
    RecipeBook& book_;
    std::function<bool()> idle_;
    std::function<void()> reloaded_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
};

} // namespace bd
