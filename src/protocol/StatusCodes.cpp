#include "protocol/StatusCodes.h"

#include "platform/Format.h"

std::string StatusCodeText(std::int32_t code) {
    for (const StatusCode& entry : StatusCodeTable) {
        if (entry.Code == code) {
            return Format("Code %d, \"%s\"", static_cast<int>(code), entry.Text);
        }
    }
    return Format("%d Unkonwn error code", static_cast<int>(code));
}
