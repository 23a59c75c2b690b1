#ifndef DETACHEDSTART_H
#define DETACHEDSTART_H

#include <QString>
#include <QStringList>

#include <functional>

// Starts `program` as a detached process with `arguments`; true when it was started.
// Goes through QProcess::startDetached unless a starter was installed.
bool startDetached(const QString &program, const QStringList &arguments);

using DetachedStarter = std::function<bool(const QString &program, const QStringList &arguments)>;

// Tests install a starter so that they never start a real process; an empty starter puts
// QProcess::startDetached back. Returns the starter that was in place.
DetachedStarter setDetachedStarter(DetachedStarter starter);

#endif
