// The language file reader on arbitrary bytes, in memory: decoding, sorting and lookups. Every
// lookup gives either the id's digits, "Fehler Text Id" or the text of a line of the file, and the
// decoded text is valid UTF-8 whatever came in.

#include "app/AnsiText.h"
#include "app/Language.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quenthal;

namespace {
void Check(bool condition) {
    if (!condition) std::abort();
}

bool ValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<uint8_t>(text[i]);
        size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}
}  // namespace

// The run's memory limit is tight: a small quarantine keeps the use-after-free check without
// counting megabytes of freed blocks as the target's own memory.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = DecodeTextFile(bytes);
    Check(ValidUtf8(text));
    const TLanguageTexts texts = TLanguageTexts::FromText(text);

    auto lookUp = [&](int32_t id) {
        const std::string result = texts.LookupText(id);
        if (id <= 100) {
            Check(result == "Fehler Text Id");
            return;
        }
        const std::string digits = std::to_string(id);
        if (result == digits) return;
        const bool fromLine = std::any_of(texts.Lines().begin(), texts.Lines().end(), [&](const std::string& line) {
            return line == digits + "_" + result || line == result;
        });
        Check(fromLine);
    };
    for (int32_t id : {-1, 0, 100, 101, 120, 220, 301, 302, 401}) lookUp(id);
    // Ids spelled by the input itself.
    if (size >= 4) {
        int32_t id = 0;
        std::copy_n(data, 4, reinterpret_cast<uint8_t*>(&id));
        lookUp(id);
        lookUp(static_cast<int32_t>(std::abs(id % 100000)));
    }
    return 0;
}
