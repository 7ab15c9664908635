#pragma once

#include <cstdint>
#include <functional>

// Where the reading history and the exports read the time: UTC, milliseconds since
// 1970-01-01T00:00:00Z. Tests and benchmarks hand in a clock they move themselves, so that
// days of monitoring ticks pass in a fraction of a second.
using UtcClock = std::function<std::int64_t()>;

// The computer's wall clock now, in UTC milliseconds since the epoch. It may jump when the
// clock is set; callers that need order take care of that themselves.
std::int64_t SystemUtcMilliseconds();
