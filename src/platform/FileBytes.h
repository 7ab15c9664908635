#pragma once

#include <cstddef>
#include <string>

// The files the operator names (configuration files, command sequence files) are read whole,
// and only when they are regular files of a bounded size: a device such as /dev/zero never
// ends, a FIFO may never deliver, and a folder holds no text.
inline constexpr std::size_t kMaxReadFileBytes = 16 * 1024 * 1024;

enum class FileReadResult {
    Read,    // bytes hold the whole file
    Missing, // there is no file of that name; reason says so
    Refused, // the file is no regular file, too large or could not be read; reason says why
};

// Reads the regular file at path, at most maxBytes of it. reason receives a short sentence for
// the operator ("it is a folder, not a file", the system's text of an error) when the result
// is not Read. Nothing is opened that is not a regular file, so a device is never touched.
FileReadResult ReadRegularFile(const std::string& path, std::string& bytes, std::string& reason,
                               std::size_t maxBytes = kMaxReadFileBytes);
