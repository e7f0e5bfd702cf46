#pragma once
// A buffer prefill source for the host (bpfCustom). This base class writes silence; a subclass
// writes its own signal.

#include "asio/AsioBuffers.h"

#include <cstdint>

namespace quenthal {

class TASIOGenerator {
public:
    virtual ~TASIOGenerator() = default;

    double SampleRate() const noexcept { return FSampleRate; }
    void SetSampleRate(double value) noexcept { FSampleRate = value; }
    uint32_t BlockSize() const noexcept { return FBlockSize; }
    void SetBlockSize(uint32_t value) noexcept { FBlockSize = value; }

    // Called on the block's thread: must not allocate or block. Writes BlockSize samples per channel,
    // never more than the buffers hold.
    virtual void ProcessBuffer32(const TArrayOfSingleFixedArray& buffer, bool isOutput);
    virtual void ProcessBuffer64(const TArrayOfDoubleFixedArray& buffer, bool isOutput);

private:
    double FSampleRate = 44100.0;
    uint32_t FBlockSize = 2048;
};

}  // namespace quenthal
