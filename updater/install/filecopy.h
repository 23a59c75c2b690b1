#ifndef FILECOPY_H
#define FILECOPY_H

#include <QString>

// Copies a file with its permissions, as QFile::copy does, but without QFile::copy's
// temporary file and sync to disk per file, which made installing thousands of files
// take many times longer than the copying itself. Fails when `destination` exists. A
// partial copy is removed; `errorText`, when given, receives the failing file's error.
bool copyFile(const QString &source, const QString &destination, QString *errorText = nullptr);

#endif
