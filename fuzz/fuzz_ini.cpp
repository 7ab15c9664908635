// Loads arbitrary bytes as an INI file and runs every reading operation on it, then checks
// that the image gives back the file's bytes unchanged (line ends and byte order mark
// included) and that a write reads back, also after a fresh parse of the written bytes; a
// UTF-16 file must be refused and never saved over.

#include "platform/IniFile.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// One scratch file per process, rewritten for every input. It is unlinked at once and reached
// through its descriptor, so that no run leaves it behind.
int ScratchFd() {
    static const int fd = [] {
        std::string pattern = "/tmp/fuzz-ini-XXXXXX";
        const int created = ::mkstemp(pattern.data());
        if (created < 0) {
            __builtin_trap();
        }
        ::unlink(pattern.c_str());
        return created;
    }();
    return fd;
}

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void ReadEverything(const IniFile& file, const std::string& path) {
    const std::vector<std::string> sections = file.SectionNames();
    Check(ReadProfileSectionNames(path) == sections);
    int oneCallChecks = 3;
    for (const std::string& section : sections) {
        Check(file.HasSection(section));
        for (const std::string& key : file.KeyNames(section)) {
            const auto value = file.Find(section, key);
            Check(value.has_value());
            Check(file.ReadString(section, key, "default") == *value);
            // The one-call forms load the file each time; a few of them suffice.
            if (oneCallChecks-- > 0) {
                Check(ReadProfileString(section, key, "default", path) == *value);
                Check(ReadProfileInt(section, key, 1, path) == file.ReadInt(section, key, 1));
            }
        }
    }
    for (const char* key : {"Count_RKM5", "ActualTab", "modeView", "StartWithLastConfig"}) {
        (void)file.ReadInt("General", key, 1);
        (void)file.ReadString("", key, "");
    }
    (void)file.KeyNames("");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const int fd = ScratchFd();
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
        return 0;
    }

    IniFile file;
    // UTF-16 text is refused whole, and a file that was refused is never written over.
    if (bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') ||
                              (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
        Check(!file.Load(path));
        Check(!file.LastError().empty() && file.SectionNames().empty());
        file.WriteString("General", "Count_RKM5", "1");
        Check(!file.Save());
        return 0;
    }
    Check(file.Load(path));
    Check(file.Serialize() == bytes);
    ReadEverything(file, path);

    // Writes on the image read back, and read back the same after the bytes are parsed anew.
    const std::vector<std::string> sections = file.SectionNames();
    const std::string section = sections.empty() ? "General" : sections.front();
    std::vector<std::string> keys = file.KeyNames(section);
    const std::string key = keys.empty() ? "Count_RKM5" : keys.front();
    if (file.WriteString(section, key, "fuzz value\n")) {
        Check(file.Find(section, key) == "fuzz value");
        IniFile again;
        again.Parse(file.Serialize());
        Check(again.Find(section, key) == "fuzz value");
        Check(again.SectionNames() == file.SectionNames());
    }
    file.RemoveKey(section, key);
    Check(!file.Find(section, key).has_value());
    file.RemoveSection(section);
    Check(!file.HasSection(section) || section.empty());
    return 0;
}
