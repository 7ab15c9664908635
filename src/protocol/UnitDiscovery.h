#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class NetworkAdapterSource;

// One unit that answered the enquiry; both texts empty in an unfilled entry.
struct FoundUnit {
    std::string Address;
    std::string SerNr;
};
using FoundUnits = std::array<FoundUnit, 20>;

// Finds units on the local networks: an enquiry datagram to each adapter's directed
// broadcast address, and the answers collected, each unit once.
class UnitDiscovery {
public:
    static constexpr std::uint16_t kEnquiryPort = 30303;

    explicit UnitDiscovery(NetworkAdapterSource& adapters, std::uint16_t port = kEnquiryPort);

    // Fills found; true when two entries hold the same address, listed then in report.
    bool DiscoverUnits(FoundUnits& found, int listMode, std::string& report);
    int EnquireAllAdapters(int listMode);
    void EnquireOnAdapter(const std::string& broadcast, int listMode);
    // Takes one answer datagram into the list.
    void TakeAnswer(const char* data, std::size_t length, int listMode);

    FoundUnits Found;
    int FoundCount = 0;
    // Receives the list line of each new unit in list mode 1.
    std::function<void(const std::string&)> OnListLine;

private:
    NetworkAdapterSource& m_adapters;
    std::uint16_t m_port;
};
