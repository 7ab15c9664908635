#include "unit/ReadingsCsv.h"

#include "platform/Format.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr std::int64_t kMinute = 60 * 1000;

using Record = std::vector<std::string>;

// A strict RFC 4180 reader: records end in CR LF (the last one too), fields are split at
// commas, a quoted field runs to a quote that a comma, a CR LF or the end follows, with quotes
// doubled inside; a bare CR or LF, a quote inside an unquoted field and records of different
// lengths are errors.
std::optional<std::vector<Record>> ReadCsv(const std::string& text, std::string& error) {
    std::vector<Record> records;
    Record record;
    std::string field;
    std::size_t i = 0;
    const auto endOfRecord = [&](std::size_t at) {
        return at + 1 < text.size() && text[at] == '\r' && text[at + 1] == '\n';
    };
    while (i < text.size()) {
        if (text[i] == '"') {
            ++i;
            for (;;) {
                if (i >= text.size()) {
                    error = "unterminated quote";
                    return std::nullopt;
                }
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i++];
            }
            if (i < text.size() && text[i] != ',' && !endOfRecord(i)) {
                error = "text after a closing quote at " + std::to_string(i);
                return std::nullopt;
            }
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
                if (text[i] == '"') {
                    error = "quote inside an unquoted field at " + std::to_string(i);
                    return std::nullopt;
                }
                field += text[i++];
            }
        }
        record.push_back(field);
        field.clear();
        if (i >= text.size()) {
            error = "last record without CR LF";
            return std::nullopt;
        }
        if (text[i] == ',') {
            ++i;
            if (i == text.size()) {
                error = "comma at the end";
                return std::nullopt;
            }
            continue;
        }
        if (!endOfRecord(i)) {
            error = "bare line end at " + std::to_string(i);
            return std::nullopt;
        }
        i += 2;
        if (!records.empty() && record.size() != records.front().size()) {
            error = "record " + std::to_string(records.size()) + " has " +
                    std::to_string(record.size()) + " fields";
            return std::nullopt;
        }
        records.push_back(record);
        record.clear();
    }
    return records;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A cell read back: NaN for an empty one; the number must fill the cell.
float Cell(const std::string& text) {
    if (text.empty()) {
        return kNaN;
    }
    float value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(error == std::errc() && end == text.data() + text.size()) << text;
    return value;
}

bool Same(float a, float b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

// The column of a quantity in a record: time, kind, then the quantities.
std::size_t Column(Quantity quantity) {
    return 2 + static_cast<std::size_t>(quantity);
}

// The process locale for one test, put back afterwards.
class LocaleGuard {
public:
    LocaleGuard() : m_previous(std::setlocale(LC_ALL, nullptr)) {}
    ~LocaleGuard() { std::setlocale(LC_ALL, m_previous.c_str()); }
    LocaleGuard(const LocaleGuard&) = delete;
    LocaleGuard& operator=(const LocaleGuard&) = delete;

private:
    std::string m_previous;
};

struct Rig {
    explicit Rig(HistoryLimits limits = {}) : History([this] { return Now; }, limits) {}
    void Record(std::int64_t time, const GroupReading& reading) {
        Now = time;
        History.Record(reading);
    }
    std::int64_t Now = 0;
    ReadingHistory History;
};

constexpr std::int64_t kTick = 1796996513123; // 2026-12-11T13:41:53.123Z

// Two monitoring ticks with their three polls each, a read-back and a set current, then a
// lost link and one more tick.
void FillTicks(Rig& rig) {
    for (int tick = 0; tick < 2; ++tick) {
        const std::int64_t t = kTick + tick * 3000;
        rig.Record(t, TemperatureReading({"31", "-5", "", "29"}, {"28", "20", "", "NA"}));
        rig.Record(t + 40, VoltageReading({"18400", "17489", "0", "220"}, "24100", "3300"));
        rig.Record(t + 80, ErrorCodeReading(tick == 0 ? 0 : 204));
    }
    // Each more than half a period after the row before: rows of their own.
    rig.Record(kTick + 4600, CurrentReadBackReading({500, 600, 0, 0}));
    rig.Record(kTick + 6200, SetpointReading({700, 200, 200, 1800}));
    rig.Now = kTick + 7000;
    rig.History.MarkGap();
    rig.Record(kTick + 20000, TemperatureReading({"30.5", "", "", ""}, {"27", "", "", ""}));
}

struct ExpectedCell {
    std::size_t Row;
    Quantity Of;
    float Value; // NaN: empty
};

// What FillTicks writes, record by record after the header.
const char* const kKinds[] = {"sample", "sample", "sample", "sample", "gap", "sample"};
const char* const kTimes[] = {
    "2026-12-11T13:41:53.123Z", "2026-12-11T13:41:56.123Z", "2026-12-11T13:41:57.723Z",
    "2026-12-11T13:41:59.323Z", "2026-12-11T13:42:00.123Z", "2026-12-11T13:42:13.123Z",
};
const ExpectedCell kCells[] = {
    {0, Quantity::ControllerTemperatureA, 31},
    {0, Quantity::ControllerTemperatureB, -5},
    {0, Quantity::ControllerTemperatureC, kNaN},
    {0, Quantity::TesselTemperatureD, kNaN},
    {0, Quantity::LedVoltageB, 17489},
    {0, Quantity::LedVoltageC, 0},
    {0, Quantity::InputVoltage, 24100},
    {0, Quantity::AnalogVoltage, 3300},
    {0, Quantity::ErrorCode, 0},
    {0, Quantity::SetCurrentA, kNaN},
    {1, Quantity::ErrorCode, 204},
    {1, Quantity::LedVoltageD, 220},
    {2, Quantity::ActualCurrentB, 600},
    {2, Quantity::ControllerTemperatureA, kNaN},
    {3, Quantity::SetCurrentD, 1800},
    {3, Quantity::ActualCurrentB, kNaN},
    {5, Quantity::ControllerTemperatureA, 30.5f},
    {5, Quantity::TesselTemperatureA, 27},
    {5, Quantity::InputVoltage, kNaN},
};

void ExpectTicksReadBack(const std::filesystem::path& path) {
    std::string error;
    const std::optional<std::vector<Record>> records = ReadCsv(ReadFile(path), error);
    ASSERT_TRUE(records.has_value()) << error;
    ASSERT_EQ(records->size(), 7u);
    const Record& header = records->front();
    ASSERT_EQ(header.size(), 2u + kQuantityCount);
    EXPECT_EQ(header[0], "time");
    EXPECT_EQ(header[1], "kind");
    EXPECT_EQ(header[Column(Quantity::ControllerTemperatureA)], "controller_temperature_A");
    EXPECT_EQ(header[Column(Quantity::ErrorCode)], "error_code");
    for (std::size_t r = 0; r < 6; ++r) {
        EXPECT_EQ((*records)[r + 1][0], kTimes[r]) << r;
        EXPECT_EQ((*records)[r + 1][1], kKinds[r]) << r;
    }
    for (const ExpectedCell& cell : kCells) {
        const std::string& text = (*records)[cell.Row + 1][Column(cell.Of)];
        EXPECT_TRUE(Same(Cell(text), cell.Value))
            << "row " << cell.Row << " column " << Column(cell.Of) << ": " << text;
    }
    for (std::size_t q = 2; q < header.size(); ++q) {
        EXPECT_EQ((*records)[5][q], "") << "a gap row holds no value";
    }
}

TEST(ReadingsCsv, AnExportReadsBackAsTheValuesRecorded) {
    Rig rig;
    FillTicks(rig);
    TempFolder folder;
    const std::filesystem::path path = folder.Path() / "readings.csv";
    const CsvResult result = ExportReadingsCsv(rig.History, path.string());
    ASSERT_TRUE(result.Ok) << result.Error;
    ExpectTicksReadBack(path);
}

TEST(ReadingsCsv, ADecimalCommaLocaleWritesTheSameText) {
    Rig rig;
    FillTicks(rig);
    TempFolder folder;
    const std::filesystem::path plain = folder.Path() / "plain.csv";
    ASSERT_TRUE(ExportReadingsCsv(rig.History, plain.string()).Ok);

    LocaleGuard guard;
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no de_DE.UTF-8 locale on this machine";
    }
    ASSERT_EQ(std::localeconv()->decimal_point[0], ',');
    const std::filesystem::path german = folder.Path() / "german.csv";
    const CsvResult result = ExportReadingsCsv(rig.History, german.string());
    ASSERT_TRUE(result.Ok) << result.Error;
    ExpectTicksReadBack(german);
    EXPECT_EQ(ReadFile(german), ReadFile(plain));
}

TEST(ReadingsCsv, ReducedMinutesAreWrittenAsMinimumAndMaximumRows) {
    HistoryLimits limits;
    limits.FullResolutionMs = 10 * kMinute;
    Rig rig(limits);
    const std::int64_t start = 28333334 * kMinute;
    const float values[] = {21.5f, 19, 25.25f, 20};
    for (int tick = 0; tick < 4; ++tick) {
        rig.Record(start + tick * 3000, TemperatureReading({Format("%g", values[tick]), "", "", ""},
                                                           {"30", "", "", ""}));
        rig.Record(start + tick * 3000 + 50, ErrorCodeReading(tick));
    }
    // Readings well past the window push the minute out of it.
    rig.Record(start + 12 * kMinute, TemperatureReading({"20", "", "", ""}, {"30", "", "", ""}));
    rig.Record(start + 12 * kMinute, ErrorCodeReading(0));
    TempFolder folder;
    const std::filesystem::path path = folder.Path() / "reduced.csv";
    ASSERT_TRUE(ExportReadingsCsv(rig.History, path.string()).Ok);

    std::string error;
    const std::optional<std::vector<Record>> records = ReadCsv(ReadFile(path), error);
    ASSERT_TRUE(records.has_value()) << error;
    ASSERT_GE(records->size(), 3u);
    const Record& min = (*records)[1];
    const Record& max = (*records)[2];
    EXPECT_EQ(min[1], "min");
    EXPECT_EQ(max[1], "max");
    EXPECT_EQ(min[0], FormatUtcTime(start));
    EXPECT_EQ(max[0], FormatUtcTime(start));
    EXPECT_EQ(Cell(min[Column(Quantity::ControllerTemperatureA)]), 19);
    EXPECT_EQ(Cell(max[Column(Quantity::ControllerTemperatureA)]), 25.25f);
    EXPECT_EQ(Cell(min[Column(Quantity::TesselTemperatureA)]), 30);
    EXPECT_EQ(Cell(min[Column(Quantity::ErrorCode)]), 0);
    EXPECT_EQ(Cell(max[Column(Quantity::ErrorCode)]), 3);
    EXPECT_TRUE(std::isnan(Cell(max[Column(Quantity::ControllerTemperatureB)])));
}

struct TimeRow {
    const char* Name;
    std::int64_t Milliseconds;
    const char* Text;
};

const TimeRow kTimeRows[] = {
    {"Epoch", 0, "1970-01-01T00:00:00.000Z"},
    {"WithMilliseconds", 1796996513123, "2026-12-11T13:41:53.123Z"},
    {"LeapDay", 1709251199999, "2024-02-29T23:59:59.999Z"},
    {"CenturyLeapYear", 951868800000, "2000-03-01T00:00:00.000Z"},
    {"LastMillisecondOfFourDigits", 253402300799999, "9999-12-31T23:59:59.999Z"},
    {"OneBeforeTheEpoch", -1, "1969-12-31T23:59:59.999Z"},
    {"CenturyWithoutLeapDay", -2203847999500, "1900-03-01T12:00:00.500Z"},
    {"BeyondFourDigits", 253402300800000, "+10000-01-01T00:00:00.000Z"},
};

class UtcTimes : public testing::TestWithParam<TimeRow> {};

TEST_P(UtcTimes, AreWrittenAsIso8601WithMilliseconds) {
    EXPECT_EQ(FormatUtcTime(GetParam().Milliseconds), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(Rows, UtcTimes, testing::ValuesIn(kTimeRows),
                         [](const testing::TestParamInfo<TimeRow>& info) {
                             return std::string(info.param.Name);
                         });

struct FieldRow {
    const char* Name;
    const char* Text;
    const char* Field;
};

const FieldRow kFieldRows[] = {
    {"PlainStaysPlain", "error_code", "error_code"},
    {"EmptyStaysEmpty", "", ""},
    {"CommaIsQuoted", "a,b", "\"a,b\""},
    {"QuoteIsDoubled", "say \"hi\"", "\"say \"\"hi\"\"\""},
    {"LineFeedIsQuoted", "a\nb", "\"a\nb\""},
    {"CarriageReturnIsQuoted", "a\rb", "\"a\rb\""},
    {"Utf8StaysAsItIs",
     "Temperatur \xC2\xB0"
     "C",
     "Temperatur \xC2\xB0"
     "C"},
};

class CsvFields : public testing::TestWithParam<FieldRow> {};

TEST_P(CsvFields, AreQuotedWhereNeeded) {
    const std::string field = CsvField(GetParam().Text);
    EXPECT_EQ(field, GetParam().Field);
    std::string error;
    const std::optional<std::vector<Record>> records = ReadCsv(field + "\r\n", error);
    ASSERT_TRUE(records.has_value()) << error;
    EXPECT_EQ(records->at(0).at(0), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(Rows, CsvFields, testing::ValuesIn(kFieldRows),
                         [](const testing::TestParamInfo<FieldRow>& info) {
                             return std::string(info.param.Name);
                         });

TEST(ReadingsCsv, NumbersAreWrittenInFullWithoutExponent) {
    EXPECT_EQ(FormatReading(1000000), "1000000");
    EXPECT_EQ(FormatReading(0.1f), "0.1");
    EXPECT_EQ(FormatReading(-27), "-27");
    EXPECT_EQ(FormatReading(kNaN), "");
    EXPECT_EQ(FormatReading(std::numeric_limits<float>::infinity()), "");
    const float largest = std::numeric_limits<float>::max();
    EXPECT_EQ(Cell(FormatReading(largest)), largest);
    const float tiny = std::numeric_limits<float>::denorm_min();
    EXPECT_EQ(Cell(FormatReading(tiny)), tiny);
}

// --- Writing files

std::vector<std::string> FolderListing(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ReadingsCsvFiles, AFolderThatDoesNotExistIsReportedWithPathAndReason) {
    Rig rig;
    FillTicks(rig);
    TempFolder folder;
    const std::string path = (folder.Path() / "missing" / "readings.csv").string();
    const CsvResult result = ExportReadingsCsv(rig.History, path);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Error, "Cannot write " + path + ": " + std::strerror(ENOENT));
    EXPECT_TRUE(FolderListing(folder.Path()).empty());
}

TEST(ReadingsCsvFiles, AReadOnlyFileIsReportedAndLeftAsItWas) {
    Rig rig;
    FillTicks(rig);
    TempFolder folder;
    const std::filesystem::path path = folder.Path() / "readings.csv";
    WriteFile(path, "old contents\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const CsvResult result = ExportReadingsCsv(rig.History, path.string());
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Error, "Cannot write " + path.string() + ": " + std::strerror(EACCES));
    EXPECT_EQ(ReadFile(path), "old contents\r\n");
    EXPECT_EQ(FolderListing(folder.Path()), std::vector<std::string>{"readings.csv"});
}

TEST(ReadingsCsvFiles, AReadOnlyFolderIsReportedAndItsFileLeftAsItWas) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    Rig rig;
    FillTicks(rig);
    TempFolder folder;
    const std::filesystem::path path = folder.Path() / "readings.csv";
    WriteFile(path, "old contents\r\n");
    ASSERT_EQ(::chmod(folder.Path().c_str(), 0555), 0);
    const CsvResult result = ExportReadingsCsv(rig.History, path.string());
    ::chmod(folder.Path().c_str(), 0755);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Error, "Cannot write " + path.string() + ": " + std::strerror(EACCES));
    EXPECT_EQ(ReadFile(path), "old contents\r\n");
}

TEST(ReadingsCsvFiles, AnExistingFileIsReplacedWholeAndKeepsItsPermissions) {
    Rig rig;
    FillTicks(rig);
    TempFolder folder;
    const std::filesystem::path path = folder.Path() / "readings.csv";
    WriteFile(path, std::string(100000, 'x'));
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const CsvResult result = ExportReadingsCsv(rig.History, path.string());
    ASSERT_TRUE(result.Ok) << result.Error;
    ExpectTicksReadBack(path);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(FolderListing(folder.Path()), std::vector<std::string>{"readings.csv"});
}

TEST(ReadingsCsvFiles, ANameWithNoRoomForATemporaryFileIsWrittenInPlaceOnlyWhenNew) {
    Rig rig;
    FillTicks(rig);
    TempFolder folder;
    // The longest name a folder holds: the temporary file's suffix makes it too long.
    const std::string name = std::string(NAME_MAX - 4, 'r') + ".csv";
    const std::filesystem::path path = folder.Path() / name;

    const CsvResult created = ExportReadingsCsv(rig.History, path.string());
    ASSERT_TRUE(created.Ok) << created.Error;
    ExpectTicksReadBack(path);
    EXPECT_EQ(FolderListing(folder.Path()), std::vector<std::string>{name});

    WriteFile(path, "old contents\r\n");
    const CsvResult replaced = ExportReadingsCsv(rig.History, path.string());
    EXPECT_FALSE(replaced.Ok);
    EXPECT_EQ(replaced.Error, "Cannot write " + path.string() + ": " + std::strerror(ENAMETOOLONG));
    EXPECT_EQ(ReadFile(path), "old contents\r\n");
}

TEST(ReadingsCsvFiles, AFolderInPlaceOfTheFileIsReported) {
    Rig rig;
    TempFolder folder;
    const std::filesystem::path path = folder.Path() / "readings.csv";
    std::filesystem::create_directory(path);
    const CsvResult result = ExportReadingsCsv(rig.History, path.string());
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Error, "Cannot write " + path.string() + ": not a regular file");
}

// --- Rows as they happen

TEST(ReadingsCsvStream, RowsReachAPipeAsTheyAreWritten) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::FILE* writer = ::fdopen(fds[1], "w");
    ASSERT_NE(writer, nullptr);
    ASSERT_EQ(::fcntl(fds[0], F_SETFL, O_NONBLOCK), 0);
    const auto drain = [&] {
        std::string text;
        char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        }
        return text;
    };

    ReadingsCsvStream stream(writer, "standard output");
    ASSERT_TRUE(stream.WriteHeader());
    EXPECT_EQ(drain(), CsvHeaderLine());

    ReadingRow row;
    row.Take(TemperatureReading({"31", "", "", ""}, {"28", "", "", ""}));
    row.Take(VoltageReading({"18400", "", "", ""}, "24100", "3300"));
    row.Take(ErrorCodeReading(204));
    ASSERT_TRUE(stream.WriteRow(kTick, row));
    const std::string line = drain();
    std::string error;
    const std::optional<std::vector<Record>> records = ReadCsv(CsvHeaderLine() + line, error);
    ASSERT_TRUE(records.has_value()) << error;
    ASSERT_EQ(records->size(), 2u);
    const Record& tick = (*records)[1];
    EXPECT_EQ(tick[0], "2026-12-11T13:41:53.123Z");
    EXPECT_EQ(tick[1], "sample");
    EXPECT_EQ(tick[Column(Quantity::ControllerTemperatureA)], "31");
    EXPECT_EQ(tick[Column(Quantity::TesselTemperatureA)], "28");
    EXPECT_EQ(tick[Column(Quantity::LedVoltageA)], "18400");
    EXPECT_EQ(tick[Column(Quantity::AnalogVoltage)], "3300");
    EXPECT_EQ(tick[Column(Quantity::ErrorCode)], "204");
    EXPECT_EQ(tick[Column(Quantity::ControllerTemperatureB)], "");
    EXPECT_EQ(tick[Column(Quantity::SetCurrentA)], "");

    ASSERT_TRUE(stream.WriteGap(kTick + 3000));
    EXPECT_EQ(drain().substr(0, 30), "2026-12-11T13:41:56.123Z,gap,,");
    std::fclose(writer);
    ::close(fds[0]);
}

TEST(ReadingsCsvStream, AFailedWriteSaysWhereAndWhy) {
    TempFolder folder;
    const std::filesystem::path path = folder.Path() / "monitor.csv";
    WriteFile(path, "");
    std::FILE* readOnly = std::fopen(path.c_str(), "r");
    ASSERT_NE(readOnly, nullptr);
    ReadingsCsvStream stream(readOnly, path.string());
    EXPECT_FALSE(stream.WriteHeader());
    EXPECT_EQ(stream.LastError(), "Cannot write " + path.string() + ": " + std::strerror(EBADF));
    std::fclose(readOnly);
}

} // namespace
