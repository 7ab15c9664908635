#include "platform/ControlCharacters.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct EscapeRow {
    const char* Name;
    std::string Text;
    std::string Printed;
};

class ControlCharacters : public ::testing::TestWithParam<EscapeRow> {};

TEST_P(ControlCharacters, AreEscapedAndEverythingElseStays) {
    EXPECT_EQ(EscapeControlCharacters(GetParam().Text), GetParam().Printed);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ControlCharacters,
    ::testing::Values(EscapeRow{"PlainTextStays", "Receive < vr 05,01", "Receive < vr 05,01"},
                      EscapeRow{"EscapeSequence", "\x1b[2Jgone", "\\x1b[2Jgone"},
                      EscapeRow{"LineEndsStayOnOneLine", "a\r\nb", "a\\x0d\\x0ab"},
                      EscapeRow{"NulAndDelete", std::string("a\0b\x7f", 4), "a\\x00b\\x7f"},
                      EscapeRow{"TabStays", "a\tb", "a\tb"},
                      EscapeRow{"FirstAndLastC0", "\x01\x1f", "\\x01\\x1f"},
                      EscapeRow{"C1ControlsInUtf8",
                                "\xc2\x9b"
                                "1m\xc2\x80\xc2\x9f",
                                "\\x9b1m\\x80\\x9f"},
                      EscapeRow{"LettersBesideTheC1RangeStay", "\xc2\xa0\xc2\xb0 25\xc3\xa9",
                                "\xc2\xa0\xc2\xb0 25\xc3\xa9"},
                      EscapeRow{"EuroSignStays", "\xe2\x82\xac", "\xe2\x82\xac"},
                      EscapeRow{"LoneLeadByteAtTheEnd", "x\xc2", "x\xc2"}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
