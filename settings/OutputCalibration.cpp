#include "settings/OutputCalibration.h"

#include <cmath>

namespace quenthal {

bool IsCalibrated(const TOutputCalibration& calibration) {
    return double{calibration.fGain} >= kCalibratedMinGain && double{calibration.fmV} >= kCalibratedMinmV;
}

double LevelFactor(TLevelKind kind) {
    switch (kind) {
        case TLevelKind::Square: return 1.414;
        case TLevelKind::Pink: return 0.35;
        case TLevelKind::White: return 0.8;
        case TLevelKind::Sine:
        case TLevelKind::Sweep: break;
    }
    return 1.0;
}

std::optional<float> OutputLevelmV(const TOutputCalibration& calibration, TLevelKind kind, double gain,
                                   double masterGain, std::span<const double> sineAmplitudes) {
    const double m = static_cast<float>(masterGain);
    const double g = static_cast<float>(gain);
    if (m <= 0 || g <= 0) return std::nullopt;
    const double calGain = calibration.fGain;
    const double calmV = calibration.fmV;
    float v = static_cast<float>(m * g / calGain * calmV);
    if (kind == TLevelKind::Sine && !sineAmplitudes.empty()) {
        double sumOfSquares = 0;
        for (const double a : sineAmplitudes) {
            const double level = m * a / calGain * calmV;
            sumOfSquares += level * level;
        }
        v = static_cast<float>(std::sqrt(sumOfSquares));
    } else if (kind != TLevelKind::Sine) {
        v = static_cast<float>(v * LevelFactor(kind));
    }
    return v;
}

}  // namespace quenthal
