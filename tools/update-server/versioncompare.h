#ifndef VERSIONCOMPARE_H
#define VERSIONCOMPARE_H

#include <QString>

// Orders dotted versions part by part ("7.10" is newer than "7.9"); missing parts count as 0,
// so "7.1" equals "7.1.0". A part is compared by its leading digits as a number of any length,
// then by the text after them ("2rc" before "2z"). Negative when a is older than b, 0 when
// they name the same version, positive when a is newer.
int compareVersions(const QString &a, const QString &b);

#endif
