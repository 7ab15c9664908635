#pragma once

#include <string>

// The device path of a serial port name: "COMn" (n from 1) is /dev/ttyS(n-1), so that
// configurations written with COM port names keep working; a name beginning with "/" is
// already a path; any other name is taken under /dev/.
std::string SerialDevicePath(const std::string& name);
