#include "app/AnsiText.h"

#include <cstdint>

namespace quenthal {

namespace {
// 0x80..0x9F of Windows-1252; the five unassigned bytes map to the C1 control of the same value,
// as the system's conversion does.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Copies valid UTF-8 and replaces every invalid sequence with U+FFFD.
std::string CleanUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<uint8_t>(bytes[i]);
        size_t length = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            length = 1;
            c = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            c = lead & 0x07;
        }
        bool valid = length > 0 && i + length <= bytes.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<uint8_t>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) valid = false;
            c = (c << 6) | (next & 0x3F);
        }
        // No overlong forms, no surrogates, nothing above U+10FFFF.
        if (valid && ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
                      (c >= 0xD800 && c <= 0xDFFF)))
            valid = false;
        if (!valid) {
            AppendUtf8(out, kReplacement);
            ++i;
            continue;
        }
        out.append(bytes.substr(i, length));
        i += length;
    }
    return out;
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    const size_t units = bytes.size() / 2;
    auto unit = [&](size_t k) -> char32_t {
        const auto a = static_cast<uint8_t>(bytes[2 * k]);
        const auto b = static_cast<uint8_t>(bytes[2 * k + 1]);
        return bigEndian ? (char32_t{a} << 8 | b) : (char32_t{b} << 8 | a);
    };
    for (size_t k = 0; k < units; ++k) {
        const char32_t c = unit(k);
        if (c >= 0xD800 && c <= 0xDBFF && k + 1 < units) {
            const char32_t low = unit(k + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                ++k;
                continue;
            }
        }
        AppendUtf8(out, (c >= 0xD800 && c <= 0xDFFF) ? kReplacement : c);
    }
    if (bytes.size() % 2) AppendUtf8(out, kReplacement);
    return out;
}
}  // namespace

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char byte : bytes) {
        const auto b = static_cast<uint8_t>(byte);
        if (b < 0x80) {
            out += byte;
        } else {
            AppendUtf8(out, (b < 0xA0) ? kHighControls[b - 0x80] : char32_t{b});
        }
    }
    return out;
}

std::string DecodeTextFile(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return CleanUtf8(bytes.substr(3));
    if (bytes.starts_with("\xFF\xFE")) return Utf16ToUtf8(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF")) return Utf16ToUtf8(bytes.substr(2), true);
    return Windows1252ToUtf8(bytes);
}

}  // namespace quenthal
