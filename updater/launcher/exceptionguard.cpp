#include "exceptionguard.h"

#include "launchermessages.h"

#include <QString>

#include <exception>

std::optional<int> runGuarded(const std::function<int()> &work)
{
    try {
        return work();
    } catch (const std::exception &e) {
        showUpdateError(QString::fromLatin1(e.what()));
    } catch (...) { }
    return std::nullopt;
}
