#include "presets/Utf8Text.h"

#include <cstdint>

namespace quenthal {

namespace {

// Length of the well-formed sequence that starts at bytes[at], or 0 when it is ill-formed; *stop is
// then the length of its maximal ill-formed prefix (at least 1).
size_t SequenceLength(std::string_view bytes, size_t at, size_t* stop) {
    const auto byte = [&](size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    const std::uint8_t lead = byte(at);
    *stop = 1;
    if (lead < 0x80) return 1;
    size_t length = 0;
    std::uint8_t low = 0x80, high = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // no overlong forms
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if (at + i >= bytes.size()) return 0;
        const std::uint8_t next = byte(at + i);
        const bool fits = i == 1 ? (next >= low && next <= high) : (next >= 0x80 && next <= 0xBF);
        if (!fits) return 0;
        *stop = i + 1;
    }
    return length;
}

}  // namespace

std::string RepairUtf8(std::string_view bytes) {
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    std::string text;
    text.reserve(bytes.size());
    size_t at = 0;
    while (at < bytes.size()) {
        size_t stop = 0;
        const size_t length = SequenceLength(bytes, at, &stop);
        if (length > 0) {
            text.append(bytes.substr(at, length));
            at += length;
        } else {
            text.append(kReplacement);
            at += stop;
        }
    }
    return text;
}

}  // namespace quenthal
