#pragma once

#include <sys/stat.h>

#include <string>

// The line that follows "Couldn't open port" when the system refused the port for lack of
// permission (EACCES, EPERM): the group that owns the device and how to join it. Empty for
// any other error, when the device could not be looked at (device null), and when its group
// has no name or is root's, whose membership is no fix to recommend.
std::string PortPermissionHint(int error, const struct stat* device);
