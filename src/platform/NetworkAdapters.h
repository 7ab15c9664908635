#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One network adapter with its first IPv4 address and mask, both in host byte order.
struct NetworkAdapter {
    std::string Name;
    std::uint32_t Address = 0;
    std::uint32_t Mask = 0;
};

// The computer's network adapters, for the discovery of units.
class NetworkAdapterSource {
public:
    virtual ~NetworkAdapterSource() = default;
    // Nothing when no list can be had.
    virtual std::optional<std::vector<NetworkAdapter>> Adapters() = 0;
};

// The adapters the system reports, in its order, one entry per interface; the loopback
// interface is left out.
class SystemNetworkAdapters : public NetworkAdapterSource {
public:
    std::optional<std::vector<NetworkAdapter>> Adapters() override;
};

// A fixed list, for tests and for runs confined to loopback.
class FixedNetworkAdapters : public NetworkAdapterSource {
public:
    explicit FixedNetworkAdapters(std::vector<NetworkAdapter> adapters)
        : m_adapters(std::move(adapters)) {}
    std::optional<std::vector<NetworkAdapter>> Adapters() override { return m_adapters; }

private:
    std::vector<NetworkAdapter> m_adapters;
};

// "a.b.c.d" to host byte order; nothing when the text is no dotted IPv4 address.
std::optional<std::uint32_t> ParseDottedAddress(const std::string& text);
std::string DottedAddress(std::uint32_t address);
