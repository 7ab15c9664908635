#include "platform/NetworkAdapters.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>

std::optional<std::vector<NetworkAdapter>> SystemNetworkAdapters::Adapters() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return std::nullopt;
    }
    std::vector<NetworkAdapter> adapters;
    for (const ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET || a->ifa_name == nullptr) {
            continue;
        }
        // No unit answers on the loopback interface, and asking there costs a second.
        if ((a->ifa_flags & IFF_LOOPBACK) != 0) {
            continue;
        }
        const std::string name = a->ifa_name;
        if (std::any_of(adapters.begin(), adapters.end(),
                        [&](const NetworkAdapter& seen) { return seen.Name == name; })) {
            continue; // only an interface's first address counts
        }
        NetworkAdapter adapter;
        adapter.Name = name;
        adapter.Address = ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr);
        if (a->ifa_netmask != nullptr) {
            adapter.Mask =
                ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_netmask)->sin_addr.s_addr);
        }
        adapters.push_back(adapter);
    }
    ::freeifaddrs(list);
    return adapters;
}

std::optional<std::uint32_t> ParseDottedAddress(const std::string& text) {
    in_addr addr{};
    if (::inet_pton(AF_INET, text.c_str(), &addr) != 1) {
        return std::nullopt;
    }
    return ntohl(addr.s_addr);
}

std::string DottedAddress(std::uint32_t address) {
    return std::to_string((address >> 24) & 0xFF) + "." + std::to_string((address >> 16) & 0xFF) +
           "." + std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}
