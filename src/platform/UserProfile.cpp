#include "platform/UserProfile.h"

#include "platform/Format.h"
#include "platform/IniFile.h"
#include "platform/ProfilePaths.h"

namespace {

constexpr const char* kStartWithLastConfig = "StartWithLastConfig";
constexpr const char* kLogFile = "LOG_FILE";

// The profile is ours, so it is UTF-8: a log path in any script survives.
IniFile LoadProfile(const std::string& profilePath) {
    IniFile profile(IniEncoding::Utf8);
    profile.Load(profilePath);
    return profile;
}

bool IsBlankOrQuote(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '"' || c == '\'';
}

// Reading drops blanks around a value and one pair of quotes; quoting a value that would lose
// something that way brings it back whole.
std::string Protected(std::string_view value) {
    if (!value.empty() && (IsBlankOrQuote(value.front()) || IsBlankOrQuote(value.back()))) {
        std::string quoted;
        quoted.reserve(value.size() + 2);
        quoted.append(1, '"').append(value).append(1, '"');
        return quoted;
    }
    return std::string(value);
}

bool Store(const std::string& profilePath, std::string_view section, std::string_view key,
           std::string_view value, std::string* error) {
    auto fail = [&](std::string reason) {
        if (error != nullptr) {
            *error = std::move(reason);
        }
        return false;
    };
    if (value.find_first_of("\r\n") != std::string_view::npos) {
        return fail(Format("Cannot store a value with a line end in %s", profilePath.c_str()));
    }
    const size_t slash = profilePath.rfind('/');
    std::string reason;
    if (slash != std::string::npos && slash > 0 &&
        !CreateFolders(profilePath.substr(0, slash), &reason)) {
        return fail(reason);
    }
    IniFile profile(IniEncoding::Utf8);
    if (!profile.Load(profilePath) || !profile.WriteString(section, key, Protected(value)) ||
        !profile.Save()) {
        return fail(profile.LastError());
    }
    return true;
}

} // namespace

std::string ProfileVersionSection(int major, int minor) {
    return Format("Version_%d.%d", major, minor);
}

ProfileVersion CurrentProfileVersion() {
    return ProfileVersion{0, LUMATREL_VERSION_PATCH};
}

int ReadStartWithLastConfig(const std::string& profilePath) {
    return LoadProfile(profilePath).ReadInt("", kStartWithLastConfig, 0);
}

bool WriteStartWithLastConfig(const std::string& profilePath, int value, std::string* error) {
    return Store(profilePath, "", kStartWithLastConfig, Format("%d", value), error);
}

std::string ReadLogFilePath(const std::string& profilePath, int major, int minor) {
    return LoadProfile(profilePath).ReadString(ProfileVersionSection(major, minor), kLogFile, "");
}

bool WriteLogFilePath(const std::string& profilePath, int major, int minor,
                      std::string_view logFilePath, std::string* error) {
    return Store(profilePath, ProfileVersionSection(major, minor), kLogFile, logFilePath, error);
}
