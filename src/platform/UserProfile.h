#pragma once

#include <string>
#include <string_view>

// The two per-user values, kept in the profile file (UserProfilePath): "StartWithLastConfig"
// at the file's top level, before any section, as it stood directly in the application's key;
// and "LOG_FILE" in the section "Version_%d.%d".

// The section name "Version_%d.%d".
std::string ProfileVersionSection(int major, int minor);

// The numbers the program forms its section from: 0 and the third component of its version,
// so version 5.1.0 reads and writes "Version_0.0".
struct ProfileVersion {
    int major = 0;
    int minor = 0;
};
ProfileVersion CurrentProfileVersion();

// 0 when the profile or the value is missing.
int ReadStartWithLastConfig(const std::string& profilePath);
// Creates the profile's folder when needed. False, with the reason in error when given, when
// the profile could not be written.
bool WriteStartWithLastConfig(const std::string& profilePath, int value,
                              std::string* error = nullptr);

// "" when the profile or the value is missing.
std::string ReadLogFilePath(const std::string& profilePath, int major, int minor);
// Stores the path exactly, blanks and quotes included; a path holding a line end cannot be
// stored and gives false.
bool WriteLogFilePath(const std::string& profilePath, int major, int minor,
                      std::string_view logFilePath, std::string* error = nullptr);
