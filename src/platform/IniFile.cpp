#include "platform/IniFile.h"

#include "link/FormatSystemError.h"
#include "platform/CodePage.h"
#include "platform/FileBytes.h"
#include "platform/Format.h"
#include "platform/UniqueFd.h"
#include "protocol/Numbers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <limits>

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// Notepad's "Unicode" and its big-endian twin; the text between the zero bytes is no INI file
// we could edit key by key.
bool StartsAsUtf16(std::string_view bytes) {
    return bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') ||
                                 (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
}

// The length of the line end at pos: a carriage return and a line feed together, either alone,
// or 0 for none.
size_t LineEndAt(std::string_view bytes, size_t pos) {
    if (pos >= bytes.size()) {
        return 0;
    }
    if (bytes[pos] == '\r') {
        return pos + 1 < bytes.size() && bytes[pos + 1] == '\n' ? 2 : 1;
    }
    return bytes[pos] == '\n' ? 1 : 0;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && IsBlank(s[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(s[end - 1])) {
        --end;
    }
    return s.substr(begin, end - begin);
}

bool IsBlankLine(std::string_view s) {
    return Trim(s).empty();
}

// One pair of matching quotes around a value is not part of it.
std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

// Windows-1252 has lower-case partners for its Latin letters above 0x7F too.
unsigned char FoldCp1252(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
        return static_cast<unsigned char>(c + 0x20);
    }
    switch (c) {
    case 0x8A: // S caron
    case 0x8C: // OE
    case 0x8E: // Z caron
        return static_cast<unsigned char>(c + 0x10);
    case 0x9F: // Y diaeresis
        return 0xFF;
    default:
        return c;
    }
}

unsigned char FoldAscii(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 0x20) : c;
}

enum class LineKind { Header, Key, Other };

// Classifies one line; name receives the header's or the key's name without blanks around it.
// A header is '[' after optional blanks up to the line's last ']'; text after it is ignored, and
// a '[' without a ']' makes an ordinary line.
LineKind Classify(std::string_view text, std::string_view& name) {
    size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) {
        ++start;
    }
    if (start == text.size() || text[start] == ';') {
        return LineKind::Other;
    }
    if (text[start] == '[') {
        const size_t close = text.rfind(']');
        if (close != std::string_view::npos && close > start) {
            name = Trim(text.substr(start + 1, close - start - 1));
            return LineKind::Header;
        }
    }
    const size_t eq = text.find('=', start);
    if (eq == std::string_view::npos) {
        return LineKind::Other;
    }
    name = Trim(text.substr(start, eq - start));
    return name.empty() ? LineKind::Other : LineKind::Key;
}

// The value part of a key line, blanks around it removed but quotes kept.
std::string_view RawValue(std::string_view keyLine) {
    const size_t eq = keyLine.find('=');
    return eq == std::string_view::npos ? std::string_view{} : Trim(keyLine.substr(eq + 1));
}

std::string_view KeySpelling(std::string_view keyLine) {
    return Trim(keyLine.substr(0, keyLine.find('=')));
}

bool HasLineEnd(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// The value's parts between its line ends, as the file's lines would read them.
std::vector<std::string_view> SplitAtLineEnds(std::string_view value) {
    std::vector<std::string_view> parts;
    size_t pos = 0;
    for (;;) {
        const size_t end = value.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            parts.push_back(value.substr(pos));
            return parts;
        }
        parts.push_back(value.substr(pos, end - pos));
        pos = end + LineEndAt(value, end);
    }
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string WriteError(const std::string& path, int code) {
    return Format("Cannot write %s: %s", path.c_str(), FormatSystemError(code).c_str());
}

// Rewrites the file at target with bytes, keeping the file itself: its owner, group and mode
// stay, and so does every other name it has. Not atomic: the way of last resort.
bool RewriteInPlace(const std::string& target, std::string_view bytes, int& code) {
    UniqueFd fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd.Valid() || !WriteAll(fd.Get(), bytes) ||
        ::ftruncate(fd.Get(), static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd.Get()) != 0 ||
        fd.Reset() != 0) {
        code = errno;
        return false;
    }
    return true;
}

int CreateTemporary(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

// Gives the new file the original's owner and group (an owner only root can give), then its
// mode, which a change of owner may have cut. False when the group cannot be given: the new
// file would then take away the access that the group's members have to the original.
bool TakeOverOwnership(int fd, const struct stat& original) {
    if (::fchown(fd, original.st_uid, original.st_gid) != 0 &&
        ::fchown(fd, static_cast<uid_t>(-1), original.st_gid) != 0) {
        return false;
    }
    return ::fchmod(fd, original.st_mode & 07777) == 0;
}

// Replaces the file at path by bytes through a temporary file in the same folder, so that the
// rename is atomic and the old file stays whole until the new one is on disk; where no such
// file can take the original's place, the original is rewritten in place.
bool ReplaceFile(const std::string& path, std::string_view bytes,
                 const IniFile::BeforeReplaceHook& beforeReplace,
                 const IniFile::CreateTemporaryHook& createTemporary, std::string& error) {
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
    if (exists && !S_ISREG(st.st_mode)) {
        error = Format("Cannot write %s: not a regular file", path.c_str());
        return false;
    }
    // An existing file the temporary one cannot stand in for is rewritten where it is; the
    // reason of the first failure is the one told when that fails too.
    auto inPlace = [&](int firstCode) {
        int code = 0;
        if (exists && RewriteInPlace(target, bytes, code)) {
            return true;
        }
        error = WriteError(path, exists && code != ENOENT ? code : firstCode);
        return false;
    };

    static std::atomic<unsigned> counter{0};
    std::string temporary;
    UniqueFd fd;
    for (int attempt = 0; attempt < 100 && !fd.Valid(); ++attempt) {
        temporary =
            Format("%s.tmp%ld.%u", target.c_str(), static_cast<long>(::getpid()), counter++);
        fd = UniqueFd(createTemporary ? createTemporary(temporary) : CreateTemporary(temporary));
        if (!fd.Valid() && errno != EEXIST) {
            return inPlace(errno);
        }
    }
    if (!fd.Valid()) {
        error = WriteError(path, EEXIST);
        return false;
    }
    if (exists && !TakeOverOwnership(fd.Get(), st)) {
        const int code = errno;
        fd.Reset();
        ::unlink(temporary.c_str());
        return inPlace(code);
    }
    if (!WriteAll(fd.Get(), bytes) || ::fsync(fd.Get()) != 0 || fd.Reset() != 0) {
        const int code = errno;
        ::unlink(temporary.c_str());
        error = WriteError(path, code);
        return false;
    }
    if (beforeReplace && !beforeReplace(temporary)) {
        error = Format("Saving %s stopped before the file was replaced", path.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        // A folder that lets us make files may still keep us from replacing another's.
        const int code = errno;
        ::unlink(temporary.c_str());
        return inPlace(code);
    }
    // Make the rename itself durable; the new file is complete whether or not this succeeds.
    UniqueFd folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Valid()) {
        (void)::fsync(folder.Get());
    }
    return true;
}

} // namespace

IniFile::IniFile(IniEncoding encoding) : m_encoding(encoding), m_textEncoding(encoding) {
    Clear();
}

void IniFile::Clear() {
    m_sections.clear();
    m_sections.emplace_back();
    m_lineEnd = "\r\n";
    m_textEncoding = m_encoding;
    m_byteOrderMark = false;
    m_modified = false;
}

std::string IniFile::ToFile(std::string_view text) const {
    return m_textEncoding == IniEncoding::Cp1252 ? ToCp1252(text) : std::string(text);
}

std::string IniFile::FromFile(std::string_view bytes) const {
    return m_textEncoding == IniEncoding::Cp1252 ? FromCp1252(bytes) : std::string(bytes);
}

std::string IniFile::Fold(std::string_view fileText) const {
    std::string out(fileText);
    const bool cp1252 = m_textEncoding == IniEncoding::Cp1252;
    for (char& c : out) {
        const auto b = static_cast<unsigned char>(c);
        c = static_cast<char>(cp1252 ? FoldCp1252(b) : FoldAscii(b));
    }
    return out;
}

IniFile::Line IniFile::MakeLine(std::string text) const {
    Line line;
    std::string_view name;
    if (Classify(text, name) == LineKind::Key) {
        line.isKey = true;
        line.foldedKey = Fold(name);
    }
    line.text = std::move(text);
    line.end = m_lineEnd;
    return line;
}

void IniFile::Parse(std::string_view bytes) {
    Clear();
    if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
        m_byteOrderMark = true;
        m_textEncoding = IniEncoding::Utf8;
        bytes.remove_prefix(kUtf8Mark.size());
    }
    struct Piece {
        std::string_view text;
        std::string_view end;
    };
    std::vector<Piece> pieces;
    bool sawEnd = false;
    size_t pos = 0;
    while (pos < bytes.size()) {
        const size_t end = std::min(bytes.find_first_of("\r\n", pos), bytes.size());
        Piece piece;
        piece.text = bytes.substr(pos, end - pos);
        piece.end = bytes.substr(end, LineEndAt(bytes, end));
        pos = end + piece.end.size();
        if (!piece.end.empty() && !sawEnd) {
            m_lineEnd = std::string(piece.end);
            sawEnd = true;
        }
        pieces.push_back(piece);
    }
    for (const Piece& piece : pieces) {
        Line line;
        std::string_view name;
        const LineKind kind = Classify(piece.text, name);
        if (kind == LineKind::Header) {
            Section& section = m_sections.emplace_back();
            section.hasHeader = true;
            section.name = std::string(name);
            section.foldedName = Fold(name);
            line.text = std::string(piece.text);
        } else {
            line = MakeLine(std::string(piece.text));
        }
        // The last line of a file may lack its line end; it gets the file's own once another
        // line follows it.
        line.end = piece.end.empty() ? m_lineEnd : std::string(piece.end);
        line.noEnd = piece.end.empty();
        if (kind == LineKind::Header) {
            m_sections.back().header = std::move(line);
        } else {
            m_sections.back().lines.push_back(std::move(line));
        }
    }
    m_modified = false;
}

std::string IniFile::Serialize() const {
    std::string out(m_byteOrderMark ? kUtf8Mark : std::string_view{});
    const Line* last = nullptr;
    auto emit = [&](const Line& line) {
        out += line.text;
        out += line.end;
        last = &line;
    };
    for (const Section& section : m_sections) {
        if (section.hasHeader) {
            emit(section.header);
        }
        for (const Line& line : section.lines) {
            emit(line);
        }
    }
    if (last != nullptr && last->noEnd) {
        out.resize(out.size() - last->end.size());
    }
    return out;
}

bool IniFile::Load(const std::string& path) {
    m_path = path;
    m_lastError.clear();
    m_unreadable = false;
    Clear();
    auto fail = [&](const std::string& reason) {
        m_lastError = Format("Cannot read %s: %s", path.c_str(), reason.c_str());
        m_unreadable = true;
        return false;
    };
    std::string bytes;
    std::string reason;
    switch (ReadRegularFile(path, bytes, reason)) {
    case FileReadResult::Missing:
        return true;
    case FileReadResult::Refused:
        return fail(reason);
    case FileReadResult::Read:
        break;
    }
    if (StartsAsUtf16(bytes)) {
        return fail("it holds UTF-16 text (\"Unicode\"); save it as ANSI or UTF-8 to use it");
    }
    Parse(bytes);
    return true;
}

IniFile::Section* IniFile::FindSection(std::string_view foldedName) {
    for (Section& section : m_sections) {
        if (section.foldedName == foldedName) {
            return &section;
        }
    }
    return nullptr;
}

const IniFile::Section* IniFile::FindSection(std::string_view foldedName) const {
    for (const Section& section : m_sections) {
        if (section.foldedName == foldedName) {
            return &section;
        }
    }
    return nullptr;
}

const IniFile::Line* IniFile::FindKey(const Section& section, std::string_view foldedKey) const {
    for (const Line& line : section.lines) {
        if (line.isKey && line.foldedKey == foldedKey) {
            return &line;
        }
    }
    return nullptr;
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
    const std::string foldedKey = Fold(Trim(ToFile(key)));
    if (foldedKey.empty()) {
        return std::nullopt;
    }
    const Section* found = FindSection(Fold(Trim(ToFile(section))));
    if (found == nullptr) {
        return std::nullopt;
    }
    const Line* line = FindKey(*found, foldedKey);
    if (line == nullptr) {
        return std::nullopt;
    }
    return FromFile(Unquote(RawValue(line->text)));
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    if (auto value = Find(section, key)) {
        return std::move(*value);
    }
    while (!defaultValue.empty() && (defaultValue.back() == ' ' || defaultValue.back() == '\t')) {
        defaultValue.remove_suffix(1);
    }
    return std::string(defaultValue);
}

std::int32_t IniFile::ReadInt(std::string_view section, std::string_view key,
                              std::int32_t defaultValue) const {
    const auto value = Find(section, key);
    if (!value || value->empty()) {
        return defaultValue;
    }
    return ReadInteger(*value);
}

std::int32_t IniFile::ReadInt(std::string_view section, std::string_view key,
                              std::int32_t defaultValue, std::int32_t low, std::int32_t high,
                              std::string& refusal) const {
    refusal.clear();
    const auto value = Find(section, key);
    if (!value || value->empty()) {
        return defaultValue;
    }
    const std::int32_t number = ReadInteger(*value);
    if (number >= low && number <= high) {
        return number;
    }
    const std::string file = m_path.empty() ? std::string() : " of " + m_path;
    const std::string range =
        high == std::numeric_limits<std::int32_t>::max()
            ? Format("at least %d", static_cast<int>(low))
            : Format("%d to %d", static_cast<int>(low), static_cast<int>(high));
    refusal =
        Format("%.*s=%s in [%.*s]%s is out of range (%s); %d is used", static_cast<int>(key.size()),
               key.data(), value->c_str(), static_cast<int>(section.size()), section.data(),
               file.c_str(), range.c_str(), static_cast<int>(defaultValue));
    return defaultValue;
}

std::vector<std::string> IniFile::SectionNames() const {
    std::vector<std::string> names;
    std::vector<const std::string*> seen;
    for (const Section& section : m_sections) {
        if (!section.hasHeader || section.foldedName.empty()) {
            continue;
        }
        const bool known = std::any_of(seen.begin(), seen.end(), [&](const std::string* folded) {
            return *folded == section.foldedName;
        });
        if (!known) {
            seen.push_back(&section.foldedName);
            names.push_back(FromFile(section.name));
        }
    }
    return names;
}

bool IniFile::HasSection(std::string_view section) const {
    const std::string folded = Fold(Trim(ToFile(section)));
    return !folded.empty() && FindSection(folded) != nullptr;
}

std::vector<std::string> IniFile::KeyNames(std::string_view section) const {
    std::vector<std::string> names;
    const Section* found = FindSection(Fold(Trim(ToFile(section))));
    if (found == nullptr) {
        return names;
    }
    std::vector<const std::string*> seen;
    for (const Line& line : found->lines) {
        if (!line.isKey) {
            continue;
        }
        const bool known = std::any_of(seen.begin(), seen.end(), [&](const std::string* folded) {
            return *folded == line.foldedKey;
        });
        if (!known) {
            seen.push_back(&line.foldedKey);
            names.push_back(FromFile(KeySpelling(line.text)));
        }
    }
    return names;
}

bool IniFile::WriteString(std::string_view section, std::optional<std::string_view> key,
                          std::optional<std::string_view> value) {
    if (!key) {
        RemoveSection(section);
        return true;
    }
    if (!value) {
        RemoveKey(section, *key);
        return true;
    }
    // Names that would read back as something else are refused rather than written.
    const std::string_view keyName = Trim(*key);
    if (keyName.empty() || keyName.find('=') != std::string_view::npos || HasLineEnd(keyName) ||
        keyName.front() == ';' || keyName.front() == '[' || HasLineEnd(section)) {
        return false;
    }
    return WriteValue(section, keyName, *value);
}

bool IniFile::WriteInt(std::string_view section, std::string_view key, std::int32_t value) {
    return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::string sectionName(Trim(ToFile(section)));
    const std::string keyName = ToFile(key);
    const std::string foldedKey = Fold(keyName);
    const std::string fileValue = ToFile(value);
    const std::vector<std::string_view> parts = SplitAtLineEnds(fileValue);
    const std::string_view first = parts.front();

    auto continuation = [&]() {
        std::vector<Line> lines;
        for (size_t i = 1; i < parts.size(); ++i) {
            lines.push_back(MakeLine(std::string(parts[i])));
        }
        return lines;
    };

    Section* target = FindSection(Fold(sectionName));
    if (target == nullptr) {
        Section& added = m_sections.emplace_back();
        added.hasHeader = true;
        added.name = sectionName;
        added.foldedName = Fold(sectionName);
        added.header.text = "[" + sectionName + "]";
        added.header.end = m_lineEnd;
        added.lines.push_back(MakeLine(keyName + "=" + std::string(first)));
        for (Line& line : continuation()) {
            added.lines.push_back(std::move(line));
        }
    } else {
        auto& lines = target->lines;
        auto it = std::find_if(lines.begin(), lines.end(), [&](const Line& line) {
            return line.isKey && line.foldedKey == foldedKey;
        });
        if (it != lines.end()) {
            if (parts.size() == 1 && RawValue(it->text) == first) {
                return true;
            }
            it->text = std::string(KeySpelling(it->text)) + "=" + std::string(first);
            it->noEnd = false;
        } else {
            // A new key goes after the section's last non-blank line, so that the blank lines
            // that separate it from the next section stay after it.
            auto after = std::find_if(lines.rbegin(), lines.rend(),
                                      [](const Line& line) { return !IsBlankLine(line.text); });
            it = lines.insert(after.base(), MakeLine(keyName + "=" + std::string(first)));
        }
        std::vector<Line> more = continuation();
        lines.insert(it + 1, std::make_move_iterator(more.begin()),
                     std::make_move_iterator(more.end()));
    }
    m_modified = true;
    // A header inside the value would start a new section on the next load; read the image
    // the way that load will.
    const bool holdsHeader = std::any_of(parts.begin() + 1, parts.end(), [](std::string_view p) {
        std::string_view name;
        return Classify(p, name) == LineKind::Header;
    });
    if (holdsHeader) {
        Parse(Serialize());
        m_modified = true;
    }
    return true;
}

void IniFile::RemoveKey(std::string_view section, std::string_view key) {
    const std::string foldedKey = Fold(Trim(ToFile(key)));
    Section* found = FindSection(Fold(Trim(ToFile(section))));
    if (found == nullptr || foldedKey.empty()) {
        return;
    }
    const auto removed = std::erase_if(
        found->lines, [&](const Line& line) { return line.isKey && line.foldedKey == foldedKey; });
    if (removed != 0) {
        m_modified = true;
    }
}

void IniFile::RemoveSection(std::string_view section) {
    const std::string folded = Fold(Trim(ToFile(section)));
    // The nameless part before the first header has no header to remove, only its lines.
    if (folded.empty() && !m_sections.front().lines.empty()) {
        m_sections.front().lines.clear();
        m_modified = true;
    }
    const auto removed = std::erase_if(
        m_sections, [&](const Section& s) { return s.hasHeader && s.foldedName == folded; });
    if (removed != 0) {
        m_modified = true;
    }
}

bool IniFile::Save() {
    if (m_unreadable) {
        m_lastError =
            Format("Not saved: %s could not be read and would lose its contents", m_path.c_str());
        return false;
    }
    if (!m_modified) {
        return true;
    }
    if (m_path.empty()) {
        m_lastError = "Not saved: no file name";
        return false;
    }
    std::string error;
    if (!ReplaceFile(m_path, Serialize(), m_beforeReplace, m_createTemporary, error)) {
        m_lastError = std::move(error);
        return false;
    }
    m_lastError.clear();
    m_modified = false;
    return true;
}

std::string ReadProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, const std::string& path) {
    IniFile file;
    file.Load(path);
    return file.ReadString(section, key, defaultValue);
}

std::int32_t ReadProfileInt(std::string_view section, std::string_view key,
                            std::int32_t defaultValue, const std::string& path) {
    IniFile file;
    file.Load(path);
    return file.ReadInt(section, key, defaultValue);
}

std::vector<std::string> ReadProfileSectionNames(const std::string& path) {
    IniFile file;
    file.Load(path);
    return file.SectionNames();
}

bool WriteProfileString(std::string_view section, std::optional<std::string_view> key,
                        std::optional<std::string_view> value, const std::string& path,
                        std::string* error) {
    IniFile file;
    bool ok = file.Load(path);
    if (ok && !file.WriteString(section, key, value)) {
        if (error != nullptr) {
            *error = "Not saved: the name cannot be stored in an INI file";
        }
        return false;
    }
    ok = ok && file.Save();
    if (!ok && error != nullptr) {
        *error = file.LastError();
    }
    return ok;
}
