#include "asio/AsioGenerator.h"

#include <algorithm>

namespace quenthal {

namespace {
template <typename Sample>
void FillSilence(const TArrayOfFixedArray<Sample>& buffer, uint32_t blockSize) {
    const auto count = static_cast<int32_t>(std::min<uint32_t>(blockSize, static_cast<uint32_t>(buffer.BufferSize())));
    for (int32_t channel = 0; channel < buffer.Length(); ++channel)
        std::fill(buffer[channel], buffer[channel] + count, Sample(0));
}
}  // namespace

void TASIOGenerator::ProcessBuffer32(const TArrayOfSingleFixedArray& buffer, bool) { FillSilence(buffer, FBlockSize); }
void TASIOGenerator::ProcessBuffer64(const TArrayOfDoubleFixedArray& buffer, bool) { FillSilence(buffer, FBlockSize); }

}  // namespace quenthal
