#pragma once

#include <array>
#include <cstdint>
#include <string>

// One device status code and its text, as the units report them after "er" or ";".
struct StatusCode {
    std::int32_t Code;
    const char* Text;
};

// Codes 1xx concern the command, 20x the unit's electrical and thermal state, 21x its
// memories and fan. The texts are the units' own, spelling included.
inline constexpr std::array<StatusCode, 16> StatusCodeTable = {{
    {0, "no error state"},
    {100, "unknown command"},
    {101, "unknown parameter"},
    {102, "parameter out of range"},
    {200, "supply voltage exeeds limits"},
    {201, "analog control voltage exeeds limits"},
    {202, "LED voltage out of range"},
    {203, "Output voltage exeeds limits"},
    {204, "warning temperature exeeds limits"},
    {205, "maximum temperature exeeded"},
    {206, "shutdown active"},
    {210, "write error to EEPROM in Driver Unit"},
    {211, "Read error from EEPROM in Driver Unit"},
    {212, "write error to EEPROM in TESSEL"},
    {213, "Read error from EEPROM in TESSEL"},
    {214, "Fan failure detected at ACTRL"},
}};

// Code 205, "maximum temperature exeeded" for a known code, "<code> Unkonwn error code"
// otherwise.
std::string StatusCodeText(std::int32_t code);
