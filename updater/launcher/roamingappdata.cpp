#include "roamingappdata.h"

QString roamingAppDataFolder(const QStringList &environment, bool *found)
{
    const QLatin1String prefix("APPDATA=");
    for (const QString &entry : environment) {
        if (entry.startsWith(prefix, Qt::CaseSensitive)) {
            if (found)
                *found = true;
            return entry.mid(prefix.size());
        }
    }
    if (found)
        *found = false;
    return QString();
}
