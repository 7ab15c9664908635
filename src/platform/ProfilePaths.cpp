#include "platform/ProfilePaths.h"

#include "link/FormatSystemError.h"
#include "platform/Format.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace {

std::string NonEmpty(const EnvironmentLookup& environment, const char* name) {
    if (!environment) {
        return {};
    }
    const auto value = environment(name);
    return value ? *value : std::string();
}

// The XDG base directory rules ignore relative paths in these variables.
std::string Absolute(const EnvironmentLookup& environment, const char* name) {
    std::string value = NonEmpty(environment, name);
    return !value.empty() && value.front() == '/' ? value : std::string();
}

std::string HomeFolder(const EnvironmentLookup& environment) {
    std::string home = NonEmpty(environment, "HOME");
    if (!home.empty()) {
        return home;
    }
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
        result != nullptr && result->pw_dir != nullptr) {
        return result->pw_dir;
    }
    // No home at all: the paths begin at the root, as they did without PUBLIC.
    return {};
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

} // namespace

EnvironmentLookup ProcessEnvironment() {
    return [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (value == nullptr) {
            return std::nullopt;
        }
        return std::string(value);
    };
}

std::string UserProfilePath(const EnvironmentLookup& environment) {
    std::string base = Absolute(environment, "XDG_CONFIG_HOME");
    if (base.empty()) {
        base = HomeFolder(environment) + "/.config";
    }
    return WithoutTrailingSlashes(base) + "/Vantelmark/Lumatrel.ini";
}

std::string ConfigurationFolder(const EnvironmentLookup& environment) {
    std::string base = NonEmpty(environment, "PUBLIC");
    if (base.empty()) {
        base = Absolute(environment, "XDG_DATA_HOME");
    }
    if (base.empty()) {
        base = HomeFolder(environment) + "/.local/share";
    }
    base = WithoutTrailingSlashes(base);
    if (base == "/") {
        base.clear();
    }
    return base + "/Vantelmark/RKM5/";
}

std::string LastConfigPath(const EnvironmentLookup& environment) {
    return ConfigurationFolder(environment) + "LastConfig.ini";
}

bool FolderExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolders(const std::string& path, std::string* error) {
    const std::string folder = WithoutTrailingSlashes(path);
    if (folder.empty() || FolderExists(folder)) {
        return true;
    }
    size_t pos = folder.find_first_not_of('/');
    for (;;) {
        pos = folder.find('/', pos);
        const std::string step = folder.substr(0, pos);
        if (::mkdir(step.c_str(), 0777) != 0 && errno != EEXIST) {
            if (error != nullptr) {
                *error = Format("Cannot create folder %s: %s", step.c_str(),
                                FormatSystemError(errno).c_str());
            }
            return false;
        }
        if (pos == std::string::npos) {
            break;
        }
        ++pos;
    }
    if (!FolderExists(folder)) {
        if (error != nullptr) {
            *error = Format("Cannot create folder %s: %s", folder.c_str(),
                            FormatSystemError(ENOTDIR).c_str());
        }
        return false;
    }
    return true;
}
