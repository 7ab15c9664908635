#pragma once

#include <sys/types.h>

#include <functional>

// The unprivileged user and group the system keeps for nobody in particular.
inline constexpr uid_t kNobodyUid = 65534;
inline constexpr gid_t kNobodyGid = 65534;

// Runs body in a child process that has given up root for the user and group "nobody", so that
// a test run as root meets the file permissions an operator meets. True when body returned
// true there; false when it returned false, or the child could not start or change user.
bool RunAsNobody(const std::function<bool()>& body);
