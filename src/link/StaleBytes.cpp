#include "link/StaleBytes.h"

#include "platform/CodePage.h"
#include "platform/ControlCharacters.h"
#include "platform/Format.h"
#include "platform/Trace.h"

void TraceStaleBytes(const std::string& where, std::string_view bytes) {
    Trace(Format("%s: %d stale bytes discarded: %s", where.c_str(), static_cast<int>(bytes.size()),
                 EscapeControlCharacters(FromCp1252(bytes)).c_str()));
}
