#ifndef CLEARFOLDER_H
#define CLEARFOLDER_H

#include <QString>

// Deletes every file in `folder` and its subfolders, hidden ones included, and keeps the
// folders themselves. A link is deleted as a file and never entered, so nothing outside
// `folder` is touched. Files that cannot be deleted are skipped.
void clearFolder(const QString &folder);

#endif
