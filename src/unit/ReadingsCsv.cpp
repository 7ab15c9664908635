#include "unit/ReadingsCsv.h"

#include "link/FormatSystemError.h"
#include "platform/Format.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>

namespace {

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

constexpr const char* kColumnNames[kQuantityCount] = {
    "controller_temperature_A",
    "controller_temperature_B",
    "controller_temperature_C",
    "controller_temperature_D",
    "tessel_temperature_A",
    "tessel_temperature_B",
    "tessel_temperature_C",
    "tessel_temperature_D",
    "led_voltage_A",
    "led_voltage_B",
    "led_voltage_C",
    "led_voltage_D",
    "set_current_A",
    "set_current_B",
    "set_current_C",
    "set_current_D",
    "actual_current_A",
    "actual_current_B",
    "actual_current_C",
    "actual_current_D",
    "input_voltage",
    "analog_voltage",
    "error_code",
};

std::int64_t FloorDiv(std::int64_t value, std::int64_t divisor) {
    const std::int64_t quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

// One row: the time, the kind, then the values by Quantity (none: all cells empty).
std::string RowLine(std::int64_t time, const char* kind, const float* values) {
    std::string line = FormatUtcTime(time);
    line += ',';
    line += kind;
    for (int q = 0; q < kQuantityCount; ++q) {
        line += ',';
        if (values != nullptr) {
            line += FormatReading(values[q]);
        }
    }
    line += "\r\n";
    return line;
}

// Puts a group's entry values into a row indexed by Quantity.
void Place(ReadingGroup group, const std::array<float, kMaxTrackWidth>& values,
           std::array<float, kQuantityCount>& row) {
    for (int slot = 0; slot < GroupWidth(group); ++slot) {
        row[static_cast<std::size_t>(QuantityAt(group, slot))] =
            values[static_cast<std::size_t>(slot)];
    }
}

// Gathers the entries of the history into rows as the header describes, and hands each line
// on.
class RowBuilder {
public:
    RowBuilder(std::int64_t joinWindow, std::function<bool(const std::string&)> put)
        : m_joinWindow(joinWindow), m_put(std::move(put)) {}

    void Add(const HistoryEntry& entry) {
        const std::uint32_t bit = 1u << static_cast<unsigned>(entry.Group);
        if (m_open && (entry.Entry.Kind != m_kind || (m_groups & bit) != 0 ||
                       entry.Entry.First - m_time >= m_joinWindow)) {
            Flush();
        }
        if (!m_open) {
            m_open = true;
            m_kind = entry.Entry.Kind;
            m_time = entry.Entry.First;
            m_groups = 0;
            m_min.fill(kNoValue);
            m_max.fill(kNoValue);
        }
        m_groups |= bit;
        Place(entry.Group, entry.Entry.Min, m_min);
        Place(entry.Group, entry.Entry.Max, m_max);
    }

    // False when a line could not be handed on.
    bool Flush() {
        if (!m_open) {
            return m_ok;
        }
        m_open = false;
        switch (m_kind) {
        case EntryKind::Sample:
            Put(RowLine(m_time, "sample", m_min.data()));
            break;
        case EntryKind::Reduced:
            Put(RowLine(m_time, "min", m_min.data()));
            Put(RowLine(m_time, "max", m_max.data()));
            break;
        case EntryKind::Gap:
            Put(RowLine(m_time, "gap", nullptr));
            break;
        }
        return m_ok;
    }

private:
    void Put(const std::string& line) {
        if (m_ok) {
            m_ok = m_put(line);
        }
    }

    std::int64_t m_joinWindow;
    std::function<bool(const std::string&)> m_put;
    bool m_ok = true;
    bool m_open = false;
    EntryKind m_kind = EntryKind::Sample;
    std::int64_t m_time = 0;
    std::uint32_t m_groups = 0;
    std::array<float, kQuantityCount> m_min{};
    std::array<float, kQuantityCount> m_max{};
};

// Buffered writes to a descriptor; the first failure's errno stays in Error.
class FdSink {
public:
    explicit FdSink(int fd) : m_fd(fd) {}

    bool Put(const std::string& text) {
        m_buffer += text;
        return m_buffer.size() < kBufferSize || Flush();
    }

    bool Flush() {
        std::size_t done = 0;
        while (done < m_buffer.size()) {
            const ssize_t n = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                Error = errno;
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        m_buffer.clear();
        return true;
    }

    int Error = 0;

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;
    int m_fd;
    std::string m_buffer;
};

CsvResult Failure(const std::string& path, const std::string& reason) {
    return {false, Format("Cannot write %s: %s", path.c_str(), reason.c_str())};
}

CsvResult Failure(const std::string& path, int code) {
    return Failure(path, FormatSystemError(code));
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes the whole text to fd and flushes it to disk; 0 or the errno of the failure. The
// descriptor is closed either way.
int WriteAndClose(UniqueFd& fd, const ReadingHistory& history) {
    FdSink sink(fd.Get());
    const bool written = [&] {
        if (!sink.Put(CsvHeaderLine())) {
            return false;
        }
        RowBuilder rows(history.Limits().PeriodMs / 2,
                        [&sink](const std::string& line) { return sink.Put(line); });
        history.ForEachEntry([&rows](const HistoryEntry& entry) { rows.Add(entry); });
        return rows.Flush() && sink.Flush();
    }();
    if (!written) {
        fd.Reset();
        return sink.Error != 0 ? sink.Error : EIO;
    }
    if (::fsync(fd.Get()) != 0) {
        const int code = errno;
        fd.Reset();
        return code;
    }
    return fd.Reset() == 0 ? 0 : errno;
}

} // namespace

const char* QuantityColumnName(Quantity quantity) {
    return kColumnNames[static_cast<std::size_t>(quantity)];
}

std::string CsvHeaderLine() {
    std::string line = "time,kind";
    for (const char* name : kColumnNames) {
        line += ',';
        line += CsvField(name);
    }
    line += "\r\n";
    return line;
}

std::string FormatUtcTime(std::int64_t milliseconds) {
    constexpr std::int64_t kDayMs = 86400000;
    const std::int64_t days = FloorDiv(milliseconds, kDayMs);
    const std::int64_t ofDay = milliseconds - days * kDayMs;
    // Civil date from days since 1970-01-01 in the proleptic Gregorian calendar, by 400-year
    // eras of 146097 days.
    const std::int64_t z = days + 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const std::int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    // Years beyond four digits take a sign, as ISO 8601 extends them.
    const char* yearFormat = (year >= 0 && year <= 9999) ? "%04lld" : "%+05lld";
    return Format(yearFormat, static_cast<long long>(year)) +
           Format("-%02d-%02dT%02d:%02d:%02d.%03dZ", static_cast<int>(month), static_cast<int>(day),
                  static_cast<int>(ofDay / 3600000), static_cast<int>(ofDay / 60000 % 60),
                  static_cast<int>(ofDay / 1000 % 60), static_cast<int>(ofDay % 1000));
}

std::string FormatReading(float value) {
    if (!std::isfinite(value)) {
        return {};
    }
    char text[64];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    if (error != std::errc()) {
        return {};
    }
    return std::string(text, end);
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

CsvResult ExportReadingsCsv(const ReadingHistory& history, const std::string& path) {
    std::string target = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Replace the file the link names, not the link.
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    const bool exists = ::stat(target.c_str(), &st) == 0;
    mode_t mode = 0;
    if (exists) {
        if (!S_ISREG(st.st_mode)) {
            return Failure(path, "not a regular file");
        }
        // Even where the process could (as root can), a file nobody may write stays as it is.
        if ((st.st_mode & 0222) == 0) {
            return Failure(path, EACCES);
        }
        if (::access(target.c_str(), W_OK) != 0) {
            return Failure(path, errno);
        }
        mode = st.st_mode & 07777;
    }

    static std::atomic<unsigned> counter{0};
    std::string temporary;
    UniqueFd fd;
    int createError = EEXIST;
    for (int attempt = 0; attempt < 100 && !fd.Valid() && createError == EEXIST; ++attempt) {
        temporary =
            Format("%s.tmp%ld.%u", target.c_str(), static_cast<long>(::getpid()), counter++);
        fd = UniqueFd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        createError = fd.Valid() ? 0 : errno;
    }

    if (!fd.Valid()) {
        if (exists) {
            return Failure(path, createError);
        }
        // Nothing is there to keep whole: write the file itself, and take it away again when
        // it cannot be completed.
        fd = UniqueFd(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.Valid()) {
            return Failure(path, errno);
        }
        if (const int code = WriteAndClose(fd, history); code != 0) {
            ::unlink(target.c_str());
            return Failure(path, code);
        }
        return {};
    }

    if (exists) {
        // The permissions are a courtesy; the contents matter more than a failed chmod.
        (void)::fchmod(fd.Get(), mode);
    }
    if (const int code = WriteAndClose(fd, history); code != 0) {
        ::unlink(temporary.c_str());
        return Failure(path, code);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int code = errno;
        ::unlink(temporary.c_str());
        return Failure(path, code);
    }
    // Make the rename itself durable; the new file is complete whether or not this succeeds.
    UniqueFd folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Valid()) {
        (void)::fsync(folder.Get());
    }
    return {};
}

ReadingRow::ReadingRow() {
    Values.fill(kNoValue);
}

void ReadingRow::Take(const GroupReading& reading) {
    Place(reading.Group, reading.Values, Values);
}

ReadingsCsvStream::ReadingsCsvStream(std::FILE* file, std::string name)
    : m_file(file), m_name(std::move(name)) {}

bool ReadingsCsvStream::WriteHeader() {
    return Put(CsvHeaderLine());
}

bool ReadingsCsvStream::WriteRow(std::int64_t time, const ReadingRow& row) {
    return Put(RowLine(time, "sample", row.Values.data()));
}

bool ReadingsCsvStream::WriteGap(std::int64_t time) {
    return Put(RowLine(time, "gap", nullptr));
}

bool ReadingsCsvStream::Put(const std::string& text) {
    errno = 0;
    if (m_file == nullptr) {
        m_error = Format("Cannot write %s: no file", m_name.c_str());
        return false;
    }
    if (std::fwrite(text.data(), 1, text.size(), m_file) != text.size() ||
        std::fflush(m_file) != 0) {
        const int code = errno != 0 ? errno : EIO;
        m_error = Format("Cannot write %s: %s", m_name.c_str(), FormatSystemError(code).c_str());
        return false;
    }
    return true;
}
