#pragma once

#include <string>
#include <string_view>

// UTF-8 text with every control character but the tab written as \xNN (C0 controls, DEL and
// the C1 controls U+0080 to U+009F), so that text from the network reaches a terminal as
// one line that cannot move the cursor or send the terminal commands.
std::string EscapeControlCharacters(std::string_view text);
