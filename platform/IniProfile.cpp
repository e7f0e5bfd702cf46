#include "platform/IniProfile.h"

#include "platform/AtomicFile.h"
#include "platform/FileAttributes.h"
#include "platform/FileRead.h"

namespace quenthal {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

// The section name of a header line, or nullopt for any other line. A header without its closing
// bracket still names a section, as the Windows reader takes it.
std::optional<std::string_view> SectionName(std::string_view line) {
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() != '[') return std::nullopt;
    std::string_view name = text.substr(1);
    const auto close = name.find(']');
    if (close != std::string_view::npos) name = name.substr(0, close);
    return Trim(name);
}

struct TKeyLine {
    std::string_view stKey;
    std::string_view stValue;
};

std::optional<TKeyLine> KeyLine(std::string_view line) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return TKeyLine{Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))};
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    }
    return line;
}
}  // namespace

TIniDocument TIniDocument::Parse(std::string_view text) {
    TIniDocument document;
    if (text.starts_with("\xEF\xBB\xBF")) {
        document.FHasByteOrderMark = true;
        text.remove_prefix(3);
    }
    bool lineBreakSeen = false;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') continue;
        document.FLines.emplace_back(text.substr(start, i - start));
        const bool crlf = c == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        if (!lineBreakSeen) {
            document.FLineBreak = crlf ? "\r\n" : std::string(1, c);
            lineBreakSeen = true;
        }
        if (crlf) ++i;
        start = i + 1;
    }
    if (start < text.size()) document.FLines.emplace_back(text.substr(start));
    return document;
}

std::string TIniDocument::Serialize() const {
    std::string text = FHasByteOrderMark ? "\xEF\xBB\xBF" : "";
    for (const auto& line : FLines) {
        text += line;
        text += FLineBreak;
    }
    return text;
}

std::optional<TIniDocument::TLineRange> TIniDocument::FindSection(std::string_view section) const {
    for (size_t i = 0; i < FLines.size(); ++i) {
        const auto name = SectionName(FLines[i]);
        if (!name || !SameName(*name, Trim(section))) continue;
        TLineRange range{i, i + 1};
        while (range.iEnd < FLines.size() && !SectionName(FLines[range.iEnd])) ++range.iEnd;
        return range;
    }
    return std::nullopt;
}

std::optional<std::string> TIniDocument::ReadString(std::string_view section, std::string_view key) const {
    const auto range = FindSection(section);
    if (!range) return std::nullopt;
    for (size_t i = range->iBegin + 1; i < range->iEnd; ++i) {
        const auto line = KeyLine(FLines[i]);
        if (line && SameName(line->stKey, Trim(key))) return std::string(Unquote(line->stValue));
    }
    return std::nullopt;
}

void TIniDocument::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string keyText(Trim(OneLine(key)));
    const std::string newLine = keyText + "=" + OneLine(value);
    const auto range = FindSection(section);
    if (!range) {
        FLines.push_back("[" + std::string(Trim(OneLine(section))) + "]");
        FLines.push_back(newLine);
        return;
    }
    size_t lastFilled = range->iBegin;
    for (size_t i = range->iBegin + 1; i < range->iEnd; ++i) {
        const auto line = KeyLine(FLines[i]);
        if (line && SameName(line->stKey, keyText)) {
            FLines[i] = newLine;
            return;
        }
        if (!Trim(FLines[i]).empty()) lastFilled = i;
    }
    // New keys go after the section's last filled line, before the blank lines that part it from
    // the next section.
    FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(lastFilled + 1), newLine);
}

TIniProfile::TIniProfile(std::string path) : FPath(std::move(path)) {
    std::string bytes;
    if (ReadWholeFile(FPath, bytes) == TReadResult::Read) {
        FDocument = TIniDocument::Parse(bytes);
        FLoaded = true;
    }
}

std::string TIniProfile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
    auto value = FDocument.ReadString(section, key);
    return value ? *value : std::string(fallback);
}

bool TIniProfile::WriteString(std::string_view section, std::string_view key, std::string_view value,
                              std::string* errorText) {
    return WriteEntries({{std::string(section), std::string(key), std::string(value)}}, errorText);
}

bool TIniProfile::WriteEntries(const std::vector<TEntry>& entries, std::string* errorText) {
    std::string bytes;
    std::string why;
    TIniDocument document;
    switch (ReadWholeFile(FPath, bytes, &why)) {
        case TReadResult::Read:
            // A write-protected profile stays as the user froze it.
            if (IsReadOnlyForUser(FPath)) {
                if (errorText) *errorText = "the file is write-protected";
                return false;
            }
            document = TIniDocument::Parse(bytes);
            break;
        case TReadResult::Missing:
            break;
        case TReadResult::Failed:
            // Never replace what could not be read: its lines would be lost.
            if (errorText) *errorText = why;
            return false;
    }
    for (const auto& entry : entries) document.WriteString(entry.stSection, entry.stKey, entry.stValue);
    if (!WriteFileAtomically(FPath, document.Serialize(), errorText)) return false;
    FDocument = std::move(document);
    FLoaded = true;
    return true;
}

}  // namespace quenthal
