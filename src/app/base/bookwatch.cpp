#include "app/base/bookwatch.h"

#include "store/bookmerge.h"

#include <QFileInfo>

namespace bd {

BookWatcher::BookWatcher(QString path, RecipeBook& book, std::function<bool()> idle, std::function<void()> reloaded,
                         QObject* parent)
    : QObject(parent), path_(std::move(path)), book_(book), idle_(std::move(idle)), reloaded_(std::move(reloaded))
{
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] {
        if (idle_ && !idle_()) {
            settle_.start(); // again once the dialog is answered
            return;
        }
        check();
    });
    // A file replaced by renaming another over it leaves the file watch;
    // the folder's watch sees it.
    watcher_.addPath(QFileInfo(path_).absolutePath());
    watcher_.addPath(path_);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &BookWatcher::changed);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &BookWatcher::changed);
}

void BookWatcher::changed()
{
    if (!watcher_.files().contains(path_) && QFileInfo::exists(path_))
        watcher_.addPath(path_);
    settle_.start();
}

bool BookWatcher::check()
{
    // Changes not on disk yet (a save that failed) are merged with the new
    // version by the next save, never dropped for it here.
    if (!book_.diskStamp().known() || !book_.journal().isEmpty() || sameOnDisk(book_.diskStamp(), path_) ||
        !QFileInfo::exists(path_))
        return false;
    RecipeBook fresh;
    if (!fresh.loadFile(path_, nullptr, false))
        return false;
    // A program that read the file before the last save may have written
    // back what it read: the save's changes go in again, to be saved.
    if (!book_.journal().shown.isEmpty())
        fresh.setJournal(mergeInto(fresh, book_).journal);
    book_.adopt(fresh);
    if (reloaded_)
        reloaded_();
    return true;
}

} // namespace bd
