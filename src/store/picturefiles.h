#pragma once
// Picture files the program writes: into the book's images folder, and
// into the exp_img folder of a backup or export. New files are written
// under names only this program gives ("<name>.bdnew-XXXXXX") and take
// their own names only once the book that names them is on disk, so that
// a kill, a full disk or a failed save never leaves a book naming a
// changed or missing picture, and never replaces a file already there.

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <utility>

namespace bd {

class RecipeBook;

// True for a regular file itself: not a symbolic link, folder, FIFO,
// socket or device. Only such files are read as pictures.
bool regularFile(const QString& path);

// True when both paths exist and find one and the same file (two names
// differing in letter case on a disk that ignores it).
bool sameFile(const QString& a, const QString& b);

// Copies from (a regular file, or a link to one) to to, which must not
// exist yet; the copy is flushed to disk. On failure no file to is left.
bool copyNewFile(const QString& from, const QString& to);

// wanted, or wanted with " (2)", " (3)", ... before its extension: the
// first of them taken() refuses.
QString freeName(const QString& wanted, const std::function<bool(const QString&)>& taken);

// Pictures copied into a folder for a save that is about to name them.
class NewPictures {
public:
    explicit NewPictures(QString folder);
    ~NewPictures(); // what was neither kept nor discarded is discarded
    NewPictures(const NewPictures&) = delete;
    NewPictures& operator=(const NewPictures&) = delete;

    // Copies the regular file source into the folder under an unfinished
    // name, which becomes name by keep(). False when it cannot be copied.
    bool add(const QString& source, const QString& name);
    // True when a picture of this batch is to be called name (letter case ignored).
    bool holds(const QString& name) const;
    // Once the book naming them is saved: each picture takes its name. A
    // file already there is never replaced; start-up finishes what is left.
    void keep();
    // The save failed: the copies are removed.
    void discard();

private:
    QString folder_;
    QVector<std::pair<QString, QString>> pending_; // unfinished file, its name
};

// Before a save that stops naming pictures: their names are noted in
// folder (".bdretired"), so that a start after a kill removes those the
// saved book no longer names. retiredDone() takes the note away.
void noteRetired(const QString& folder, const QStringList& names);
void retiredDone(const QString& folder);

// At start-up, by the copy of the program holding the book folder: an
// unfinished picture in folder that book names takes its name (the save
// naming it went through); any other is removed. Noted retired pictures
// the book no longer names (in any letter case) are removed.
void finishNewPictures(const QString& folder, const RecipeBook& book);

// An exp_img folder built beside its place and put there in one step once
// complete. Leftovers of a build cut short are removed by the next build
// beside the same place.
class NewPictureFolder {
public:
    // target: the folder to replace. withOld: the new folder starts with
    // the regular files of the old one (an export beside others).
    explicit NewPictureFolder(QString target, bool withOld = false);
    ~NewPictureFolder(); // a build not put in place is removed
    NewPictureFolder(const NewPictureFolder&) = delete;
    NewPictureFolder& operator=(const NewPictureFolder&) = delete;

    // False when the build cannot start: the folder cannot be written, or
    // target is a symbolic link or not a folder (never written through).
    bool open();
    // True when both paths exist and find one and the same file (two names
    // differing in letter case on a disk that ignores it).
    bool sameFile(const QString& a, const QString& b);

    // Copies the regular file from into the new folder as name.
    bool add(const QString& from, const QString& name);
    // Puts the new folder in target's place; the old one is removed.
    bool commit();
    // After commit: removes the files that came only from the old folder.
    void dropOld();

private:
    QString target_;
    QString build_;
    bool withOld_;
    QSet<QString> fromOld_; // names linked or copied from the old folder and not replaced
};

// True when path is a symbolic link, or exists and is no folder.
bool unusableFolder(const QString& path);

} // namespace bd
