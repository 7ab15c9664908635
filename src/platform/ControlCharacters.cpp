#include "platform/ControlCharacters.h"

namespace {

void AppendEscape(std::string& out, unsigned value) {
    constexpr char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[(value >> 4) & 0xF];
    out += kHex[value & 0xF];
}

} // namespace

std::string EscapeControlCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\t') || c == 0x7F) {
            AppendEscape(out, c);
        } else if (c == 0xC2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            // A C1 control in its two-byte UTF-8 form.
            AppendEscape(out, static_cast<unsigned char>(text[++i]));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}
