#pragma once

#include <mutex>

// Held from before a command is sent until its reply is interpreted, across all unit pages,
// so that no timer tick comes between a command and its reply.
std::recursive_mutex& ExchangeLock();
