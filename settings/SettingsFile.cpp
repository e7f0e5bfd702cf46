#include "settings/SettingsFile.h"

#include <algorithm>
#include <cmath>

namespace quenthal {

namespace {
int32_t ReadInteger(const TIniDocument& ini, const char* section, const char* key, int32_t fallback) {
    const auto text = ini.ReadString(section, key);
    if (!text) return fallback;
    return ParseProfileInteger(*text).value_or(fallback);
}

std::string ReadString(const TIniDocument& ini, const char* section, const char* key, const std::string& fallback) {
    return ini.ReadString(section, key).value_or(fallback);
}

float ReadSingle(const TIniDocument& ini, const ISettingsNumberText& numbers, const char* section,
                 const char* key, float fallback) {
    const auto text = ini.ReadString(section, key);
    if (!text || text->empty()) return fallback;
    const auto value = numbers.TextToFloat(*text);
    if (!value) return fallback;
    const auto single = static_cast<float>(*value);
    return std::isfinite(single) ? single : fallback;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

std::optional<int32_t> ParseProfileInteger(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    bool hex = false;
    if (i < text.size() && text[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size()) return std::nullopt;
    uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = hex ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (digit < 0) return std::nullopt;
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (magnitude > 0xFFFFFFFFull) return std::nullopt;
    }
    if (hex) {
        // Hex text is a bit pattern: $FFFFFFFF is -1.
        const auto bits = static_cast<uint32_t>(magnitude);
        const auto value = static_cast<int32_t>(bits);
        return negative ? static_cast<int32_t>(0u - bits) : value;
    }
    if (negative ? magnitude > 0x80000000ull : magnitude > 0x7FFFFFFFull) return std::nullopt;
    return negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude)) : static_cast<int32_t>(magnitude);
}

TQthSettings ReadQthSettings(const TIniDocument& ini, const ISettingsNumberText& numbers,
                             const TWindowBounds& windowLeftTop) {
    TQthSettings settings;
    settings.Bounds.iLeft = ReadInteger(ini, "System", "FLeft", windowLeftTop.iLeft);
    settings.Bounds.iTop = ReadInteger(ini, "System", "FTop", windowLeftTop.iTop);
    settings.Bounds.iWidth = ReadInteger(ini, "System", "FWidth", 710);
    settings.Bounds.iHeight = ReadInteger(ini, "System", "FHeight", 360);
    settings.bStyle = static_cast<uint8_t>(ReadInteger(ini, "System", "Style", 0));
    settings.bSignalPage = static_cast<uint8_t>(ReadInteger(ini, "System", "SignalPage", 4));
    settings.iUnit = ReadInteger(ini, "System", "Unit", 0);
    settings.boSW = ReadInteger(ini, "System", "SW", 1) != 0;
    settings.iPreSetFilter = ReadInteger(ini, "System", "PreSetFilter", 1);
    settings.iMasterG = std::clamp(ReadInteger(ini, "System", "MasterG", 60), 0, kMasterSliderMax);

    settings.fCalGain = ReadSingle(ini, numbers, "Cal", "Gain", 0);
    settings.fCalmV = ReadSingle(ini, numbers, "Cal", "mV", 0);

    settings.stDriverName = ReadString(ini, "Audio", "Driver Name", "");
    settings.stSR = ReadString(ini, "Audio", "SR", kDefaultSampleRate);
    if (settings.stSR.empty()) settings.stSR = kDefaultSampleRate;

    settings.stPresetFile = ReadString(ini, "PreSet", "file", kDefaultPresetFile);
    return settings;
}

void WriteQthSettings(TIniProfile& ini, const TQthSettings& settings, const ISettingsNumberText& numbers) {
    const auto number = [](int32_t value) { return std::to_string(value); };
    const std::vector<TIniProfile::TEntry> entries = {
        {"System", "FLeft", number(settings.Bounds.iLeft)},
        {"System", "FTop", number(settings.Bounds.iTop)},
        {"System", "FWidth", number(settings.Bounds.iWidth)},
        {"System", "FHeight", number(settings.Bounds.iHeight)},
        {"System", "Style", number(settings.bStyle)},
        {"System", "SignalPage", number(settings.bSignalPage)},
        {"System", "Unit", number(settings.iUnit)},
        {"System", "SW", settings.boSW ? "1" : "0"},
        {"System", "PreSetFilter", number(settings.iPreSetFilter)},
        {"System", "MasterG", number(settings.iMasterG)},
        {"Audio", "Driver Name", settings.stDriverName},
        {"Audio", "SR", settings.stSR},
        {"PreSet", "file", settings.stPresetFile},
        // Single-precision values with the digits of their single value (123.4 -> 123.400001525879).
        {"Cal", "Gain", numbers.FloatToText(static_cast<double>(settings.fCalGain))},
        {"Cal", "mV", numbers.FloatToText(static_cast<double>(settings.fCalmV))},
    };
    if (!ini.WriteEntries(entries)) throw ESettingsError("Unable to write to " + ini.Path());
}

}  // namespace quenthal
