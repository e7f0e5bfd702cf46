#pragma once
// Measurements on captured blocks: the amplitude of one frequency (Goertzel), and the level in dB.

#include <cmath>
#include <cstddef>

namespace quenthal::test {

// Peak amplitude of the component at frequency in samples[0..count): exact for a whole number of
// cycles in the window.
inline double GoertzelAmplitude(const float* samples, size_t count, double frequency, double sampleRate) {
    const double omega = 2.0 * M_PI * frequency / sampleRate;
    const double coefficient = 2.0 * std::cos(omega);
    double s1 = 0, s2 = 0;
    for (size_t i = 0; i < count; ++i) {
        const double s0 = samples[i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double real = s1 - s2 * std::cos(omega);
    const double imaginary = s2 * std::sin(omega);
    return 2.0 * std::sqrt(real * real + imaginary * imaginary) / static_cast<double>(count);
}

inline double ToDb(double amplitude) { return 20.0 * std::log10(amplitude); }

inline double Rms(const float* samples, size_t count) {
    double sum = 0;
    for (size_t i = 0; i < count; ++i) sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(count));
}

}  // namespace quenthal::test
