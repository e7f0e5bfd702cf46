#include "presets/PresetFile.h"

#include "platform/AtomicFile.h"
#include "presets/Utf8Text.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <type_traits>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace quenthal {

namespace {

constexpr char kMagic[3] = {'P', 'V', '1'};
constexpr std::uint8_t kVersion = 1;
constexpr std::uint8_t kHighestKind = SignalKind::White;

[[noreturn]] void ReadError() { throw EPresetFileError("Stream read error"); }

// --- writing -------------------------------------------------------------------------------------

template <typename T>
T ReverseBytes(T value) {
    T reversed = 0;
    for (std::size_t i = 0; i < sizeof value; ++i) reversed = static_cast<T>((reversed << 8) | ((value >> (8 * i)) & 0xff));
    return reversed;
}

// Numbers are little-endian in the file whatever the host's order is.
template <typename T>
void StoreLittleEndian(char* target, T value) {
    static_assert(std::is_integral_v<T> && std::is_unsigned_v<T>);
    if constexpr (std::endian::native == std::endian::big) value = ReverseBytes(value);
    std::memcpy(target, &value, sizeof value);
}

template <typename T>
T LoadLittleEndian(const std::byte* source) {
    T value;
    std::memcpy(&value, source, sizeof value);
    if constexpr (std::endian::native == std::endian::big) value = ReverseBytes(value);
    return value;
}

class TLittleEndianWriter {
public:
    explicit TLittleEndianWriter(std::string& out) : FOut(out) {}
    void Byte(std::uint8_t value) { FOut.push_back(static_cast<char>(value)); }
    void Int32(std::int32_t value) { Put(static_cast<std::uint32_t>(value)); }
    void Double(double value) { Put(std::bit_cast<std::uint64_t>(value)); }
    void String(const std::string& text) {
        if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
            throw EPresetFileError("Invalid string length in file");
        Int32(static_cast<std::int32_t>(text.size()));
        FOut.append(text);
    }

private:
    template <typename T>
    void Put(T value) {
        char bytes[sizeof value];
        StoreLittleEndian(bytes, value);
        FOut.append(bytes, sizeof value);
    }
    std::string& FOut;
};

void WriteKey(TLittleEndianWriter& out, const TSpeichertaste& key) {
    out.Double(key.dMasterGain);
    out.String(key.stASIOinterface);
    out.Int32(key.iASIOSamplerate);
    for (const TOutputSetting& output : key.ArrOutput) {
        for (const TSignalSlot& slot : output.ArrSlot) {
            out.Double(slot.dFrequency);
            out.Double(slot.dStopFrequency);
            out.Double(slot.dGain);
            out.Double(slot.dParam);
            out.Int32(slot.iFlag);
        }
        out.Byte(output.bSlotCount);
        out.Byte(output.bSignalKind);
    }
    out.Byte(key.bArrAnzahlAusgaenge);
    out.String(key.stTextSpeichertaste);
    out.Int32(key.iTag);
}

// --- reading -------------------------------------------------------------------------------------

// Where the bytes come from: a file or a memory image. Knowing what is left lets a string count be
// checked before anything is allocated for it.
class TByteSource {
public:
    virtual ~TByteSource() = default;
    virtual std::uint64_t Remaining() const = 0;
    // Fills the whole target or throws the read error.
    virtual void Read(std::byte* target, std::size_t count) = 0;
};

class TMemorySource final : public TByteSource {
public:
    explicit TMemorySource(std::span<const std::byte> bytes) : FBytes(bytes) {}
    std::uint64_t Remaining() const override { return FBytes.size() - FPosition; }
    void Read(std::byte* target, std::size_t count) override {
        if (count > FBytes.size() - FPosition) ReadError();
        std::memcpy(target, FBytes.data() + FPosition, count);
        FPosition += count;
    }

private:
    std::span<const std::byte> FBytes;
    std::size_t FPosition = 0;
};

class TFileSource final : public TByteSource {
public:
    TFileSource(int fd, std::uint64_t size) : FFd(fd), FSize(size) {}
    std::uint64_t Remaining() const override { return FConsumed < FSize ? FSize - FConsumed : 0; }
    void Read(std::byte* target, std::size_t count) override {
        while (count > 0) {
            if (FBegin == FEnd) Refill();
            const std::size_t n = std::min(count, FEnd - FBegin);
            std::memcpy(target, FBuffer.get() + FBegin, n);
            FBegin += n;
            FConsumed += n;
            target += n;
            count -= n;
        }
    }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;
    void Refill() {
        ssize_t n;
        do {
            n = ::read(FFd, FBuffer.get(), kBufferSize);
        } while (n < 0 && errno == EINTR);
        if (n <= 0) ReadError();
        FBegin = 0;
        FEnd = static_cast<std::size_t>(n);
    }
    int FFd;
    std::uint64_t FSize;
    std::uint64_t FConsumed = 0;
    std::unique_ptr<std::byte[]> FBuffer = std::make_unique<std::byte[]>(kBufferSize);
    std::size_t FBegin = 0;
    std::size_t FEnd = 0;
};

// Decodes little-endian fields from a buffer that was read in one piece.
class TLittleEndianFields {
public:
    explicit TLittleEndianFields(const std::byte* data) : FData(data) {}
    std::uint8_t Byte() { return static_cast<std::uint8_t>(FData[FPosition++]); }
    std::int32_t Int32() { return static_cast<std::int32_t>(Get<std::uint32_t>()); }
    double Double() { return std::bit_cast<double>(Get<std::uint64_t>()); }

private:
    template <typename T>
    T Get() {
        const T value = LoadLittleEndian<T>(FData + FPosition);
        FPosition += sizeof(T);
        return value;
    }
    const std::byte* FData;
    std::size_t FPosition = 0;
};

class TPresetReader {
public:
    explicit TPresetReader(TByteSource& source) : FSource(source) {}

    void Header() {
        std::byte header[kPresetHeaderSize];
        FSource.Read(header, 3);
        if (std::memcmp(header, kMagic, 3) != 0) throw EPresetFileError("PreSet unknown file format");
        FSource.Read(header + 3, 1);
        const auto version = static_cast<std::uint8_t>(header[3]);
        if (version != kVersion)
            throw EPresetFileError("PreSet unsupported file version: " + std::to_string(version));
    }

    void Key(TSpeichertaste& key) {
        key.dMasterGain = Fields<8>().Double();
        key.stASIOinterface = String();
        key.iASIOSamplerate = Fields<4>().Int32();
        for (TOutputSetting& output : key.ArrOutput) {
            auto fields = Fields<kOutputRecordSize>();
            for (TSignalSlot& slot : output.ArrSlot) {
                slot.dFrequency = fields.Double();
                slot.dStopFrequency = fields.Double();
                slot.dGain = fields.Double();
                slot.dParam = fields.Double();
                slot.iFlag = fields.Int32();
            }
            output.bSlotCount = fields.Byte();  // kept as stored; readers clamp it
            output.bSignalKind = fields.Byte();
            if (output.bSignalKind > kHighestKind) output.bSignalKind = SignalKind::Sine;
        }
        key.bArrAnzahlAusgaenge = Fields<1>().Byte();
        key.stTextSpeichertaste = String();
        key.iTag = Fields<4>().Int32();
    }

private:
    template <std::size_t N>
    TLittleEndianFields Fields() {
        FSource.Read(FBuffer, N);
        return TLittleEndianFields(FBuffer);
    }

    std::string String() {
        const std::int32_t count = Fields<4>().Int32();
        if (count < 0) throw EPresetFileError("Invalid string length in file");
        // A count beyond the end of the file is a short file: refuse it before allocating.
        if (static_cast<std::uint64_t>(count) > FSource.Remaining()) ReadError();
        std::string bytes(static_cast<std::size_t>(count), '\0');
        FSource.Read(reinterpret_cast<std::byte*>(bytes.data()), bytes.size());
        return RepairUtf8(bytes);
    }

    TByteSource& FSource;
    std::byte FBuffer[kOutputRecordSize];
};

void ReadPresetTable(TByteSource& source, tSpeichertasten& table) {
    TPresetReader reader(source);
    reader.Header();
    // A scratch table: a file rejected halfway must not cost the caller the keys it had.
    auto scratch = std::make_unique<tSpeichertasten>();
    for (TSpeichertaste& key : scratch->ArrSpeichertasten) reader.Key(key);
    table = std::move(*scratch);
}

// Closes the descriptor on every path out of the reader.
class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : FFd(fd) {}
    ~TFileDescriptor() {
        if (FFd >= 0) ::close(FFd);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    int Get() const { return FFd; }

private:
    int FFd;
};

[[noreturn]] void OpenError(const std::string& fileName, int error) {
    throw EPresetFileError("Cannot open file \"" + fileName + "\". " + std::strerror(error));
}

// The system's reason from "step: reason".
std::string ReasonOf(const std::string& errorText) {
    const auto colon = errorText.find(": ");
    return colon == std::string::npos ? errorText : errorText.substr(colon + 2);
}

}  // namespace

std::string PresetFileBytes(const tSpeichertasten& table) {
    std::string bytes;
    bytes.reserve(kPresetHeaderSize + kKeyCount * kKeyRecordFixedSize + 64 * 16);
    bytes.append(kMagic, 3);
    TLittleEndianWriter out(bytes);
    out.Byte(kVersion);
    for (const TSpeichertaste& key : table.ArrSpeichertasten) WriteKey(out, key);
    return bytes;
}

void ReadPresetFileBytes(std::span<const std::byte> bytes, tSpeichertasten& table) {
    TMemorySource source(bytes);
    ReadPresetTable(source, table);
}

void SavePresetFile(const std::string& fileName, const tSpeichertasten& table) {
    const std::string bytes = PresetFileBytes(table);
    std::string why;
    if (!WriteFileAtomically(fileName, bytes, &why))
        throw EPresetFileError("Cannot create file \"" + fileName + "\". " + ReasonOf(why));
}

bool LoadPresetFile(const std::string& fileName, tSpeichertasten& table) {
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) throw EPresetFileError("File not found: " + fileName);
        OpenError(fileName, errno);
    }
    // Only a regular file: a folder fails, and a pipe must not block the window waiting for a writer.
    if (S_ISDIR(info.st_mode)) OpenError(fileName, EISDIR);
    if (!S_ISREG(info.st_mode)) OpenError(fileName, EINVAL);
    // Our writer replaces the file by a rename, so an open descriptor keeps reading one consistent
    // version of it: no lock is needed against our own saves.
    const TFileDescriptor file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) OpenError(fileName, errno);
    if (::fstat(file.Get(), &info) != 0) OpenError(fileName, errno);
    TFileSource source(file.Get(), static_cast<std::uint64_t>(info.st_size));
    ReadPresetTable(source, table);
    return true;
}

}  // namespace quenthal
