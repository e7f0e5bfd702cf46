#pragma once
// Levels and gains: every gain is a linear factor, 1.0 = 0 dBFS.

namespace quenthal {

inline constexpr double kLn10Over20 = 0.11512925464970228;

// d dB as a linear gain, e^(d * ln 10 / 20); exactly 0 at or below -1000 dB ("off" in stored presets).
double DbToGain(double Db) noexcept;

// The same, rounded to single precision as the sine, square and sweep settings hold it.
float DbToGainSingle(double Db) noexcept;

}  // namespace quenthal
