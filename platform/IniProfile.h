#pragma once
// INI profile with the behaviour of the Windows profile functions: sections in square brackets,
// "key=value" lines, section and key names matched without regard to letter case, the first of
// duplicate sections or keys wins, values trimmed of blanks and of one pair of enclosing quotes.
// Everything the reader does not understand (notes, blank lines, unknown keys) is kept in place
// when a value is written. A missing file reads as empty; every write replaces the file atomically.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quenthal {

// The parsed text of one profile, held line by line.
class TIniDocument {
public:
    TIniDocument() = default;
    // Any bytes are accepted: lines end with CR LF, LF or CR; a UTF-8 byte-order mark is kept.
    static TIniDocument Parse(std::string_view text);
    std::string Serialize() const;

    // nullopt when the section or the key is missing; a present "key=" gives an empty string.
    std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;
    // Replaces the first matching key's value, or adds the key at the end of its section, or adds
    // the section at the end. Line breaks and NULs in key or value become blanks, so a value can
    // never add lines of its own to the file.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    size_t LineCount() const { return FLines.size(); }

private:
    struct TLineRange {
        size_t iBegin = 0;  // the section header line
        size_t iEnd = 0;    // one past the section's last line
    };
    std::optional<TLineRange> FindSection(std::string_view section) const;

    std::vector<std::string> FLines;
    std::string FLineBreak = "\n";
    bool FHasByteOrderMark = false;
};

// One profile file. The file is read when the profile is made; WriteString re-reads the file, so
// lines another program added meanwhile survive, and replaces it atomically.
class TIniProfile {
public:
    explicit TIniProfile(std::string path);

    const std::string& Path() const { return FPath; }
    const TIniDocument& Document() const { return FDocument; }
    // What the file held when it was read; false also when it exists but cannot be read.
    bool Loaded() const { return FLoaded; }

    std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;

    // False when the system refuses the write or the file is read-only for the user; errorText
    // then says why. The file is then unchanged.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value,
                     std::string* errorText = nullptr);
    // Several values in one replacement of the file, in the given order: all of them reach the
    // disk, or none.
    struct TEntry {
        std::string stSection, stKey, stValue;
    };
    bool WriteEntries(const std::vector<TEntry>& entries, std::string* errorText = nullptr);

private:
    std::string FPath;
    TIniDocument FDocument;
    bool FLoaded = false;
};

}  // namespace quenthal
