#ifndef TESTFILES_H
#define TESTFILES_H

#include <QByteArray>
#include <QString>

// Writes `bytes` to `path`, replacing what was there and making the folders it needs; false
// when any of it failed. Call it as QVERIFY(writeFile(...)).
[[nodiscard]] bool writeFile(const QString &path, const QByteArray &bytes);

// The bytes of a file, or "<missing>" when it cannot be read, so that a file that is not there
// never compares equal to an expected content, not even an empty one.
QByteArray readFile(const QString &path);

// Whether the temporary folder and APPDATA both lie in this test's own home (the folder above
// its installation folder, as CTest lays it out), so that nothing the test writes or empties
// there can be the real user's. Tests that do so check it first.
bool runsInOwnTestHome();

#endif
