#pragma once
// Runs a piece of a test as the user "nobody" in a forked child, for checks of files a user may
// not write: root ignores permission bits, so as root the check would prove nothing.
#include <QStringList>

#include <functional>

// The exit code the child gives when it cannot become nobody.
inline constexpr int CannotBecomeNobody = 99;

// Hands `paths` to nobody, then runs `body` in a forked child as nobody (or as the current user
// when that is not root) and returns what it returned; -1 when the child did not exit.
int RunAsNobody(const QStringList& paths, const std::function<int()>& body);
