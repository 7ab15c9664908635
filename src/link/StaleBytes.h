#pragma once

#include <string>
#include <string_view>

// Notes in the diagnostic trace the bytes a link threw away because they belonged to no
// reply, with its control characters escaped; where names the link (address or port).
void TraceStaleBytes(const std::string& where, std::string_view bytes);
