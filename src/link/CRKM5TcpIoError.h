#pragma once

#include <cstdint>
#include <string>

// Thrown by value by the TCP transport's SendCmd and GetResponse.
struct CRKM5TcpIoError {
    std::int32_t m_nError = 0;
    std::int32_t m_nSysError = 0;
    std::string m_strMessage;
};
