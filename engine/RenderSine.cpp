// The sine bank renderer: every output's sines summed, the burst cut, one gain reading per output
// and sample.
//
// The bank runs chunk by chunk and oscillator by oscillator (see TSimpleOscillator64::AddBlock), not
// sample by sample; every sum, cut and product comes out bit for bit as in the sample-by-sample
// order, because each output's sines are still added in their order and the gain readings keep theirs.

#include <algorithm>

#include "engine/GeneratorCore.h"

namespace quenthal {

void TGeneratorCore::BufferSwitchSine32(void* /*Sender*/, const TArrayOfSingleFixedArray& /*InBuffer*/,
                                        const TArrayOfSingleFixedArray& OutBuffer) {
    const int32_t blockSize = OutBuffer.BufferSize();
    TEngineLock lock(FCriticalSection);
    if (FSineSums.size() < std::max<size_t>(FSineOsc.size(), 1) * kSineChunk) {
        // Only a bank resized behind the rebuilds' back gets here: stay silent rather than allocate.
        for (int32_t o = 0; o < OutBuffer.Length(); ++o) std::fill(OutBuffer[o], OutBuffer[o] + blockSize, 0.0f);
        return;
    }
    // Switches are taken once per block; a change lands at the next block.
    const bool identical = IdenticalSineOutputs.load(std::memory_order_relaxed);
    const bool burst = BurstEnabled.load(std::memory_order_relaxed);
    const int32_t remainingAtStart = BurstRemaining.load(std::memory_order_relaxed);
    int32_t remaining = remainingAtStart;
    // Output 1's sum of the sample before; 0 at the first sample of a block, so a rising zero
    // crossing between two blocks is not seen.
    double previous = 0.0;
    for (int32_t start = 0; start < blockSize; start += kSineChunk)
        RenderSineChunk(OutBuffer, start, std::min(kSineChunk, blockSize - start), identical, burst, remaining,
                        previous);
    if (remaining != remainingAtStart) BurstRemaining.store(remaining, std::memory_order_relaxed);
}

void TGeneratorCore::RenderSineChunk(const TArrayOfSingleFixedArray& OutBuffer, int32_t Start, int32_t Count,
                                     bool Identical, bool Burst, int32_t& Remaining, double& Previous) {
    const int32_t outputs = static_cast<int32_t>(FSineOsc.size());
    auto row = [this](int32_t Output) { return FSineSums.data() + static_cast<size_t>(Output) * kSineChunk; };

    std::fill(row(0), row(0) + Count, 0.0);
    for (int32_t i = 0; i < outputs; ++i) {
        std::fill(row(i), row(i) + Count, 0.0);
        const int sines = static_cast<int>(FSineOsc[i].size());
        if (i + 1 < outputs && FSineOsc[i + 1].size() == FSineOsc[i].size()) {
            std::fill(row(i + 1), row(i + 1) + Count, 0.0);
            TSimpleOscillator64::AddBlockPair(FSineOsc[i].data(), FSineOsc[i + 1].data(), sines, row(i), row(i + 1),
                                              Count);
            ++i;
        } else {
            TSimpleOscillator64::AddBlock(FSineOsc[i].data(), sines, row(i), Count);
        }
    }

    // Burst: count down, then cut every output at output 1's next rising zero crossing; once cut,
    // every later sample is cut too, so the cut is the rest of the chunk.
    const double* first = row(0);
    if (Burst) {
        for (int32_t t = 0; t < Count; ++t) {
            const double before = t == 0 ? Previous : first[t - 1];
            if (Remaining > 0) {
                --Remaining;
            } else if ((first[t] > 1e-7 && before < 0.0) || Remaining < 0) {
                Remaining = -1;
                for (int32_t i = 0; i < std::max(outputs, 1); ++i) std::fill(row(i) + t, row(i) + Count, 0.0);
                break;
            }
        }
    }
    BurstPrevSample = Count > 1 ? first[Count - 2] : Previous;
    Previous = first[Count - 1];

    const int32_t hostOutputs = OutBuffer.Length();
    const int32_t heard = std::min(outputs, hostOutputs);
    // Host outputs beyond the engine's outputs have no gain reading and stay silent.
    for (int32_t o = heard; o < hostOutputs; ++o) std::fill(OutBuffer[o] + Start, OutBuffer[o] + Start + Count, 0.0f);

    float gain;
    if (FadeIsSteady(gain)) {
        const double g = gain;
        for (int32_t o = 0; o < heard; ++o) {
            const double* sums = Identical ? first : row(o);
            float* out = OutBuffer[o] + Start;
            for (int32_t t = 0; t < Count; ++t) out[t] = static_cast<float>(g * sums[t]);
        }
        return;
    }
    // A fade is running: every output reads its own gain, output after output, sample after sample.
    for (int32_t t = 0; t < Count; ++t) {
        for (int32_t i = 0; i < outputs; ++i) {
            const double g = CurrentGainL();
            if (i < heard) OutBuffer[i][Start + t] = static_cast<float>(g * (Identical ? first : row(i))[t]);
        }
    }
}

}  // namespace quenthal
