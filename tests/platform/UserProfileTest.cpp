#include "platform/UserProfile.h"

#include "platform/ProfilePaths.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

EnvironmentLookup Environment(std::map<std::string, std::string> values) {
    return [values = std::move(values)](const char* name) -> std::optional<std::string> {
        const auto it = values.find(name);
        if (it == values.end()) {
            return std::nullopt;
        }
        return it->second;
    };
}

struct PathRow {
    const char* name;
    std::map<std::string, std::string> environment;
    const char* profile;
    const char* configurationFolder;
};

class ProfilePathsTest : public ::testing::TestWithParam<PathRow> {};

TEST_P(ProfilePathsTest, FollowTheEnvironment) {
    const auto environment = Environment(GetParam().environment);
    EXPECT_EQ(UserProfilePath(environment), GetParam().profile);
    EXPECT_EQ(ConfigurationFolder(environment), GetParam().configurationFolder);
    EXPECT_EQ(LastConfigPath(environment),
              std::string(GetParam().configurationFolder) + "LastConfig.ini");
}

INSTANTIATE_TEST_SUITE_P(
    UserProfile, ProfilePathsTest,
    ::testing::Values(
        PathRow{"HomeOnly",
                {{"HOME", "/home/op"}},
                "/home/op/.config/Vantelmark/Lumatrel.ini",
                "/home/op/.local/share/Vantelmark/RKM5/"},
        PathRow{"PublicComesFirst",
                {{"HOME", "/home/op"}, {"PUBLIC", "/srv/public/"}, {"XDG_DATA_HOME", "/d"}},
                "/home/op/.config/Vantelmark/Lumatrel.ini",
                "/srv/public/Vantelmark/RKM5/"},
        PathRow{"XdgFolders",
                {{"HOME", "/home/op"}, {"XDG_CONFIG_HOME", "/c"}, {"XDG_DATA_HOME", "/d"}},
                "/c/Vantelmark/Lumatrel.ini",
                "/d/Vantelmark/RKM5/"},
        PathRow{"EmptyAndRelativeValuesIgnored",
                {{"HOME", "/home/op"},
                 {"PUBLIC", ""},
                 {"XDG_CONFIG_HOME", "rel/c"},
                 {"XDG_DATA_HOME", ""}},
                "/home/op/.config/Vantelmark/Lumatrel.ini",
                "/home/op/.local/share/Vantelmark/RKM5/"},
        PathRow{"PublicAtRoot",
                {{"HOME", "/h"}, {"PUBLIC", "/"}},
                "/h/.config/Vantelmark/Lumatrel.ini",
                "/Vantelmark/RKM5/"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UserProfile, CreateFoldersMakesTheWholePath) {
    TempFolder temp;
    const std::string folder = (temp.Path() / "share" / "Vantelmark" / "RKM5/").string();
    ASSERT_TRUE(CreateFolders(folder));
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_TRUE(CreateFolders(folder)) << "an existing folder is fine";

    std::ofstream(temp.Path() / "file") << "x";
    std::string error;
    EXPECT_FALSE(CreateFolders((temp.Path() / "file" / "sub").string(), &error));
    EXPECT_FALSE(error.empty());
}

TEST(UserProfile, VersionSectionOfThisBuild) {
    EXPECT_EQ(ProfileVersionSection(0, 0), "Version_0.0");
    EXPECT_EQ(ProfileVersionSection(0, 12), "Version_0.12");
    EXPECT_EQ(CurrentProfileVersion().major, 0);
    EXPECT_EQ(CurrentProfileVersion().minor, LUMATREL_VERSION_PATCH);
}

TEST(UserProfile, MissingProfileGivesDefaults) {
    TempFolder temp;
    const std::string path = (temp.Path() / "none" / "Lumatrel.ini").string();
    EXPECT_EQ(ReadStartWithLastConfig(path), 0);
    EXPECT_EQ(ReadLogFilePath(path, 0, 0), "");
}

TEST(UserProfile, BothValuesShareOneFile) {
    TempFolder temp;
    const auto path = temp.Path() / "config" / "Vantelmark" / "Lumatrel.ini";
    std::string error;
    ASSERT_TRUE(WriteLogFilePath(path, 0, 0, "/home/op/log.txt", &error)) << error;
    ASSERT_TRUE(WriteStartWithLastConfig(path, 1, &error)) << error;
    EXPECT_EQ(ReadBytes(path),
              "StartWithLastConfig=1\r\n[Version_0.0]\r\nLOG_FILE=/home/op/log.txt\r\n");
    ASSERT_TRUE(WriteStartWithLastConfig(path, 0));
    EXPECT_EQ(ReadStartWithLastConfig(path), 0);
    EXPECT_EQ(ReadLogFilePath(path, 0, 0), "/home/op/log.txt");
    EXPECT_EQ(ReadLogFilePath(path, 0, 1), "") << "another build's section is its own";
}

struct LogPathRow {
    const char* name;
    std::string path;
};

class LogPathTest : public ::testing::TestWithParam<LogPathRow> {};

TEST_P(LogPathTest, ComesBackExactly) {
    TempFolder temp;
    const std::string profile = (temp.Path() / "Lumatrel.ini").string();
    ASSERT_TRUE(WriteLogFilePath(profile, 0, 0, GetParam().path));
    EXPECT_EQ(ReadLogFilePath(profile, 0, 0), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(UserProfile, LogPathTest,
                         ::testing::Values(LogPathRow{"Plain", "/home/op/logs/unit 1.txt"},
                                           LogPathRow{"BlanksAround", "  /tmp/log.txt "},
                                           LogPathRow{"QuotesAround", "\"/tmp/log.txt\""},
                                           LogPathRow{"SingleQuoteAtEnd", "/tmp/it's'"},
                                           LogPathRow{"OutsideWindows1252",
                                                      "/home/\xD0\xB4\xD0\xBC/log.txt"},
                                           LogPathRow{"WithEqualsAndSemicolon", "/tmp/a=b;c.txt"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UserProfile, UnwritableProfileIsReported) {
    TempFolder temp;
    std::ofstream(temp.Path() / "file") << "x";
    const std::string path = (temp.Path() / "file" / "Lumatrel.ini").string();
    std::string error;
    EXPECT_FALSE(WriteStartWithLastConfig(path, 1, &error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(WriteLogFilePath((temp.Path() / "ok.ini").string(), 0, 0, "/tmp/a\nb", &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
