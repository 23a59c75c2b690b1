#ifndef PACKAGEPLAN_H
#define PACKAGEPLAN_H

#include <QList>
#include <QString>
#include <QStringList>

// One file element of a package: a path relative to the target root ("sounds/message.wav"),
// "add" or "remove", and for "add" the file whose bytes the archive carries.
struct PlannedFile
{
    QString relativePath;
    QString action;
    QString source;
};

// What a package does, sorted by path. Paths must be relative, without "." or ".." parts or
// backslashes, and Latin-1 (the updater reads archive entry names byte per byte as Latin-1).
class PackagePlan
{
public:
    // Every file under folder is an "add"; each of removals a "remove".
    bool addFolder(const QString &folder, QString *error);
    bool addRemovals(const QStringList &removals, QString *error);
    // New and changed files of newFolder are "add", files gone from oldFolder "remove".
    bool addDifference(const QString &oldFolder, const QString &newFolder, QString *error);

    QList<PlannedFile> files() const { return planned; }
    int count(const QString &action) const;

    // The paths of a removal list file: one a line; blank lines and "#" lines skipped.
    static bool readList(const QString &path, QStringList *paths, QString *error);
    // Empty when the path is fit for a package, else why not.
    static QString checkRelativePath(const QString &path);

private:
    bool add(const PlannedFile &file, QString *error);

    QList<PlannedFile> planned;
};

#endif
