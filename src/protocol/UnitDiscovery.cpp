#include "protocol/UnitDiscovery.h"

#include "platform/CodePage.h"
#include "platform/Format.h"
#include "platform/NetworkAdapters.h"
#include "platform/Trace.h"
#include "platform/UniqueFd.h"
#include "protocol/NextToken.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

constexpr char kEnquiry[15] = {'R', 'K', 'M', '5', '.', 'E', 'n', 'q', 'u', 'i', 'r', 'e', 0, 0, 0};
// How long an adapter is listened to after its enquiry: the second that ten receive attempts
// 100 ms apart take.
constexpr int kWindowMs = 1000;
constexpr std::size_t kMaxDatagram = 1000;

} // namespace

UnitDiscovery::UnitDiscovery(NetworkAdapterSource& adapters, std::uint16_t port)
    : m_adapters(adapters), m_port(port) {}

bool UnitDiscovery::DiscoverUnits(FoundUnits& found, int listMode, std::string& report) {
    Found.fill(FoundUnit{});
    report = "Error Ip-Adresse exists multiple times:";
    const int n = EnquireAllAdapters(listMode);
    bool duplicate = false;
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            if (Found[i].Address == Found[j].Address) {
                report += Format("\nIp-Adr:%s\n    --> SerNr1 : %s\n    --> SerNr2 : %s",
                                 Found[i].Address.c_str(), Found[j].SerNr.c_str(),
                                 Found[i].SerNr.c_str());
                duplicate = true;
            }
        }
    }
    found = Found;
    return duplicate;
}

int UnitDiscovery::EnquireAllAdapters(int listMode) {
    FoundCount = 0;
    Trace("detectgigecams\n");
    const auto adapters = m_adapters.Adapters();
    if (adapters) {
        for (const NetworkAdapter& adapter : *adapters) {
            const std::string broadcast = DottedAddress(adapter.Address | ~adapter.Mask);
            Trace(Format("detectgigecams:%s\n", broadcast.c_str()));
            EnquireOnAdapter(broadcast, listMode);
        }
    }
    Trace(Format("anz detected cams:%x\n", static_cast<unsigned>(FoundCount)));
    return FoundCount;
}

void UnitDiscovery::EnquireOnAdapter(const std::string& broadcast, int listMode) {
    Trace("detectcams\n");
    const auto address = ParseDottedAddress(broadcast);
    if (!address) {
        return;
    }
    UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) {
        return;
    }
    const int one = 1;
    if (::setsockopt(fd.Get(), SOL_SOCKET, SO_BROADCAST, &one, sizeof one) != 0) {
        return;
    }
    const int flags = ::fcntl(fd.Get(), F_GETFL, 0);
    ::fcntl(fd.Get(), F_SETFL, flags | O_NONBLOCK);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(m_port);
    to.sin_addr.s_addr = htonl(*address);
    if (::sendto(fd.Get(), kEnquiry, sizeof kEnquiry, 0, reinterpret_cast<const sockaddr*>(&to),
                 sizeof to) < 0) {
        return;
    }
    // The window is fixed from the send, however many answers come in it: each one is taken
    // as it arrives, and none uses up the time another unit has to answer.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWindowMs);
    char buffer[kMaxDatagram];
    for (;;) {
        const ssize_t n = ::recvfrom(fd.Get(), buffer, sizeof buffer, 0, nullptr, nullptr);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            break;
        }
        if (n >= 0) {
            Trace(Format("datlength1:%d\n", static_cast<int>(n)));
            TakeAnswer(buffer, static_cast<std::size_t>(n), listMode);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        if (n < 0) {
            pollfd pfd{fd.Get(), POLLIN, 0};
            ::poll(&pfd, 1, static_cast<int>(left.count()));
        }
    }
    ::shutdown(fd.Get(), SHUT_WR);
}

void UnitDiscovery::TakeAnswer(const char* data, std::size_t length, int listMode) {
    if (length < 12) {
        return;
    }
    Trace(Format("datlength:%d\n", static_cast<int>(length)));
    const std::size_t end = std::find(data, data + length, '\0') - data;
    const std::string text = FromCp1252(std::string_view(data, end));

    // Lines are taken one per line feed, so an empty second line leaves the address where
    // the units put it.
    std::string lines[4];
    std::size_t start = 0;
    for (std::string& line : lines) {
        if (start > text.size()) {
            break;
        }
        const std::size_t stop = std::min(text.find('\n', start), text.size());
        line = text.substr(start, stop - start);
        start = stop + 1;
    }
    const std::string& line1 = lines[0];
    int fieldPosition = 0;
    std::string serial;
    for (int field = 1; field <= 7; ++field) {
        const std::string token = NextToken(line1, ".", fieldPosition);
        if (field == 5) {
            serial = token;
        }
    }
    std::string address = lines[2];
    const std::string state = lines[3].rfind("NC", 0) == 0 ? "not connected" : "already connected";
    const std::string listLine = serial + "  -  " + address + "  -  " + state;
    if (listMode == 0) {
        address.erase(std::remove(address.begin(), address.end(), '\r'), address.end());
    }
    // Without a serial number and an address nothing tells a unit from line noise.
    if (serial.empty() && address.find_first_not_of('\r') == std::string::npos) {
        return;
    }
    if (FoundCount == static_cast<int>(Found.size())) {
        return;
    }
    for (int i = 0; i < FoundCount; ++i) {
        if (Found[i].SerNr == serial) {
            return;
        }
    }
    Found[FoundCount] = {address, serial};
    Trace(Format("ip:%s,ser:%s\n", address.c_str(), serial.c_str()));
    ++FoundCount;
    if (listMode == 1 && OnListLine) {
        OnListLine(listLine);
    }
}
