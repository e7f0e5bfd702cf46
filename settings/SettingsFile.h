#pragma once
// Qth.ini: the values that bring the program back as the user left it, their defaults and their
// conversions. Integers are decimal text (a "0x" or "$" prefix reads as hex, as the Windows reader
// takes it), Booleans 1 and 0, floats the shortest form with up to 15 significant digits and the
// user's decimal separator. A value that is missing or does not convert reads as its default.

#include "platform/IniProfile.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace quenthal {

// The settings layer's failure: a write that the system refused.
class ESettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Float text with the user's decimal separator. The number formats live above this layer, so the
// program hands them in.
class ISettingsNumberText {
public:
    virtual ~ISettingsNumberText() = default;
    virtual std::string FloatToText(double value) const = 0;
    virtual std::optional<double> TextToFloat(const std::string& text) const = 0;
};

struct TWindowBounds {
    int32_t iLeft = 379;
    int32_t iTop = 376;
    int32_t iWidth = 710;
    int32_t iHeight = 360;
};

constexpr int32_t kMasterSliderMax = 900;
constexpr const char* kDefaultPresetFile = "preset.qth";
constexpr const char* kDefaultSampleRate = "44100";

struct TQthSettings {
    TWindowBounds Bounds;
    uint8_t bStyle = 0;
    uint8_t bSignalPage = 4;      // 0 white, 1 pink, 2 sweep, 3 square, 4 sine
    int32_t iUnit = 0;            // 0 mV, 1 dBV, 2 dBu
    bool boSW = true;             // show the safety warning
    int32_t iPreSetFilter = 1;    // 0 Group, 1 List, 2 Detail
    int32_t iMasterG = 60;        // master slider, tenths of a dB of attenuation, 0..900
    float fCalGain = 0;           // calibration reference gain, linear
    float fCalmV = 0;             // calibration voltage in mV
    std::string stDriverName;
    std::string stSR = kDefaultSampleRate;
    std::string stPresetFile = kDefaultPresetFile;  // as stored; resolved by the reader's caller
};

// Integer text as the profile reader takes it; nullopt when it does not convert to 32 bits.
std::optional<int32_t> ParseProfileInteger(const std::string& text);

// Every value of the file; windowLeftTop gives the defaults of "FLeft" and "FTop" (the window's
// current position). "MasterG" is kept within 0..900, byte values keep their low eight bits,
// calibration values are rounded to single precision (a value beyond it reads as the default),
// an empty "SR" reads as "44100".
TQthSettings ReadQthSettings(const TIniDocument& ini, const ISettingsNumberText& numbers,
                             const TWindowBounds& windowLeftTop);

// Writes every key in the file's order (System: FLeft, FTop, FWidth, FHeight, Style, SignalPage,
// Unit, SW, PreSetFilter, MasterG; Audio: Driver Name, SR; PreSet: file; Cal: Gain, mV) in one
// replacement of the file. Throws ESettingsError "Unable to write to <path>" when it is refused.
void WriteQthSettings(TIniProfile& ini, const TQthSettings& settings, const ISettingsNumberText& numbers);

}  // namespace quenthal
