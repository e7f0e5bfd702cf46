#include "drivers/wavfile/WavFileHeader.h"

#include "asio/AsioDriverInterface.h"

#include <cstring>

namespace quenthal::drivers {

namespace {
constexpr uint32_t kDs64PayloadBytes = 28;
constexpr uint64_t kMaxRiffValue = 0xffffffffull;

class TWriter {
public:
    explicit TWriter(std::vector<uint8_t>& bytes) : FBytes(bytes) {}
    void Tag(const char* fourCc) { FBytes.insert(FBytes.end(), fourCc, fourCc + 4); }
    void U16(uint32_t value) { Le(value, 2); }
    void U32(uint64_t value) { Le(value, 4); }
    void U64(uint64_t value) { Le(value, 8); }

private:
    void Le(uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) FBytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    std::vector<uint8_t>& FBytes;
};

bool IsFloat(int32_t sampleType) { return sampleType == ASIOSTFloat32LSB || sampleType == ASIOSTFloat64LSB; }

uint32_t ChannelMask(int32_t channels) {
    // Speaker positions only where they are obvious; the outputs of a test generator are not speakers.
    if (channels == 1) return 0x4;
    if (channels == 2) return 0x3;
    return 0;
}
}  // namespace

bool IsWavSampleType(int32_t sampleType) noexcept {
    return sampleType >= ASIOSTInt16LSB && sampleType <= ASIOSTFloat64LSB;
}

bool UsesExtensibleFormat(const TWavFormat& format) noexcept {
    return format.Channels > 2 || IsFloat(format.SampleType);
}

size_t WavHeaderSize(const TWavFormat& format) noexcept {
    const size_t fmtPayload = UsesExtensibleFormat(format) ? 40 : 16;
    const size_t fact = IsFloat(format.SampleType) ? 12 : 0;
    return 12 + (8 + kDs64PayloadBytes) + (8 + fmtPayload) + fact + 8;
}

std::vector<uint8_t> BuildWavHeader(const TWavFormat& format, uint64_t dataBytes) {
    const uint32_t bytesPerSample = static_cast<uint32_t>(AsioSampleTypeSize(format.SampleType));
    const uint32_t blockAlign = bytesPerSample * static_cast<uint32_t>(format.Channels);
    const uint64_t frames = blockAlign ? dataBytes / blockAlign : 0;
    const uint64_t riffBytes = WavHeaderSize(format) - 8 + dataBytes + (dataBytes & 1);
    const bool rf64 = riffBytes > kMaxRiffValue;
    const bool extensible = UsesExtensibleFormat(format);

    std::vector<uint8_t> bytes;
    bytes.reserve(WavHeaderSize(format));
    TWriter out(bytes);
    out.Tag(rf64 ? "RF64" : "RIFF");
    out.U32(rf64 ? kMaxRiffValue : riffBytes);
    out.Tag("WAVE");

    out.Tag(rf64 ? "ds64" : "JUNK");
    out.U32(kDs64PayloadBytes);
    out.U64(rf64 ? riffBytes : 0);
    out.U64(rf64 ? dataBytes : 0);
    out.U64(rf64 ? frames : 0);
    out.U32(0);  // no table of other chunk sizes

    out.Tag("fmt ");
    out.U32(extensible ? 40 : 16);
    out.U16(extensible ? 0xfffe : (IsFloat(format.SampleType) ? 3 : 1));
    out.U16(static_cast<uint32_t>(format.Channels));
    out.U32(static_cast<uint32_t>(format.SampleRate));
    out.U32(static_cast<uint64_t>(format.SampleRate) * blockAlign);
    out.U16(blockAlign);
    out.U16(bytesPerSample * 8);
    if (extensible) {
        out.U16(22);
        out.U16(bytesPerSample * 8);  // every bit of the container is valid
        out.U32(ChannelMask(format.Channels));
        // KSDATAFORMAT_SUBTYPE_PCM or _IEEE_FLOAT: {0000000x-0000-0010-8000-00AA00389B71}
        static const uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                   0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};
        out.U16(IsFloat(format.SampleType) ? 3 : 1);
        bytes.insert(bytes.end(), kSubFormatTail, kSubFormatTail + sizeof kSubFormatTail);
    }
    if (IsFloat(format.SampleType)) {
        out.Tag("fact");
        out.U32(4);
        out.U32(rf64 || frames > kMaxRiffValue ? kMaxRiffValue : frames);
    }
    out.Tag("data");
    out.U32(rf64 ? kMaxRiffValue : dataBytes);
    return bytes;
}

}  // namespace quenthal::drivers
