#pragma once

#include "unit/ReadingHistory.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// A unit's readings as CSV text (RFC 4180): UTF-8, CR LF line ends, a header row, a field
// quoted only where it holds a comma, a quote or a line end. The columns are "time" (ISO 8601
// UTC with milliseconds, "2026-12-11T13:41:53.123Z"), "kind", then one column per Quantity in
// its order, named by QuantityColumnName, in °C, mV and mA as the page shows them. Numbers
// are written with '.' whatever the process locale; an empty cell is a value not read.
//
// Kinds of rows:
//   "sample"  readings as they arrived; the readings of different groups that came within
//             half a period of the row's first one (the polls of one monitoring tick) share
//             the row, stamped with the first one's time;
//   "min", "max"  a reduced interval (older readings): two rows in this order, both stamped
//             with the time of the interval's first reading, holding each quantity's
//             minimum and maximum over the interval; intervals of different groups that begin
//             within half a period share the rows in the same way;
//   "gap"     nothing is known from this time on until the next row: the link was lost or
//             closed, monitoring was off, or a unit stayed silent. All its values are empty.

// "controller_temperature_A", ..., "input_voltage", "analog_voltage", "error_code".
const char* QuantityColumnName(Quantity quantity);
// The header row, with its CR LF.
std::string CsvHeaderLine();
// "2026-12-11T13:41:53.123Z" for milliseconds since the epoch.
std::string FormatUtcTime(std::int64_t milliseconds);
// The shortest decimal text that reads back as the same float, '.' as decimal point and no
// exponent; empty for a value not read (NaN) or one no text can hold.
std::string FormatReading(float value);
// The field as RFC 4180 writes it: quoted, with quotes doubled, when it needs to be.
std::string CsvField(std::string_view text);

struct CsvResult {
    bool Ok = true;
    std::string Error; // "Cannot write <path>: <reason>" when not Ok
};

// Writes everything the history keeps to the file at path. The text goes to a temporary file
// in the same folder, which is flushed to disk and then renamed over the path, so an existing
// file is either replaced whole or left as it was. Only where no temporary file can be made
// there (a file name too long for another suffix, say) is a file that does not exist yet
// written in place, and removed again when that fails. A read-only file is not replaced.
CsvResult ExportReadingsCsv(const ReadingHistory& history, const std::string& path);

// The readings of one monitoring tick, for a row of a ReadingsCsvStream.
struct ReadingRow {
    ReadingRow();
    // Takes the group's values into the row.
    void Take(const GroupReading& reading);
    std::array<float, kQuantityCount> Values; // by Quantity; NaN when not read this tick
};

// Writes rows as they happen to an open file (standard output included): the header once,
// then a row a tick, each flushed at once so that a pipeline sees it live. The same columns
// as ExportReadingsCsv, so the files read alike.
class ReadingsCsvStream {
public:
    // name says where the rows go in error texts: a path, or "standard output".
    ReadingsCsvStream(std::FILE* file, std::string name);

    // False, with LastError, when the text could not be written.
    bool WriteHeader();
    bool WriteRow(std::int64_t time, const ReadingRow& row);
    bool WriteGap(std::int64_t time);
    const std::string& LastError() const { return m_error; }

private:
    bool Put(const std::string& text);

    std::FILE* m_file;
    std::string m_name;
    std::string m_error;
};
