#pragma once
// Where the program's own files are: whether a file the cook names for
// writing (an export) would land in the book folder, whatever path leads
// there.

#include <QString>

namespace bd {

// True when writing target would write into bookFolder: target is, or
// would become, an entry of the book folder or of a folder below it, by
// whatever path it is reached (a linked folder, "..", the folder mounted
// a second time), or it is another name (a hard or symbolic link) of a
// file the program keeps there: the book, the trash, a conflict copy, a
// snapshot or a picture. Folders and files are compared by what they are
// on disk (device and file number), not by their names. False when
// bookFolder does not exist.
bool insideBookFolder(const QString& target, const QString& bookFolder);

} // namespace bd
