// The white and pink noise renderers: one value and one gain reading per sample, the same value on
// every output.

#include <algorithm>

#include "engine/GeneratorCore.h"
#include "platform/Random.h"

namespace quenthal {

namespace {

void CopyToOtherOutputs(const TArrayOfSingleFixedArray& OutBuffer, int32_t BlockSize) {
    for (int32_t o = 1; o < OutBuffer.Length(); ++o) std::copy(OutBuffer[0], OutBuffer[0] + BlockSize, OutBuffer[o]);
}

}  // namespace

void TGeneratorCore::BufferSwitchWhiteNoise32(void* /*Sender*/, const TArrayOfSingleFixedArray& /*InBuffer*/,
                                              const TArrayOfSingleFixedArray& OutBuffer) {
    const int32_t blockSize = OutBuffer.BufferSize();
    float* first = OutBuffer.Length() > 0 ? OutBuffer[0] : nullptr;
    TEngineLock lock(FCriticalSection);
    const bool triangle = WhiteNoiseDistribution.load(std::memory_order_relaxed) == TWhiteNoiseDistribution::wdTriangle;
    const double whiteGain = FWhiteNoiseGain.load(std::memory_order_relaxed);
    float steadyGain;
    const bool steady = FadeIsSteady(steadyGain);
    for (int32_t s = 0; s < blockSize; ++s) {
        const double g = double(steady ? steadyGain : CurrentGainL()) * whiteGain;
        double value;
        if (triangle) {
            // Two draws in this order: the difference of two uniforms is triangular on (-1, 1).
            const double r1 = Random();
            const double r2 = Random();
            value = (r1 - r2) * g;
        } else {
            value = (2.0 * Random() - 1.0) * g;
        }
        if (first) first[s] = static_cast<float>(value);
    }
    if (first) CopyToOtherOutputs(OutBuffer, blockSize);
}

void TGeneratorCore::BufferSwitchPinkNoise32(void* /*Sender*/, const TArrayOfSingleFixedArray& /*InBuffer*/,
                                             const TArrayOfSingleFixedArray& OutBuffer) {
    const int32_t blockSize = OutBuffer.BufferSize();
    float* first = OutBuffer.Length() > 0 ? OutBuffer[0] : nullptr;
    TEngineLock lock(FCriticalSection);
    TCustomPinkNoiseGenerator* pink = FPinkNoise.empty() ? nullptr : FPinkNoise[0].get();
    if (!pink) {
        if (first) std::fill(first, first + std::max(blockSize, 0), 0.0f);
    } else {
        float steadyGain;
        const bool steady = FadeIsSteady(steadyGain);
        for (int32_t s = 0; s < blockSize; ++s) {
            const double x = pink->ProcessSample64();
            const double g = steady ? steadyGain : CurrentGainL();
            if (first) first[s] = static_cast<float>(g * x);
        }
    }
    if (first) CopyToOtherOutputs(OutBuffer, blockSize);
}

}  // namespace quenthal
