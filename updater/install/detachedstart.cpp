#include "detachedstart.h"

#include <QProcess>

#include <utility>

namespace {

DetachedStarter &installedStarter()
{
    static DetachedStarter starter;
    return starter;
}

} // namespace

bool startDetached(const QString &program, const QStringList &arguments)
{
    const DetachedStarter &starter = installedStarter();
    if (starter)
        return starter(program, arguments);
    return QProcess::startDetached(program, arguments);
}

DetachedStarter setDetachedStarter(DetachedStarter starter)
{
    return std::exchange(installedStarter(), std::move(starter));
}
