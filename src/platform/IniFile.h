#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How the bytes of an INI file map to the program's UTF-8 text. Configuration files are
// Windows-1252 like every file the units' operators exchange; the per-user profile is our
// own and keeps UTF-8 so that any path round-trips. A file that begins with the UTF-8 byte
// order mark, as editors save "UTF-8", is UTF-8 whatever the file was opened as.
enum class IniEncoding { Cp1252, Utf8 };

// An INI file held in memory: loaded once, read and edited key by key with the behaviour of
// the classic profile functions, and written back once, atomically.
//
// The file's lines are kept byte for byte; an edit touches only the line of the key written.
// A line ends at a line feed, a carriage return, or both together, and keeps its own end; a
// UTF-8 byte order mark before the first line is kept too, and belongs to no line.
// Lines are "[name]" section headers, "key=value" lines, ";" comments and any other text.
// Keys before the first header belong to the nameless section "", which is never listed.
// Names are compared without regard to blanks around them and to case: ASCII letters, and in a
// Windows-1252 file its accented letters too (Ä matches ä). Where a name occurs twice, the
// first section of that name and the first key of that name in it count.
class IniFile {
public:
    // Called after the new contents are safely in the temporary file and before it replaces
    // the original; returning false abandons the save there, as if the process died.
    using BeforeReplaceHook = std::function<bool(const std::string& temporaryPath)>;

    explicit IniFile(IniEncoding encoding = IniEncoding::Cp1252);

    // Reads the file at path into memory. A file that does not exist gives an empty image
    // (Save creates it) and succeeds. A file that cannot be read, is no regular file, is larger
    // than 16 MB or holds UTF-16 text (it begins with that byte order mark) gives an empty
    // image, false and LastError naming the file and the reason; Save then refuses, so that a
    // file we could not read is never replaced by one that lacks its contents. Any other bytes
    // load; a file that is no INI file simply has no sections.
    bool Load(const std::string& path);
    // Replaces the image by these file bytes, as if loaded; the path stays.
    void Parse(std::string_view bytes);
    // The file bytes of the image.
    std::string Serialize() const;

    const std::string& Path() const { return m_path; }
    void SetPath(std::string path) { m_path = std::move(path); }
    // Whether the image differs from what was loaded or last saved.
    bool IsModified() const { return m_modified; }
    const std::string& LastError() const { return m_lastError; }

    // The value of key in section: the text after '=' without blanks around it and without
    // one pair of matching quotes ('…' or "…") around it; read whole. Nullopt when the section
    // or the key is missing; a key written without a value gives "".
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    // Find, or the default without its trailing blanks.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // The value as a decimal integer: leading blanks, a sign, digits up to the first other
    // character (none giving 0, out-of-range values clamped); the default when the key is
    // missing or its value is empty.
    std::int32_t ReadInt(std::string_view section, std::string_view key,
                         std::int32_t defaultValue) const;
    // ReadInt for a field that holds only the numbers from low to high: a value outside them
    // (a text without digits reads as 0) gives the default, and refusal a sentence that names
    // the key, its text, the section and the file, the range and the default. refusal is
    // cleared otherwise.
    std::int32_t ReadInt(std::string_view section, std::string_view key, std::int32_t defaultValue,
                         std::int32_t low, std::int32_t high, std::string& refusal) const;
    // Section names in file order, each name once, as first spelled in the file.
    std::vector<std::string> SectionNames() const;
    bool HasSection(std::string_view section) const;
    // Key names of the section (the first of that name), in file order, each once.
    std::vector<std::string> KeyNames(std::string_view section) const;

    // Sets key in section to value. An existing key is rewritten in place as "key=value"
    // (keeping the file's spelling of the key); a new key follows the last non-blank line of
    // its section; a new section "[section]" is appended at the end of the file. Line ends in
    // the value end the line there, so a value with a trailing line feed leaves an empty line
    // after the key; lines the write adds end as the file's first line does. A missing key removes
    // the whole section, a missing value the key. False, with nothing changed, for a name the file
    // cannot hold: a key that is empty, holds '=' or a line end, or begins with ';' or '[', and a
    // section name with a line end.
    bool WriteString(std::string_view section, std::optional<std::string_view> key,
                     std::optional<std::string_view> value);
    // The value in decimal.
    bool WriteInt(std::string_view section, std::string_view key, std::int32_t value);
    // Removes every line of the key in the section that Find reads.
    void RemoveKey(std::string_view section, std::string_view key);
    // Removes every section of that name with all its lines, down to the next header.
    void RemoveSection(std::string_view section);

    // Writes the image to Path() when it was modified: into a temporary file beside it, with
    // the original's owner, group and mode, which is flushed to disk and then renamed over the
    // original, so that a reader finds the old file or the new one and never a torn one. Where
    // that cannot be done (no file can be made in the folder, the group cannot be given, the
    // rename is refused) the original is rewritten in place and flushed to disk instead. False
    // with LastError when the file could not be written either way.
    bool Save();
    void SetBeforeReplaceHook(BeforeReplaceHook hook) { m_beforeReplace = std::move(hook); }
    // Creates the temporary file of a save and returns its descriptor, or -1 with errno set;
    // tests use it to refuse the creation as a folder without room for the file would.
    using CreateTemporaryHook = std::function<int(const std::string& temporaryPath)>;
    void SetCreateTemporaryHook(CreateTemporaryHook hook) { m_createTemporary = std::move(hook); }

private:
    struct Line {
        std::string text;   // the bytes without the line end
        std::string end;    // "\n" or "\r\n"
        bool noEnd = false; // the file's last line had no line end; it keeps none while last
        bool isKey = false;
        std::string foldedKey;
    };
    struct Section {
        bool hasHeader = false;
        Line header;
        std::string name; // as spelled in the header, without blanks around it
        std::string foldedName;
        std::vector<Line> lines;
    };

    std::string ToFile(std::string_view text) const;
    std::string FromFile(std::string_view bytes) const;
    std::string Fold(std::string_view fileText) const;
    Section* FindSection(std::string_view foldedName);
    const Section* FindSection(std::string_view foldedName) const;
    const Line* FindKey(const Section& section, std::string_view foldedKey) const;
    Line MakeLine(std::string text) const;
    bool WriteValue(std::string_view section, std::string_view key, std::string_view value);
    void Clear();

    IniEncoding m_encoding;     // as the file was opened
    IniEncoding m_textEncoding; // as the loaded bytes are: UTF-8 after a byte order mark
    bool m_byteOrderMark = false;
    std::string m_path;
    std::vector<Section> m_sections; // [0] is the nameless part before the first header
    std::string m_lineEnd = "\r\n";  // the file's own line end, used for new lines
    bool m_modified = false;
    bool m_unreadable = false;
    std::string m_lastError;
    BeforeReplaceHook m_beforeReplace;
    CreateTemporaryHook m_createTemporary;
};

// One-call-per-key forms in the manner of the profile functions: each call loads the
// Windows-1252 file, and each write saves it again. Use IniFile to edit many keys at once.
std::string ReadProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, const std::string& path);
std::int32_t ReadProfileInt(std::string_view section, std::string_view key,
                            std::int32_t defaultValue, const std::string& path);
std::vector<std::string> ReadProfileSectionNames(const std::string& path);
// A missing key removes the section, a missing value the key; error receives the reason of
// a failure when given.
bool WriteProfileString(std::string_view section, std::optional<std::string_view> key,
                        std::optional<std::string_view> value, const std::string& path,
                        std::string* error = nullptr);
