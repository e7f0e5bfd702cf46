#pragma once
// The RIFF WAV header of the WAV File Writer. It has the same length for every data size, so the
// writer reserves it at the start and writes it again once the size is known: a "JUNK" chunk holds
// the place of the "ds64" chunk that turns the file into RF64 when it outgrows 4 GiB.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quenthal::drivers {

struct TWavFormat {
    int32_t Channels = 2;
    int32_t SampleRate = 48000;
    int32_t SampleType = 19;  // TAsioSampleType: 16, 17, 18, 19 or 20
};

// The little-endian sample types a WAV file stores as they are.
bool IsWavSampleType(int32_t sampleType) noexcept;
// WAVE_FORMAT_EXTENSIBLE for float and for more than two channels, plain PCM otherwise.
bool UsesExtensibleFormat(const TWavFormat& format) noexcept;
size_t WavHeaderSize(const TWavFormat& format) noexcept;
// The header for dataBytes of interleaved samples (a pad byte after odd data is the writer's job).
std::vector<uint8_t> BuildWavHeader(const TWavFormat& format, uint64_t dataBytes);

}  // namespace quenthal::drivers
