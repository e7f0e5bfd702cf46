#include "app/OutputLevelText.h"

#include "app/NumberFormats.h"
#include "platform/Locale.h"

#include <cmath>

namespace quenthal {

std::string FormatOutputLevel(int32_t unit, TLevelKind kind, double gain, double masterGain,
                              const TOutputCalibration& calibration, std::span<const double> sineAmplitudes,
                              std::string_view separator) {
    const auto level = OutputLevelmV(calibration, kind, gain, masterGain, sineAmplitudes);
    if (!level) return "-";
    const double v = *level;
    switch (unit) {
        case luDBV: return FormatFixed(20 * std::log10(v / 1000), 5, 1, separator) + "dBV";
        case luDBu: return FormatFixed(20 * std::log10(v / 1000 / 0.775), 5, 1, separator) + "dBu";
        default: return FormatFixed(v, 5, 0, separator) + "mV";
    }
}

std::string FormatOutputLevel(int32_t unit, TLevelKind kind, double gain, double masterGain,
                              const TOutputCalibration& calibration, std::span<const double> sineAmplitudes) {
    return FormatOutputLevel(unit, kind, gain, masterGain, calibration, sineAmplitudes,
                             UserLocale().stDecimalSeparator);
}

}  // namespace quenthal
