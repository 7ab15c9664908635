// The serial exchange over a pseudo-terminal against a simulated unit, and the bare echo
// round trip over the same pseudo-terminal, measured in one run. Goal: the median exchange at
// most 3 ms and at most 10 times the bare echo.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "SimSerialPort.h"
#include "SimUnit.h"
#include "link/CRKM5Rs232IoError.h"
#include "link/CRKM5Serio.h"
#include "platform/UniqueFd.h"

namespace {

constexpr int kWarmUp = 20;
constexpr int kRounds = 400;
const std::string kCommand = "VR";

using Clock = std::chrono::steady_clock;

double MedianMs(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// One command and its reply through the serial link; negative on failure.
double TimeExchange(CRKM5Serio& link) {
    std::string reply;
    const auto start = Clock::now();
    try {
        link.SendCmd(kCommand);
        link.GetResponse(reply);
    } catch (const CRKM5Rs232IoError& error) {
        std::fprintf(stderr, "exchange failed: %s\n", error.m_strMessage.c_str());
        return -1.0;
    }
    return Ms(start, Clock::now());
}

// The same frame written and its echo read back, with nothing but poll in between.
double TimeEcho(int fd) {
    const std::string frame = "\x02" + kCommand + "\x03";
    const auto start = Clock::now();
    if (::write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) {
        return -1.0;
    }
    size_t got = 0;
    char buffer[64];
    while (got < frame.size()) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 1000) != 1) {
            return -1.0;
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            got += static_cast<size_t>(n);
        }
    }
    return Ms(start, Clock::now());
}

template <typename Round> bool Measure(std::vector<double>& samples, Round round) {
    for (int i = 0; i < kWarmUp + kRounds; ++i) {
        const double ms = round();
        if (ms < 0) {
            return false;
        }
        if (i >= kWarmUp) {
            samples.push_back(ms);
        }
    }
    return true;
}

} // namespace

int main() {
    SimUnit unit;
    SimSerialPort port(unit);

    std::vector<double> exchange;
    {
        CRKM5Serio link;
        if (link.Open(port.SlavePath(), 115200) != 0) {
            std::fprintf(stderr, "%s\n", link.m_strMessage.c_str());
            return 1;
        }
        if (!Measure(exchange, [&] { return TimeExchange(link); })) {
            return 1;
        }
    }

    port.SetEcho(true);
    std::vector<double> echo;
    {
        const UniqueFd fd(::open(port.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
        termios raw{};
        if (!fd.Valid() || ::tcgetattr(fd.Get(), &raw) != 0) {
            std::perror("echo port");
            return 1;
        }
        ::cfmakeraw(&raw);
        ::tcsetattr(fd.Get(), TCSANOW, &raw);
        if (!Measure(echo, [&] { return TimeEcho(fd.Get()); })) {
            std::fprintf(stderr, "echo failed\n");
            return 1;
        }
    }

    const double exchangeMs = MedianMs(exchange);
    const double echoMs = MedianMs(echo);
    std::printf("BENCH serial_exchange %.3f ms\n", exchangeMs);
    std::printf("BENCH serial_echo %.3f ms\n", echoMs);
    std::printf("RATIO serial_exchange_vs_echo %.2f\n", echoMs > 0 ? exchangeMs / echoMs : 0.0);
    return 0;
}
