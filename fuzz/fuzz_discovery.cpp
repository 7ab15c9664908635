// Any bytes as a discovery answer, in both list modes.
#include "platform/NetworkAdapters.h"
#include "protocol/UnitDiscovery.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FixedNetworkAdapters adapters({});
    for (int mode = 0; mode <= 1; ++mode) {
        UnitDiscovery discovery(adapters);
        int lines = 0;
        discovery.OnListLine = [&lines](const std::string&) { ++lines; };
        // The same answer twice: the second must be dropped as the same unit.
        for (int k = 0; k < 2; ++k) {
            discovery.TakeAnswer(reinterpret_cast<const char*>(data), size, mode);
        }
        if (discovery.FoundCount > 1 || lines > 1) {
            __builtin_trap();
        }
    }
    return 0;
}
