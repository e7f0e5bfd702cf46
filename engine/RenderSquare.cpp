// The square renderer: one oscillator and one gain reading per host output and sample.

#include <algorithm>

#include "engine/GeneratorCore.h"

namespace quenthal {

namespace {
// Blocks run in parts of this size, so a fade that ends within a block hands the rest to the
// steady-gain loop.
constexpr int32_t kSquareChunk = 256;
}  // namespace

void TGeneratorCore::BufferSwitchRechteck32(void* /*Sender*/, const TArrayOfSingleFixedArray& /*InBuffer*/,
                                            const TArrayOfSingleFixedArray& OutBuffer) {
    const int32_t blockSize = OutBuffer.BufferSize();
    const int32_t hostOutputs = OutBuffer.Length();
    TEngineLock lock(FCriticalSection);
    const int32_t squares = static_cast<int32_t>(SquareOsc.size());
    // Identical: every output plays output 1's square with output 1's reading; the other oscillators
    // still run, unheard. Host outputs without an oscillator carry output 1 then, silence otherwise.
    const bool identical = IdenticalSquareOutputs.load(std::memory_order_relaxed);

    for (int32_t start = 0; start < blockSize; start += kSquareChunk) {
        const int32_t count = std::min(kSquareChunk, blockSize - start);
        float gain;
        if (FadeIsSteady(gain)) {
            const double g = gain;
            for (int32_t o = 0; o < hostOutputs; ++o) {
                float* out = OutBuffer[o] + start;
                if (o < squares && (o == 0 || !identical)) {
                    TDspSquareOscillator& square = SquareOsc[o];
                    for (int32_t t = 0; t < count; ++t) out[t] = static_cast<float>(g * square.NextSample());
                    continue;
                }
                if (o < squares) {
                    for (int32_t t = 0; t < count; ++t) SquareOsc[o].NextSample();
                }
                if (identical && o > 0)
                    std::copy(OutBuffer[0] + start, OutBuffer[0] + start + count, out);
                else
                    std::fill(out, out + count, 0.0f);
            }
            continue;
        }
        for (int32_t t = start; t < start + count; ++t) {
            double firstValue = 0.0;
            float firstGain = 0.0f;
            for (int32_t o = 0; o < hostOutputs; ++o) {
                const double value = o < squares ? SquareOsc[o].NextSample() : 0.0;
                const float g = CurrentGainL();
                if (o == 0) {
                    firstValue = value;
                    firstGain = g;
                }
                OutBuffer[o][t] = identical ? static_cast<float>(double(firstGain) * firstValue)
                                            : static_cast<float>(double(g) * value);
            }
        }
    }
}

}  // namespace quenthal
