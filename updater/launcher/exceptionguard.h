#ifndef EXCEPTIONGUARD_H
#define EXCEPTIONGUARD_H

#include <functional>
#include <optional>

// Runs `work` and returns its result. An exception that escapes it ends the work instead:
// a standard exception is shown in a critical box with its message, anything else silently,
// and the result is empty. Our own code throws nothing; this catches what the run-time
// library and the toolkit may throw (a failed allocation above all).
std::optional<int> runGuarded(const std::function<int()> &work);

#endif
