// The sweep renderer: the table's next block, one gain reading per sample, the same value on
// every output, and the end report once the table has run out.

#include <algorithm>

#include "engine/GeneratorCore.h"

namespace quenthal {

void TGeneratorCore::BufferSwitchSweep32(void* /*Sender*/, const TArrayOfSingleFixedArray& /*InBuffer*/,
                                         const TArrayOfSingleFixedArray& OutBuffer) {
    const int32_t blockSize = std::max(OutBuffer.BufferSize(), 0);
    const int32_t hostOutputs = OutBuffer.Length();
    bool wholeBlockFromTable = true;
    {
        // The block is pulled under the lock (not before it), so a table or generator replaced on the
        // GUI thread is never read while it goes away.
        TEngineLock lock(FCriticalSection);
        int32_t start = 0;
        do {
            const int32_t count = std::min(kSweepChunk, blockSize - start);
            double* block = FSweepBlock.data();
            if (!SweepGen || !SweepGen->ProcessSweepBlock(block, count)) {
                if (!SweepGen) std::fill(block, block + count, 0.0);
                wholeBlockFromTable = false;
            }
            float* first = hostOutputs > 0 ? OutBuffer[0] + start : nullptr;
            float gain;
            if (FadeIsSteady(gain)) {
                const double g = gain;
                if (first)
                    for (int32_t t = 0; t < count; ++t) first[t] = static_cast<float>(g * block[t]);
            } else {
                for (int32_t t = 0; t < count; ++t) {
                    const float value = static_cast<float>(double(CurrentGainL()) * block[t]);
                    if (first) first[t] = value;
                }
            }
            for (int32_t o = 1; o < hostOutputs; ++o) std::copy(first, first + count, OutBuffer[o] + start);
            start += count;
        } while (start < blockSize);
    }
    if (!wholeBlockFromTable) ReportSweepEnd(blockSize);
}

}  // namespace quenthal
