#ifndef ROAMINGAPPDATA_H
#define ROAMINGAPPDATA_H

#include <QString>
#include <QStringList>

// The value of the first "APPDATA=" entry of an environment given as "name=value" texts
// (QProcess::systemEnvironment()); empty when there is none. The name is matched
// case-sensitively. `found` tells an entry with an empty value from no entry at all,
// since paths are still built on the former.
QString roamingAppDataFolder(const QStringList &environment, bool *found = nullptr);

#endif
