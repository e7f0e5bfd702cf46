// The INI reader and the settings reader on arbitrary bytes, in memory. Beyond not crashing:
// writing the text back and reading it again gives the same document, and a value that is
// written reads back as written.

#include "app/NumberFormats.h"
#include "app/SettingsSupport.h"
#include "platform/IniProfile.h"
#include "settings/SettingsFile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quenthal;

namespace {
void Check(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

// The run's memory limit is tight: a small quarantine keeps the use-after-free check without
// counting megabytes of freed blocks as the target's own memory.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TIniDocument document = TIniDocument::Parse(bytes);

    const std::string text = document.Serialize();
    Check(TIniDocument::Parse(text).Serialize() == text);

    for (const char* separator : {".", ","}) {
        const TLocaleNumberText numbers(separator);
        const TQthSettings settings = ReadQthSettings(document, numbers, TWindowBounds{});
        Check(settings.iMasterG >= 0 && settings.iMasterG <= kMasterSliderMax);
        Check(!settings.stSR.empty());
        Check(std::isfinite(settings.fCalGain) && std::isfinite(settings.fCalmV));
        // The stored calibration digits read back as the same single value.
        const auto back = numbers.TextToFloat(numbers.FloatToText(settings.fCalmV));
        Check(back && static_cast<float>(*back) == settings.fCalmV);
    }

    // The input's tail as a value, the head as a section name.
    const std::string section(bytes.substr(0, std::min<size_t>(size, 8)));
    const std::string value(bytes.substr(std::min<size_t>(size, 8)));
    document.WriteString(section, "Driver Name", value);
    const auto read = document.ReadString(section, "driver name");
    if (!section.empty() && section.find_first_of(std::string_view("\r\n]\0", 4)) == std::string::npos &&
        section.find_first_not_of(" \t") != std::string::npos && section.front() != ' ' &&
        section.back() != ' ' && section.front() != '\t' && section.back() != '\t') {
        Check(read.has_value());
    }
    const TIniDocument reparsed = TIniDocument::Parse(document.Serialize());
    Check(reparsed.ReadString(section, "Driver Name") == read);
    return 0;
}
