#include "platform/CodePage.h"

#include <gtest/gtest.h>

TEST(CodePage, RoundTripsWindows1252) {
    const std::string utf8 = "Temperatur 25 \xC2\xB0"
                             "C \xE2\x82\xAC \xC3\xA4";
    const std::string bytes = ToCp1252(utf8);
    EXPECT_EQ(bytes, "Temperatur 25 \xB0"
                     "C \x80 \xE4");
    EXPECT_EQ(FromCp1252(bytes), utf8);
}
