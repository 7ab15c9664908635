#include "platform/IniFile.h"

#include "link/FormatSystemError.h"
#include "support/AsNobody.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>

namespace {

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

IniFile Parsed(std::string_view bytes) {
    IniFile file;
    file.Parse(bytes);
    return file;
}

// ---- Reading strings ----

struct ReadRow {
    const char* name;
    std::string file;
    const char* section;
    const char* key;
    const char* defaultValue;
    std::string expected;
};

class ReadStringTest : public ::testing::TestWithParam<ReadRow> {};

TEST_P(ReadStringTest, ReadsTheValue) {
    const ReadRow& row = GetParam();
    EXPECT_EQ(Parsed(row.file).ReadString(row.section, row.key, row.defaultValue), row.expected);
}

const std::string kLongValue(300, 'x');

INSTANTIATE_TEST_SUITE_P(
    IniFile, ReadStringTest,
    ::testing::Values(
        ReadRow{"BlanksAroundKeyAndValueDropped", "[S]\r\n  Key \t=  some value \t\r\n", "S", "Key",
                "", "some value"},
        ReadRow{"MatchingDoubleQuotesDropped", "[S]\r\nk=\"  x  \"\r\n", "S", "k", "", "  x  "},
        ReadRow{"MatchingSingleQuotesDropped", "[S]\r\nk='x'\r\n", "S", "k", "", "x"},
        ReadRow{"UnmatchedQuotesKept", "[S]\r\nk=\"x'\r\n", "S", "k", "", "\"x'"},
        ReadRow{"LoneQuoteKept", "[S]\r\nk=\"\r\n", "S", "k", "", "\""},
        ReadRow{"SectionAndKeyIgnoreCase", "[GeNeRaL]\r\nCOUNT_rkm5=3\r\n", "general", "Count_RKM5",
                "", "3"},
        ReadRow{"Cp1252LettersIgnoreCase", "[\xC4nderung]\r\n\x8A\xDE=1\r\n", "\xC3\xA4nderung",
                "\xC5\xA1\xC3\xBE", "", "1"},
        ReadRow{"RequestedNamesTrimmed", "[S]\r\nk=1\r\n", " S ", "\tk ", "", "1"},
        ReadRow{"BlanksInsideBracketsIgnored", "  [ General ]  \r\nk=1\r\n", "General", "k", "",
                "1"},
        ReadRow{"LastBracketClosesHeader", "[a]b]\r\nk=1\r\n", "a]b", "k", "", "1"},
        ReadRow{"MissingKeyGivesDefault", "[S]\r\nk=1\r\n", "S", "other", "dflt", "dflt"},
        ReadRow{"MissingSectionGivesDefault", "[S]\r\nk=1\r\n", "T", "k", "dflt", "dflt"},
        ReadRow{"KeyOfOtherSectionNotFound", "[S]\r\nk=1\r\n[T]\r\n", "T", "k", "d", "d"},
        ReadRow{"DefaultLosesTrailingBlanks", "", "S", "k", " On  ", " On"},
        ReadRow{"EmptyValueIsNotTheDefault", "[S]\r\nk=\r\n", "S", "k", "dflt", ""},
        ReadRow{"FirstOfTwoKeysCounts", "[S]\r\nk=1\r\nK=2\r\n", "S", "k", "", "1"},
        ReadRow{"FirstOfTwoSectionsCounts", "[S]\r\na=1\r\n[s]\r\nb=2\r\n", "S", "b", "none",
                "none"},
        ReadRow{"EqualsSignInValueKept", "[S]\r\nk=a=b\r\n", "S", "k", "", "a=b"},
        ReadRow{"CommentIsNoKey", "[S]\r\n;k=1\r\n  ; k=2\r\n", "S", "k", "none", "none"},
        ReadRow{"LineWithoutEqualsIsNoKey", "[S]\r\nk\r\n", "S", "k", "none", "none"},
        ReadRow{"BracketWithoutCloseIsNoHeader", "[S\r\nk=1\r\n", "S", "k", "none", "none"},
        ReadRow{"KeysBeforeFirstHeaderAreNameless", "k=1\r\n[S]\r\nk=2\r\n", "", "k", "", "1"},
        ReadRow{"LineFeedOnlyFile", "[S]\nk=1\n[T]\nk=2", "T", "k", "", "2"},
        ReadRow{"CarriageReturnOnlyFile", "[S]\rk=1\r[T]\rk=2\r", "T", "k", "", "2"},
        ReadRow{"LoneCarriageReturnEndsALine", "[S]\r\nk=1\rj=2\r\n", "S", "j", "", "2"},
        ReadRow{"ByteOrderMarkIsNoPartOfTheFirstHeader", "\xEF\xBB\xBF[General]\r\nk=2\r\n",
                "General", "k", "", "2"},
        ReadRow{"FileWithUtf8MarkIsReadAsUtf8",
                "\xEF\xBB\xBF[S]\r\nk=25 \xC2\xB0"
                "C\r\n",
                "S", "k", "",
                "25 \xC2\xB0"
                "C"},
        ReadRow{"ValueReadWhole", "[S]\r\nk=" + kLongValue + "\r\n", "S", "k", "", kLongValue},
        ReadRow{"ValueDecodedFromCp1252",
                "[S]\r\nk=25 \xB0"
                "C \x80\r\n",
                "S", "k", "",
                "25 \xC2\xB0"
                "C \xE2\x82\xAC"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Reading integers ----

struct IntRow {
    const char* name;
    const char* value; // nullptr: the key is missing
    std::int32_t expected;
};

class ReadIntTest : public ::testing::TestWithParam<IntRow> {};

TEST_P(ReadIntTest, ReadsLikeTheProfileIntegerRead) {
    const IntRow& row = GetParam();
    const std::string file =
        row.value == nullptr ? "[S]\r\n" : "[S]\r\nk=" + std::string(row.value);
    EXPECT_EQ(Parsed(file).ReadInt("S", "k", 77), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    IniFile, ReadIntTest,
    ::testing::Values(
        IntRow{"Plain", "115200", 115200}, IntRow{"Negative", "-7", -7},
        IntRow{"PlusSign", "+5", 5}, IntRow{"BlanksBeforeSign", "   -12", -12},
        IntRow{"TrailingTextIgnored", "1800mA", 1800}, IntRow{"NoDigitsGiveZero", "On", 0},
        IntRow{"HexIsNotRead", "0x10", 0}, IntRow{"QuotedNumber", "\"42\"", 42},
        IntRow{"EmptyValueGivesDefault", "", 77}, IntRow{"BlankValueGivesDefault", "   ", 77},
        IntRow{"MissingKeyGivesDefault", nullptr, 77},
        IntRow{"ClampedAboveRange", "99999999999", std::numeric_limits<std::int32_t>::max()},
        IntRow{"ClampedBelowRange", "-99999999999", std::numeric_limits<std::int32_t>::min()}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Listing ----

TEST(IniFile, ListsSectionNamesInFileOrderOnce) {
    const IniFile file = Parsed("k=nameless\r\n[General]\r\n[interface_Rkm5_0]\r\n[]\r\n"
                                "[GENERAL]\r\n[CommandList_Rkm5_0]\r\n[\xC4]\r\n");
    EXPECT_EQ(file.SectionNames(), (std::vector<std::string>{"General", "interface_Rkm5_0",
                                                             "CommandList_Rkm5_0", "\xC3\x84"}));
    EXPECT_TRUE(file.HasSection("commandlist_rkm5_0"));
    EXPECT_FALSE(file.HasSection(""));
    EXPECT_FALSE(file.HasSection("channelMap_Rkm5_0"));
}

TEST(IniFile, ListsKeyNamesOfFirstSectionOnce) {
    const IniFile file = Parsed("[S]\r\ncount=2\r\n;c=1\r\nLine_0=a\r\nCOUNT=3\r\n[s]\r\nz=1\r\n");
    EXPECT_EQ(file.KeyNames("s"), (std::vector<std::string>{"count", "Line_0"}));
    EXPECT_TRUE(file.KeyNames("missing").empty());
}

TEST(IniFile, BytesThatAreNoIniFileGiveNoSections) {
    const char raw[] = "\x7F"
                       "ELF\x02\x01\x01\x00\x00\x00[\xFF\xFE\x00\r\r\n=\x00\x01";
    const std::string binary(raw, sizeof raw - 1);
    IniFile file = Parsed(binary);
    EXPECT_TRUE(file.SectionNames().empty());
    EXPECT_EQ(file.ReadInt("General", "Count_RKM5", 1), 1);
    EXPECT_EQ(file.Serialize(), binary);
}

// ---- Writing: the bytes of the file ----

struct WriteRow {
    const char* name;
    std::string before;
    std::function<void(IniFile&)> edit;
    std::string after;
};

class WriteTest : public ::testing::TestWithParam<WriteRow> {};

TEST_P(WriteTest, GivesTheseBytes) {
    const WriteRow& row = GetParam();
    IniFile file = Parsed(row.before);
    row.edit(file);
    EXPECT_EQ(file.Serialize(), row.after);
    EXPECT_EQ(file.IsModified(), row.before != row.after);
    // The image is what a fresh load of its bytes gives.
    const IniFile reloaded = Parsed(file.Serialize());
    EXPECT_EQ(reloaded.SectionNames(), file.SectionNames());
    for (const std::string& section : file.SectionNames()) {
        for (const std::string& key : file.KeyNames(section)) {
            EXPECT_EQ(reloaded.Find(section, key), file.Find(section, key)) << section << key;
        }
    }
}

void Set(IniFile& file, const char* section, const char* key, const char* value) {
    ASSERT_TRUE(file.WriteString(section, key, value));
}

// The order in which a save writes a new configuration's first sections.
void WriteNewUnitSections(IniFile& file) {
    Set(file, "General", "modeView", "0");
    Set(file, "General", "ActualTab", "0");
    Set(file, "General", "Count_RKM5", "1\n");
    Set(file, "interface_Rkm5_0", "SerNr", "no RKM5 selected");
    Set(file, "interface_Rkm5_0", "manualIp", "0\n");
    Set(file, "CommandList_Rkm5_0", "count", "1");
    Set(file, "CommandList_Rkm5_0", "Line_0", "gs\n");
}

const std::string kNewUnitSections = "[General]\r\nmodeView=0\r\nActualTab=0\r\nCount_RKM5=1\r\n"
                                     "\r\n"
                                     "[interface_Rkm5_0]\r\nSerNr=no RKM5 selected\r\n"
                                     "manualIp=0\r\n"
                                     "\r\n"
                                     "[CommandList_Rkm5_0]\r\ncount=1\r\nLine_0=gs\r\n"
                                     "\r\n";

INSTANTIATE_TEST_SUITE_P(
    IniFile, WriteTest,
    ::testing::Values(
        WriteRow{"NewFileUsesCrLf", "", [](IniFile& f) { Set(f, "S", "k", "v"); },
                 "[S]\r\nk=v\r\n"},
        WriteRow{"TrailingLineFeedLeavesBlankLineAfterNewSections", "", WriteNewUnitSections,
                 kNewUnitSections},
        WriteRow{"ResavingKeepsTheBlankLines", kNewUnitSections,
                 [](IniFile& f) {
                     Set(f, "General", "Count_RKM5", "2");
                     Set(f, "interface_Rkm5_0", "manualIp", "1");
                     Set(f, "CommandList_Rkm5_0", "count", "2");
                     Set(f, "CommandList_Rkm5_0", "Line_1", "gv");
                 },
                 "[General]\r\nmodeView=0\r\nActualTab=0\r\nCount_RKM5=2\r\n\r\n"
                 "[interface_Rkm5_0]\r\nSerNr=no RKM5 selected\r\nmanualIp=1\r\n\r\n"
                 "[CommandList_Rkm5_0]\r\ncount=2\r\nLine_0=gs\r\nLine_1=gv\r\n\r\n"},
        WriteRow{"UpdateInPlaceKeepsEveryOtherLine",
                 "; written by hand\r\n[S]\r\na=1\r\n; about b\r\nb = 2\r\nunknown=x\r\n\r\n"
                 "[T]\r\na=1\r\n",
                 [](IniFile& f) { Set(f, "s", "B", "9"); },
                 "; written by hand\r\n[S]\r\na=1\r\n; about b\r\nb=9\r\nunknown=x\r\n\r\n"
                 "[T]\r\na=1\r\n"},
        WriteRow{"UpdateKeepsTheFilesSpellingOfTheKey", "[S]\r\n  Baud Rate = 9600 \r\n",
                 [](IniFile& f) { Set(f, "S", "baud rate", "115200"); },
                 "[S]\r\nBaud Rate=115200\r\n"},
        WriteRow{"SameValueLeavesTheLineAlone", "[S]\r\n  k = 1 \r\n",
                 [](IniFile& f) { Set(f, "S", "k", "1"); }, "[S]\r\n  k = 1 \r\n"},
        WriteRow{"UpdateRewritesOnlyTheFirstOfTwoKeys", "[S]\r\nk=1\r\nk=2\r\n",
                 [](IniFile& f) { Set(f, "S", "k", "3"); }, "[S]\r\nk=3\r\nk=2\r\n"},
        WriteRow{"NewKeyFollowsLastNonBlankLine", "[S]\r\na=1\r\n; note\r\n\r\n\r\n[T]\r\n",
                 [](IniFile& f) { Set(f, "S", "b", "2"); },
                 "[S]\r\na=1\r\n; note\r\nb=2\r\n\r\n\r\n[T]\r\n"},
        WriteRow{"NewKeyInEmptySectionFollowsHeader", "[S]\r\n\r\n[T]\r\n",
                 [](IniFile& f) { Set(f, "S", "b", "2"); }, "[S]\r\nb=2\r\n\r\n[T]\r\n"},
        WriteRow{"NewSectionAfterMissingFinalLineEnd", "[S]\r\na=1",
                 [](IniFile& f) { Set(f, "T", "k", "v"); }, "[S]\r\na=1\r\n[T]\r\nk=v\r\n"},
        WriteRow{"EditElsewhereKeepsMissingFinalLineEnd", "[S]\r\na=1\r\n[T]\r\nz=9",
                 [](IniFile& f) { Set(f, "S", "a", "2"); }, "[S]\r\na=2\r\n[T]\r\nz=9"},
        WriteRow{"LineFeedFileStaysLineFeed", "[S]\na=1\n",
                 [](IniFile& f) {
                     Set(f, "S", "b", "2\n");
                     Set(f, "T", "c", "3");
                 },
                 "[S]\na=1\nb=2\n\n[T]\nc=3\n"},
        WriteRow{"CarriageReturnFileStaysCarriageReturn", "[S]\ra=1\r",
                 [](IniFile& f) {
                     Set(f, "S", "b", "2\n");
                     Set(f, "T", "c", "3");
                 },
                 "[S]\ra=1\rb=2\r\r[T]\rc=3\r"},
        WriteRow{"ByteOrderMarkStaysInFrontAndTextStaysUtf8", "\xEF\xBB\xBF[S]\r\nk=1\r\n",
                 [](IniFile& f) {
                     Set(f, "S", "k", "2");
                     Set(f, "T", "x",
                         "25 \xC2\xB0"
                         "C");
                 },
                 "\xEF\xBB\xBF[S]\r\nk=2\r\n[T]\r\nx=25 \xC2\xB0"
                 "C\r\n"},
        WriteRow{"ByteOrderMarkOfAnEmptyFileStays", "\xEF\xBB\xBF",
                 [](IniFile& f) { Set(f, "S", "k", "v"); }, "\xEF\xBB\xBF[S]\r\nk=v\r\n"},
        WriteRow{"LoneCarriageReturnInAValueEndsTheLine", "[S]\r\n",
                 [](IniFile& f) { Set(f, "S", "k", "a\rb=c"); }, "[S]\r\nk=a\r\nb=c\r\n"},
        WriteRow{"OtherLinesKeepTheirOwnLineEnds", "[S]\na=1\r\nb=2\n",
                 [](IniFile& f) { Set(f, "S", "a", "5"); }, "[S]\na=5\r\nb=2\n"},
        WriteRow{"MissingValueRemovesTheKey", "[S]\r\na=1\r\nb=2\r\nA=3\r\n",
                 [](IniFile& f) { ASSERT_TRUE(f.WriteString("S", "a", std::nullopt)); },
                 "[S]\r\nb=2\r\n"},
        WriteRow{"MissingKeyRemovesEverySectionOfTheName",
                 "[S]\r\na=1\r\n; c\r\n\r\n[T]\r\nx=1\r\n[s]\r\nz=1\r\n",
                 [](IniFile& f) { ASSERT_TRUE(f.WriteString("S", std::nullopt, std::nullopt)); },
                 "[T]\r\nx=1\r\n"},
        WriteRow{"RemovingWhatIsMissingChangesNothing", "[S]\r\na=1\r\n",
                 [](IniFile& f) {
                     f.RemoveKey("S", "b");
                     f.RemoveKey("T", "a");
                     f.RemoveSection("T");
                 },
                 "[S]\r\na=1\r\n"},
        WriteRow{"NamelessKeyGoesBeforeFirstHeader", "[S]\r\na=1\r\n",
                 [](IniFile& f) { Set(f, "", "StartWithLastConfig", "1"); },
                 "StartWithLastConfig=1\r\n[S]\r\na=1\r\n"},
        WriteRow{"RequestedNamesWrittenTrimmed", "", [](IniFile& f) { Set(f, " S ", " k ", " v"); },
                 "[S]\r\nk= v\r\n"},
        WriteRow{"TextEncodedAsCp1252", "",
                 [](IniFile& f) {
                     Set(f, "S", "k",
                         "25 \xC2\xB0"
                         "C \xE2\x82\xAC \xE2\x98\x83");
                 },
                 "[S]\r\nk=25 \xB0"
                 "C \x80 ?\r\n"},
        WriteRow{"InnerLineFeedsBecomeLines", "[S]\r\n",
                 [](IniFile& f) { Set(f, "S", "k", "a\r\nb=c\n[T]\nd=e"); },
                 "[S]\r\nk=a\r\nb=c\r\n[T]\r\nd=e\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusedRow {
    const char* name;
    const char* section;
    const char* key;
};

class RefusedNameTest : public ::testing::TestWithParam<RefusedRow> {};

TEST_P(RefusedNameTest, ChangesNothing) {
    IniFile file = Parsed("[S]\r\na=1\r\n");
    EXPECT_FALSE(file.WriteString(GetParam().section, GetParam().key, "v"));
    EXPECT_FALSE(file.IsModified());
    EXPECT_EQ(file.Serialize(), "[S]\r\na=1\r\n");
}

INSTANTIATE_TEST_SUITE_P(IniFile, RefusedNameTest,
                         ::testing::Values(RefusedRow{"EmptyKey", "S", "  "},
                                           RefusedRow{"KeyWithEquals", "S", "a=b"},
                                           RefusedRow{"KeyLikeComment", "S", ";a"},
                                           RefusedRow{"KeyLikeHeader", "S", "[a"},
                                           RefusedRow{"KeyWithLineEnd", "S", "a\nb"},
                                           RefusedRow{"SectionWithLineEnd", "S\r\nT", "a"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Files on disk ----

class IniFileOnDisk : public ::testing::Test {
protected:
    std::filesystem::path PathOf(const char* name) const { return m_folder.Path() / name; }
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder.Path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder m_folder;
};

TEST_F(IniFileOnDisk, MissingFileLoadsEmptyAndIsCreatedBySave) {
    const auto path = PathOf("new.ini");
    IniFile file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_TRUE(file.SectionNames().empty());
    EXPECT_TRUE(file.Save());
    EXPECT_FALSE(std::filesystem::exists(path)) << "nothing written, nothing created";
    WriteNewUnitSections(file);
    ASSERT_TRUE(file.Save()) << file.LastError();
    EXPECT_EQ(ReadBytes(path), kNewUnitSections);
    EXPECT_FALSE(file.IsModified());
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"new.ini"}) << "no temporary file left";
}

TEST_F(IniFileOnDisk, RewrittenKeyKeepsTheRestByteForByte) {
    const auto path = PathOf("hand.ini");
    const std::string bytes = "; hand made\n[General]\r\nCount_RKM5 = 2\n\n[Other]\nx=\"y\"";
    WriteBytes(path, bytes);
    IniFile file;
    ASSERT_TRUE(file.Load(path));
    file.WriteString("General", "Count_RKM5", "3");
    file.WriteString("General", "Count_RKM5", "2");
    ASSERT_TRUE(file.Save());
    EXPECT_EQ(ReadBytes(path), "; hand made\n[General]\r\nCount_RKM5=2\n\n[Other]\nx=\"y\"");
}

TEST_F(IniFileOnDisk, SaveKeepsThePermissionsAndFollowsALink) {
    const auto real = PathOf("real.ini");
    const auto link = PathOf("link.ini");
    WriteBytes(real, "[S]\r\nk=1\r\n");
    std::filesystem::permissions(real, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write);
    std::filesystem::create_symlink(real, link);
    IniFile file;
    ASSERT_TRUE(file.Load(link));
    file.WriteString("S", "k", "2");
    ASSERT_TRUE(file.Save()) << file.LastError();
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(real), "[S]\r\nk=2\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(IniFileOnDisk, InterruptedSaveLeavesThePreviousFile) {
    const auto path = PathOf("cfg.ini");
    WriteBytes(path, "[General]\r\nCount_RKM5=5\r\n");
    IniFile file;
    ASSERT_TRUE(file.Load(path));
    file.WriteString("General", "Count_RKM5", "3");
    std::string written;
    file.SetBeforeReplaceHook([&](const std::string& temporary) {
        written = ReadBytes(temporary);
        return false; // the process dies here
    });
    EXPECT_FALSE(file.Save());
    EXPECT_FALSE(file.LastError().empty());
    EXPECT_EQ(written, "[General]\r\nCount_RKM5=3\r\n") << "the whole new file came first";
    EXPECT_EQ(ReadBytes(path), "[General]\r\nCount_RKM5=5\r\n");
    EXPECT_EQ(ReadProfileInt("General", "Count_RKM5", 1, path), 5);

    // The next save goes through and replaces the file whole.
    file.SetBeforeReplaceHook(nullptr);
    EXPECT_TRUE(file.IsModified());
    ASSERT_TRUE(file.Save());
    EXPECT_EQ(ReadBytes(path), "[General]\r\nCount_RKM5=3\r\n");
}

TEST_F(IniFileOnDisk, FolderThatCannotBeWrittenIsReported) {
    const auto blocker = PathOf("plain-file");
    WriteBytes(blocker, "not a folder");
    IniFile file;
    ASSERT_TRUE(file.Load(blocker / "cfg.ini"));
    file.WriteString("S", "k", "v");
    EXPECT_FALSE(file.Save());
    EXPECT_NE(file.LastError().find("cfg.ini"), std::string::npos) << file.LastError();
    EXPECT_EQ(ReadBytes(blocker), "not a folder");
}

// A save that cannot make its temporary file beside the original rewrites the original in
// place, so that a file the operator may write is saved in a folder the operator may not.
struct InPlaceRow {
    const char* name;
    std::string before;
    const char* value;
    std::string after;
};

class SaveInPlace : public IniFileOnDisk, public ::testing::WithParamInterface<InPlaceRow> {};

TEST_P(SaveInPlace, WhenNoTemporaryFileCanBeMade) {
    const InPlaceRow& row = GetParam();
    const auto path = PathOf("LastConfig.ini");
    WriteBytes(path, row.before);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    IniFile file;
    ASSERT_TRUE(file.Load(path));
    file.WriteString("S", "k", row.value);
    int attempts = 0;
    file.SetCreateTemporaryHook([&](const std::string&) {
        ++attempts;
        errno = EACCES;
        return -1;
    });
    ASSERT_TRUE(file.Save()) << file.LastError();
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(ReadBytes(path), row.after);
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the same file, rewritten";
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"LastConfig.ini"});
    EXPECT_FALSE(file.IsModified());
}

INSTANTIATE_TEST_SUITE_P(
    IniFile, SaveInPlace,
    ::testing::Values(InPlaceRow{"LongerFile", "[S]\r\nk=1\r\n", "12345", "[S]\r\nk=12345\r\n"},
                      InPlaceRow{"ShorterFileLosesItsOldTail", "[S]\r\nk=12345\r\n; tail\r\n", "1",
                                 "[S]\r\nk=1\r\n; tail\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IniFileOnDisk, AMissingFileInAFolderWithoutRoomIsReportedAndNotMade) {
    const auto path = PathOf("new.ini");
    IniFile file;
    ASSERT_TRUE(file.Load(path));
    file.WriteString("S", "k", "v");
    file.SetCreateTemporaryHook([](const std::string&) {
        errno = EACCES;
        return -1;
    });
    EXPECT_FALSE(file.Save());
    EXPECT_NE(file.LastError().find("new.ini"), std::string::npos) << file.LastError();
    EXPECT_NE(file.LastError().find(FormatSystemError(EACCES)), std::string::npos)
        << file.LastError();
    EXPECT_TRUE(FolderEntries().empty());
    EXPECT_TRUE(file.IsModified());
}

// The folder is the operator's to read only, the file is the operator's to write: as an
// operator (root is let through any folder, so a test run as root saves as nobody).
TEST_F(IniFileOnDisk, AWritableFileInAReadOnlyFolderIsSavedInPlace) {
    const auto folder = PathOf("shared");
    std::filesystem::create_directory(folder);
    const auto path = folder / "LastConfig.ini";
    WriteBytes(path, "[S]\r\nk=1\r\n");
    namespace fs = std::filesystem;
    fs::permissions(path, fs::perms::all & ~fs::perms::others_exec & ~fs::perms::group_exec &
                              ~fs::perms::owner_exec);
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec |
                               fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(folder, readOnly);
    fs::permissions(m_folder.Path(), fs::perms::owner_all | fs::perms::others_exec);
    auto save = [&] {
        IniFile file;
        return file.Load(path) && file.WriteString("S", "k", "2") && file.Save();
    };
    if (::geteuid() == 0) {
        EXPECT_TRUE(RunAsNobody(save));
    } else {
        EXPECT_TRUE(save());
    }
    EXPECT_EQ(ReadBytes(path), "[S]\r\nk=2\r\n");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"LastConfig.ini"});
    fs::permissions(folder, fs::perms::owner_all);
}

TEST_F(IniFileOnDisk, ASaveKeepsTheFilesOwnerGroupAndMode) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a file to another owner and group";
    }
    const auto path = PathOf("shared.ini");
    WriteBytes(path, "[S]\r\nk=1\r\n");
    ASSERT_EQ(::chown(path.c_str(), 4242, 4343), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
    IniFile file;
    ASSERT_TRUE(file.Load(path));
    file.WriteString("S", "k", "2");
    ASSERT_TRUE(file.Save()) << file.LastError();
    EXPECT_EQ(ReadBytes(path), "[S]\r\nk=2\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4242u);
    EXPECT_EQ(st.st_gid, 4343u);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
}

// A user who may write a group's file but is no member of the group cannot give a new file
// that group: the file is rewritten in place rather than handed to the user's own group.
TEST_F(IniFileOnDisk, AGroupTheSaverCannotGiveKeepsTheFileInPlace) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can set up a group file the saver is no member of";
    }
    namespace fs = std::filesystem;
    fs::permissions(m_folder.Path(), fs::perms::all);
    const auto path = PathOf("group.ini");
    WriteBytes(path, "[S]\r\nk=1\r\n");
    ASSERT_EQ(::chown(path.c_str(), kNobodyUid, 4343), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    EXPECT_TRUE(RunAsNobody([&] {
        IniFile file;
        return file.Load(path) && file.WriteString("S", "k", "2") && file.Save();
    }));
    EXPECT_EQ(ReadBytes(path), "[S]\r\nk=2\r\n");
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_gid, 4343u);
    EXPECT_EQ(after.st_mode & 07777, 0664u);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"group.ini"});
}

struct Utf16Row {
    const char* name;
    std::string bytes;
};

class Utf16File : public IniFileOnDisk, public ::testing::WithParamInterface<Utf16Row> {};

TEST_P(Utf16File, IsRefusedWithItsReasonAndNeverReplaced) {
    const auto path = PathOf("notepad.ini");
    WriteBytes(path, GetParam().bytes);
    IniFile file;
    EXPECT_FALSE(file.Load(path));
    EXPECT_NE(file.LastError().find(path.string()), std::string::npos) << file.LastError();
    EXPECT_NE(file.LastError().find("UTF-16"), std::string::npos) << file.LastError();
    EXPECT_TRUE(file.SectionNames().empty());
    file.WriteString("General", "Count_RKM5", "1");
    EXPECT_FALSE(file.Save());
    EXPECT_EQ(ReadBytes(path), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    IniFile, Utf16File,
    ::testing::Values(Utf16Row{"LittleEndian", std::string("\xFF\xFE[\0G\0]\0\r\0\n\0", 12)},
                      Utf16Row{"BigEndian", std::string("\xFE\xFF\0[\0G\0]\0\r\0\n", 12)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IniFileOnDisk, UnreadableFileLoadsEmptyAndIsNeverReplaced) {
    const auto folder = PathOf("a-folder.ini");
    std::filesystem::create_directory(folder);
    IniFile file;
    EXPECT_FALSE(file.Load(folder));
    EXPECT_FALSE(file.LastError().empty());
    EXPECT_TRUE(file.SectionNames().empty());
    file.WriteString("S", "k", "v");
    EXPECT_FALSE(file.Save());
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(IniFileOnDisk, ProfileFunctionsWriteKeyByKey) {
    const std::string path = PathOf("p.ini");
    std::string error;
    ASSERT_TRUE(WriteProfileString("General", "Count_RKM5", "2", path, &error)) << error;
    ASSERT_TRUE(WriteProfileString("interface_Rkm5_0", "IpPort", "23", path));
    ASSERT_TRUE(WriteProfileString("interface_Rkm5_1", "IpPort", "24", path));
    ASSERT_TRUE(WriteProfileString("general", "count_rkm5", "1", path));
    ASSERT_TRUE(WriteProfileString("interface_Rkm5_1", std::nullopt, std::nullopt, path));
    EXPECT_EQ(ReadBytes(path), "[General]\r\nCount_RKM5=1\r\n[interface_Rkm5_0]\r\nIpPort=23\r\n");
    EXPECT_EQ(ReadProfileSectionNames(path),
              (std::vector<std::string>{"General", "interface_Rkm5_0"}));
    EXPECT_EQ(ReadProfileInt("interface_Rkm5_0", "IpPort", 0, path), 23);
    EXPECT_EQ(ReadProfileString("interface_Rkm5_0", "IpAdr", "none", path), "none");
    EXPECT_FALSE(WriteProfileString("S", "a=b", "v", path, &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
