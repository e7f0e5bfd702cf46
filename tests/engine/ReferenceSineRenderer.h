#pragma once
// The sine renderer written straight from its algorithm, sample by sample: one virtual call per
// oscillator per sample, one CurrentGainL reading per output and sample, the switches read at every
// sample and the scratch allocated per block. The engine's renderer must match it bit for bit.

#include <algorithm>
#include <mutex>
#include <vector>

#include "engine/GeneratorCore.h"

namespace quenthal::testing {

inline void ReferenceBufferSwitchSine32(TGeneratorCore& Core, const TArrayOfSingleFixedArray& OutBuffer) {
    std::scoped_lock lock(Core.FCriticalSection);
    const int32_t outputs = static_cast<int32_t>(Core.FSineOsc.size());
    const int32_t hostOutputs = OutBuffer.Length();
    std::vector<std::vector<TCustomSimpleOscillator*>> bank(static_cast<size_t>(outputs));
    for (int32_t i = 0; i < outputs; ++i)
        for (auto& sine : Core.FSineOsc[i]) bank[i].push_back(&sine);
    std::vector<double> sums(static_cast<size_t>(std::max(outputs, 1)), 0.0);
    std::vector<double> gains(static_cast<size_t>(std::max(hostOutputs, outputs)), 0.0);

    for (int32_t s = 0; s < OutBuffer.BufferSize(); ++s) {
        Core.BurstPrevSample = sums[0];
        for (int32_t i = 0; i < outputs; ++i) {
            sums[i] = 0;
            gains[i] = Core.CurrentGainL();
            for (TCustomSimpleOscillator* sine : bank[i]) {
                sums[i] = sums[i] + static_cast<TCustomSimpleOscillator64*>(sine)->Sine();
                sine->CalculateNextSample();
            }
        }
        if (Core.BurstEnabled) {
            if (Core.BurstRemaining > 0) {
                --Core.BurstRemaining;
            } else if ((sums[0] > 1e-7 && Core.BurstPrevSample < 0) || Core.BurstRemaining < 0) {
                std::fill(sums.begin(), sums.end(), 0.0);
                Core.BurstRemaining = -1;
            }
        }
        for (int32_t o = 0; o < hostOutputs; ++o) {
            // Host outputs beyond the engine's outputs are silent.
            const double sum = o >= outputs ? 0.0 : Core.IdenticalSineOutputs ? sums[0] : sums[o];
            OutBuffer[o][s] = static_cast<float>(gains[o] * sum);
        }
    }
}

}  // namespace quenthal::testing
