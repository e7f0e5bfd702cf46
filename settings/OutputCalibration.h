#pragma once
// The one-point calibration of the outputs: the linear peak gain of a 50 Hz sine and the voltage
// measured for it. From them each output's RMS level in mV follows from its gains and the level
// factor of its signal kind.

#include <optional>
#include <span>

namespace quenthal {

struct TOutputCalibration {
    float fGain = 0;  // master gain x sine gain at calibration
    float fmV = 0;    // measured voltage, mV; -1 after a failed entry
};

constexpr double kCalibratedMinGain = 0.001;
constexpr double kCalibratedMinmV = 1.0;

bool IsCalibrated(const TOutputCalibration& calibration);

enum class TLevelKind { Sine, Square, Sweep, Pink, White };

// RMS relative to a sine of the same peak gain.
double LevelFactor(TLevelKind kind);

// The level of one output in mV, in single precision; nullopt ("-") when the master gain or the
// gain is zero or below. gain and masterGain are taken in single precision. For the sine bank gain
// is the output's first sine and sineAmplitudes holds all its sines, added as root of the sum of
// squares; the other kinds ignore sineAmplitudes.
std::optional<float> OutputLevelmV(const TOutputCalibration& calibration, TLevelKind kind, double gain,
                                   double masterGain, std::span<const double> sineAmplitudes = {});

}  // namespace quenthal
