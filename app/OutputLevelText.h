#pragma once
// The level text of one output for the status bar: Fixed(5, 0) mV, Fixed(5, 1) dBV or
// Fixed(5, 1) dBu of the calibrated RMS level, "-" for a silent gain.

#include "settings/OutputCalibration.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quenthal {

enum TLevelUnit : int32_t { luMilliVolt = 0, luDBV = 1, luDBu = 2 };

// Any unit other than 1 and 2 shows mV.
std::string FormatOutputLevel(int32_t unit, TLevelKind kind, double gain, double masterGain,
                              const TOutputCalibration& calibration, std::span<const double> sineAmplitudes,
                              std::string_view decimalSeparator);
std::string FormatOutputLevel(int32_t unit, TLevelKind kind, double gain, double masterGain,
                              const TOutputCalibration& calibration, std::span<const double> sineAmplitudes = {});

}  // namespace quenthal
