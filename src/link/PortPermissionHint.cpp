#include "link/PortPermissionHint.h"

#include "platform/Format.h"

#include <grp.h>

#include <cerrno>
#include <vector>

namespace {

// The name of a group, or "" when it has none (or the lookup fails).
std::string GroupName(gid_t gid) {
    std::vector<char> buffer(1024);
    for (;;) {
        group entry{};
        group* found = nullptr;
        const int rc = ::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found);
        if (rc == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return rc == 0 && found != nullptr && found->gr_name != nullptr ? found->gr_name : "";
    }
}

} // namespace

std::string PortPermissionHint(int error, const struct stat* device) {
    if ((error != EACCES && error != EPERM) || device == nullptr || device->st_gid == 0) {
        return "";
    }
    const std::string name = GroupName(device->st_gid);
    if (name.empty()) {
        return "";
    }
    return Format("Hint: the port belongs to the group %s; join it with: sudo usermod -aG %s "
                  "$USER, then log in again",
                  name.c_str(), name.c_str());
}
