#include "app/Language.h"

#include "app/AnsiText.h"
#include "platform/Dialogs.h"
#include "platform/FileRead.h"
#include "platform/Folders.h"
#include "platform/Locale.h"

#include <algorithm>
#include <memory>
#include <numeric>
#include <sys/stat.h>

namespace quenthal {

namespace {
// Case folding of the letters a Windows-1252 file can hold, on UTF-8 text.
char32_t FoldLetter(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    switch (c) {
        case 0x0160: return 0x0161;
        case 0x0152: return 0x0153;
        case 0x017D: return 0x017E;
        case 0x0178: return 0x00FF;
        default: return c;
    }
}

// The folded line as code points; UTF-8 decoding assumes the valid text the decoder produced.
std::u32string SortKey(std::string_view line) {
    std::u32string key;
    key.reserve(line.size());
    size_t i = 0;
    while (i < line.size()) {
        const auto lead = static_cast<unsigned char>(line[i]);
        size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (i + length > line.size()) length = line.size() - i;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<unsigned char>(line[i + k]) & 0x3F);
        key.push_back(FoldLetter(c));
        i += length;
    }
    return key;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::unique_ptr<TLanguageTexts>& ProcessTexts() {
    static std::unique_ptr<TLanguageTexts> texts;
    return texts;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}
}  // namespace

TLanguageTexts TLanguageTexts::FromText(std::string_view text) {
    std::vector<std::string> lines = SplitLines(text);
    std::vector<std::u32string> keys;
    keys.reserve(lines.size());
    for (const auto& line : lines) keys.push_back(SortKey(line));

    std::vector<size_t> order(lines.size());
    std::iota(order.begin(), order.end(), size_t{0});
    // Stable: of equal lines the one read first comes first, and it is the one kept.
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });

    TLanguageTexts texts;
    texts.FLines.reserve(lines.size());
    const std::u32string* previous = nullptr;
    for (const size_t index : order) {
        if (previous && *previous == keys[index]) continue;
        texts.FLines.push_back(std::move(lines[index]));
        previous = &keys[index];
    }
    return texts;
}

std::string TLanguageTexts::LookupText(int32_t id) const {
    if (id <= 100) return "Fehler Text Id";
    const std::string digits = std::to_string(id);
    for (const auto& line : FLines) {
        if (!line.starts_with(digits)) continue;
        if (line.size() == digits.size()) return line;
        if (line[digits.size()] == '_') return line.substr(digits.size() + 1);
    }
    return digits;
}

bool IsGermanUI() { return PrimaryLanguageOf(UserLocale().wLanguageId) == kPrimaryLanguageGerman; }

bool LoadLanguageFile(const std::string& path, bool boPathComplete) {
    if (path.empty()) return false;
    const std::string fullPath = boPathComplete ? path : JoinPath(Folders().ExecutableFolder(), path);
    struct stat info {};
    if (::stat(fullPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        TMessageBox box;
        box.stText = "DE Sprachdatei nicht gefunden: " + fullPath;
        Dialogs().ShowMessage(box);
        return false;
    }
    std::string bytes;
    if (ReadWholeFile(fullPath, bytes) != TReadResult::Read) return false;
    try {
        ProcessTexts() = std::make_unique<TLanguageTexts>(TLanguageTexts::FromText(DecodeTextFile(bytes)));
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

bool LanguageLoaded() { return ProcessTexts() != nullptr; }

std::string LookupText(int32_t id) {
    const auto& texts = ProcessTexts();
    return texts ? texts->LookupText(id) : std::to_string(id);
}

std::string TranslateText(const std::string& defaultText, int32_t id) {
    const auto& texts = ProcessTexts();
    if (!texts) return defaultText;
    std::string text = texts->LookupText(id);
    return text == std::to_string(id) ? defaultText : text;
}

void UnloadLanguageFile() { ProcessTexts().reset(); }

void TranslateComponents(IComponentOwner& window) {
    if (!LanguageLoaded()) return;
    for (ITranslatableComponent* component : window.TranslatableComponents()) {
        if (!component) continue;
        try {
            if (component->Tag() > 100) component->SetCaption(LookupText(component->Tag()));
        } catch (const std::exception&) {
            // One control that refuses its caption does not stop the others.
        }
    }
}

}  // namespace quenthal
