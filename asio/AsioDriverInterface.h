#pragma once
// The ASIO-style driver interface: everything a driver author needs, and all that a driver plugin
// may include from Quenthal.
//
// THE CONTRACT
//
// Who calls what, on which thread
// - The host creates, initialises, configures, starts, stops and releases a driver on the GUI thread
//   only. Calls of one driver object are never made concurrently from two GUI-side threads.
// - Inside a block the host calls GetSamplePosition (blocks without time info) and OutputReady from
//   the thread that delivered the block; the driver must accept these two calls there.
// - The driver calls the four TAsioCallbacks from any thread it likes, but only between a
//   successful CreateBuffers and the return of DisposeBuffers. bufferSwitch/bufferSwitchTimeInfo of one
//   driver must not overlap themselves (one block at a time).
// - Blocks are delivered only between Start and Stop: once Stop returns, no block callback is running
//   or will start (the host clears the halves right after Stop, and may free its own arrays).
// - sampleRateDidChange is handled on the calling thread and calls back into the driver there:
//   CanSampleRate, then SetSampleRate for the reported rate. A driver that calls it from its own
//   thread must accept those two calls on that thread, without holding a lock that they take.
// - AsioMessage answers at once on the calling thread; resets, buffer-size changes, resyncs and
//   latency changes are acted on later, on the GUI thread: the host then stops, disposes, releases
//   and creates the driver again (a reset), or only re-reads GetLatencies. Deferred blocks
//   (DirectProcess 0) and these requests are queued to the GUI thread; that queueing may allocate, so
//   a driver on a real-time thread uses DirectProcess 1 for its blocks.
//
// What the host guarantees
// - Init is called once before any other operation except the name, version and error-message reads;
//   Release is the last call. A driver whose Init failed gets no further calls but Release.
// - CreateBuffers receives one TAsioBufferInfo per used channel, all inputs first, each with IsInput
//   and ChannelNum set; the driver sets both halves Buffers[0] and Buffers[1] of each entry before it
//   returns 0. The buffers stay the driver's and must stay valid until DisposeBuffers returns.
// - The host writes a whole half of every output channel inside each block, converts inputs out of
//   it, and calls OutputReady when the outputs of the half are complete.
// - Start is called only after CreateBuffers succeeded; Stop before DisposeBuffers. A failed Start
//   (any answer but kAsioOK) is followed by Stop at once.
// - In direct mode the block (conversion, the renderer, clipping, conversion back, OutputReady) runs
//   on the driver's thread: it allocates nothing, takes no lock but the engine's, and never lets an
//   exception out of a callback. A block whose renderer throws is delivered as silence.
// - The host never holds a lock of its own while it calls a driver, and its block path allocates
//   nothing and never blocks for long: a driver may call back from a real-time thread.
//
// What a driver must do
// - Zero-terminate every text it writes: GetDriverName into 256 bytes, GetErrorMessage into 128
//   bytes, TAsioChannelInfo::Name into 32 bytes. (The host checks anyway: an unterminated driver
//   name is ignored and the driver list's name kept; a channel name is cut at 31 characters.)
// - Report counts >= 0 (a negative count is read as 0; more than 4096 per direction as 4096), a
//   SampleType from TAsioSampleType for every channel (any other stops the opening with "Converter
//   type unknown"), and sizes with min <= preferred <= max. The host uses the preferred size, or the
//   minimum when min == max; a preferred size below 1 fails the opening.
// - Set both halves of every channel in CreateBuffers. A null half is skipped by the block, never
//   written; a block index other than 0 or 1, a null time record, or a DirectProcess other than 0
//   or 1 makes the host ignore that callback.
// - Deliver one block per half: call bufferSwitchTimeInfo (when the host answered kAsioSupportsTimeInfo
//   with 1, which it does) or bufferSwitch with the half index 0 or 1 that the host is to fill,
//   alternating. DirectProcess 1 means "process now, on this thread"; 0 means "the host may process
//   later" (the host then queues the block to its GUI thread).
// - Ask for structural changes through AsioMessage (kAsioResetRequest, kAsioBufferSizeChange,
//   kAsioResyncRequest, kAsioLatenciesChanged) and never expect the host to act on them inside the
//   callback: the host answers at once and acts later on its GUI thread. A changed clock reaches the
//   host through sampleRateDidChange.
// - Have a timeout on every wait, so a vanished device or server never hangs the host.
//
// Plugin modules
// A module exports the two C functions declared at the end of this header: one lists the devices it
// offers (what the host's driver list shows), one creates a driver object for a CLSID. "Not
// installed" (-1000, kAsioNotPresent) is a normal answer of the factory, not an error.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace quenthal {

// ---- Basic types -------------------------------------------------------------------------------

struct TGuid {
    uint32_t D1 = 0;
    uint16_t D2 = 0;
    uint16_t D3 = 0;
    uint8_t D4[8] = {};

    bool operator==(const TGuid& other) const noexcept {
        return D1 == other.D1 && D2 == other.D2 && D3 == other.D3 && std::memcmp(D4, other.D4, 8) == 0;
    }
};
static_assert(sizeof(TGuid) == 16);

using TAsioError = int32_t;
using TAsioBool = int32_t;
using TAsioSampleRate = double;

// Result codes.
inline constexpr TAsioError kAsioOK = 0;
inline constexpr TAsioError kAsioSuccessFuture = 0x3f4847a0;  // success of Future
inline constexpr TAsioError kAsioNotPresent = -1000;
inline constexpr TAsioError kAsioHwMalfunction = -999;
inline constexpr TAsioError kAsioInvalidParameter = -998;
inline constexpr TAsioError kAsioInvalidMode = -997;
inline constexpr TAsioError kAsioSPNotAdvancing = -996;
inline constexpr TAsioError kAsioNoClock = -995;
inline constexpr TAsioError kAsioNoMemory = -994;

// A 64-bit value as two 32-bit words, high word first.
struct TAsioInt64 {
    uint32_t Hi = 0;
    uint32_t Lo = 0;
};
static_assert(sizeof(TAsioInt64) == 8);

inline int64_t AsioInt64ToInt64(const TAsioInt64& value) noexcept {
    return static_cast<int64_t>((static_cast<uint64_t>(value.Hi) << 32) | value.Lo);
}
inline TAsioInt64 Int64ToAsioInt64(int64_t value) noexcept {
    const auto bits = static_cast<uint64_t>(value);
    return TAsioInt64{static_cast<uint32_t>(bits >> 32), static_cast<uint32_t>(bits & 0xffffffffu)};
}

// ---- Sample types ------------------------------------------------------------------------------
// Big-endian (MSB) 0-4 and 8-11, little-endian (LSB) 16-20 and 24-27. Any other code is refused.

enum TAsioSampleType : int32_t {
    ASIOSTInt16MSB = 0,
    ASIOSTInt24MSB = 1,  // packed, 3 bytes
    ASIOSTInt32MSB = 2,
    ASIOSTFloat32MSB = 3,
    ASIOSTFloat64MSB = 4,
    ASIOSTInt32MSB16 = 8,  // 32-bit container, 16-bit alignment
    ASIOSTInt32MSB18 = 9,
    ASIOSTInt32MSB20 = 10,
    ASIOSTInt32MSB24 = 11,
    ASIOSTInt16LSB = 16,
    ASIOSTInt24LSB = 17,  // packed, 3 bytes
    ASIOSTInt32LSB = 18,
    ASIOSTFloat32LSB = 19,
    ASIOSTFloat64LSB = 20,
    ASIOSTInt32LSB16 = 24,
    ASIOSTInt32LSB18 = 25,
    ASIOSTInt32LSB20 = 26,
    ASIOSTInt32LSB24 = 27,
};

inline constexpr bool IsKnownAsioSampleType(int32_t type) noexcept {
    return (type >= 0 && type <= 4) || (type >= 8 && type <= 11) || (type >= 16 && type <= 20) ||
           (type >= 24 && type <= 27);
}

// Bytes per sample of a known type, 0 for an unknown one.
inline constexpr int32_t AsioSampleTypeSize(int32_t type) noexcept {
    if (!IsKnownAsioSampleType(type)) return 0;
    switch (type & 15) {
        case 0: return 2;
        case 1: return 3;
        case 4: return 8;
        default: return 4;
    }
}

// ---- Records (driver format) -------------------------------------------------------------------

// One channel's double buffer. 16 bytes with 32-bit pointers; natural size on 64-bit builds.
struct TAsioBufferInfo {
    TAsioBool IsInput = 0;   // 1 or 0
    int32_t ChannelNum = 0;  // index within the inputs or within the outputs
    void* Buffers[2] = {nullptr, nullptr};  // the two halves, set by the driver
};

struct TAsioChannelInfo {
    int32_t Channel = 0;    // set by the host
    TAsioBool IsInput = 0;  // set by the host
    TAsioBool IsActive = 0;
    int32_t ChannelGroup = 0;
    int32_t SampleType = 0;  // a TAsioSampleType
    char Name[32] = {};      // zero-terminated 8-bit text
};
static_assert(sizeof(TAsioChannelInfo) == 52);

struct TAsioClockSource {
    int32_t Index = 0;
    int32_t AssociatedChannel = 0;
    int32_t AssociatedGroup = 0;
    TAsioBool IsCurrentSource = 0;
    char Name[32] = {};
};
static_assert(sizeof(TAsioClockSource) == 48);

// The record of the gain and meter Future selectors 5 to 8.
struct TAsioChannelControls {
    int32_t Channel = 0;
    TAsioBool IsInput = 0;
    int32_t Gain = 0;
    int32_t Meter = 0;
    char Future[32] = {};
};
static_assert(sizeof(TAsioChannelControls) == 48);

// Flags of TAsioTimeInfo::Flags.
inline constexpr uint32_t kAsioSystemTimeValid = 1u << 0;
inline constexpr uint32_t kAsioSamplePositionValid = 1u << 1;
inline constexpr uint32_t kAsioSampleRateValid = 1u << 2;
inline constexpr uint32_t kAsioSpeedValid = 1u << 3;
inline constexpr uint32_t kAsioSampleRateChanged = 1u << 4;
inline constexpr uint32_t kAsioClockSourceChanged = 1u << 5;

// The time record keeps the driver format's packing: 148 bytes in all.
#pragma pack(push, 4)
struct TAsioTimeInfo {
    double Speed = 0;
    TAsioInt64 SystemTime;      // nanoseconds
    TAsioInt64 SamplePosition;  // samples since Start
    double SampleRate = 0;
    uint32_t Flags = 0;
    char Reserved[12] = {};
};
struct TAsioTimeCode {
    double Speed = 0;
    TAsioInt64 TimecodeSamples;
    uint32_t Flags = 0;
    char Future[64] = {};
};
struct TAsioTime {
    int32_t Reserved[4] = {};
    TAsioTimeInfo TimeInfo;
    TAsioTimeCode TimeCode;
};
#pragma pack(pop)
static_assert(sizeof(TAsioTimeInfo) == 48);
static_assert(sizeof(TAsioTimeCode) == 84);
static_assert(sizeof(TAsioTime) == 148);

// ---- Callbacks the host hands to CreateBuffers -------------------------------------------------

// AsioMessage selectors.
inline constexpr int32_t kAsioSelectorSupported = 1;
inline constexpr int32_t kAsioEngineVersion = 2;
inline constexpr int32_t kAsioResetRequest = 3;
inline constexpr int32_t kAsioBufferSizeChange = 4;
inline constexpr int32_t kAsioResyncRequest = 5;
inline constexpr int32_t kAsioLatenciesChanged = 6;
inline constexpr int32_t kAsioSupportsTimeInfo = 7;
inline constexpr int32_t kAsioSupportsTimeCode = 8;
inline constexpr int32_t kAsioMMCCommand = 9;
inline constexpr int32_t kAsioSupportsInputMonitor = 10;

struct TAsioCallbacks {
    void (*bufferSwitch)(int32_t doubleBufferIndex, TAsioBool directProcess) = nullptr;
    void (*sampleRateDidChange)(TAsioSampleRate sampleRate) = nullptr;
    int32_t (*AsioMessage)(int32_t selector, int32_t value, void* message, double* opt) = nullptr;
    TAsioTime* (*bufferSwitchTimeInfo)(TAsioTime* params, int32_t doubleBufferIndex, TAsioBool directProcess) = nullptr;
};

// Future selectors.
inline constexpr int32_t kAsioEnableTimeCodeRead = 1;
inline constexpr int32_t kAsioDisableTimeCodeRead = 2;
inline constexpr int32_t kAsioSetInputMonitor = 3;
inline constexpr int32_t kAsioTransport = 4;
inline constexpr int32_t kAsioSetInputGain = 5;
inline constexpr int32_t kAsioGetInputMeter = 6;
inline constexpr int32_t kAsioSetOutputGain = 7;
inline constexpr int32_t kAsioGetOutputMeter = 8;
inline constexpr int32_t kAsioCanInputMonitor = 9;
inline constexpr int32_t kAsioCanTimeInfo = 10;
inline constexpr int32_t kAsioCanTimeCode = 11;
inline constexpr int32_t kAsioCanTransport = 12;
inline constexpr int32_t kAsioCanInputGain = 13;
inline constexpr int32_t kAsioCanInputMeter = 14;
inline constexpr int32_t kAsioCanOutputGain = 15;
inline constexpr int32_t kAsioCanOutputMeter = 16;

// ---- The driver object -------------------------------------------------------------------------

// Reference counted like a COM object: it is created with one reference, AddRef and Release count,
// and the object deletes itself when the count reaches zero. QueryInterface hands out the driver
// interface under the driver's own CLSID.
class IAsioDriver {
public:
    virtual int32_t QueryInterface(const TGuid& iid, void** object) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

    // 1. 1 when ready; 0 or one of the error codes above on failure. sysHandle is the host's window
    //    handle (may be null).
    virtual TAsioBool Init(void* sysHandle) = 0;
    // 2. Zero-terminated name into 256 bytes.
    virtual void GetDriverName(char* name) = 0;
    // 3.
    virtual int32_t GetDriverVersion() = 0;
    // 4. Zero-terminated text into 128 bytes.
    virtual void GetErrorMessage(char* text) = 0;
    // 5., 6. kAsioOK when done.
    virtual TAsioError Start() = 0;
    virtual TAsioError Stop() = 0;
    // 7.
    virtual TAsioError GetChannels(int32_t* numInputChannels, int32_t* numOutputChannels) = 0;
    // 8. In samples.
    virtual TAsioError GetLatencies(int32_t* inputLatency, int32_t* outputLatency) = 0;
    // 9. granularity -1: powers of two between min and max; 0: only preferred; > 0: steps.
    virtual TAsioError GetBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferredSize,
                                     int32_t* granularity) = 0;
    // 10. kAsioOK when the rate is supported.
    virtual TAsioError CanSampleRate(TAsioSampleRate sampleRate) = 0;
    // 11.
    virtual TAsioError GetSampleRate(TAsioSampleRate* sampleRate) = 0;
    // 12.
    virtual TAsioError SetSampleRate(TAsioSampleRate sampleRate) = 0;
    // 13. clocks points to *numSources records; the driver sets *numSources to what it filled.
    virtual TAsioError GetClockSources(TAsioClockSource* clocks, int32_t* numSources) = 0;
    // 14.
    virtual TAsioError SetClockSource(int32_t reference) = 0;
    // 15. kAsioOK when both values are valid. Called from the block's thread too.
    virtual TAsioError GetSamplePosition(TAsioInt64* samplePosition, TAsioInt64* timeStamp) = 0;
    // 16. Channel and IsInput are set by the host; the driver fills the rest.
    virtual TAsioError GetChannelInfo(TAsioChannelInfo* info) = 0;
    // 17. See the contract above.
    virtual TAsioError CreateBuffers(TAsioBufferInfo* bufferInfos, int32_t numChannels, int32_t bufferSize,
                                     TAsioCallbacks* callbacks) = 0;
    // 18.
    virtual TAsioError DisposeBuffers() = 0;
    // 19. Opens the driver's own settings dialog.
    virtual TAsioError ControlPanel() = 0;
    // 20. kAsioSuccessFuture when the selector is supported (and, for 5 to 8, done).
    virtual TAsioError Future(int32_t selector, void* opt) = 0;
    // 21. Called from the block's thread once the outputs of the half are written.
    virtual TAsioError OutputReady() = 0;

protected:
    virtual ~IAsioDriver() = default;
};

// ---- Plugin modules ----------------------------------------------------------------------------

// One device that a module offers; it becomes one entry of the host's driver list.
struct TAsioDeviceEntry {
    char Name[128] = {};         // sub-key name: stable, unique within the module
    char Description[128] = {};  // what the driver list shows; empty falls back to Name
    TGuid Clsid;                 // AsioClsidFromDeviceName(Name) unless the module has its own
};

// Exported symbol names.
inline constexpr const char* kAsioListDevicesSymbol = "quenthal_asio_list_devices";
inline constexpr const char* kAsioCreateDriverSymbol = "quenthal_asio_create_driver";

// Fills up to capacity entries and returns how many devices there are (may exceed capacity).
using TAsioListDevicesFunction = int32_t (*)(TAsioDeviceEntry* entries, int32_t capacity);
// kAsioOK with *driver holding one reference, or kAsioNotPresent for an unknown CLSID.
using TAsioCreateDriverFunction = int32_t (*)(const TGuid* clsid, IAsioDriver** driver);

// A CLSID that stays the same for the same device name on every machine and every run: two FNV-1a
// hashes of the name, stamped as a name-based (version 5 style) GUID.
inline TGuid AsioClsidFromDeviceName(const char* name) noexcept {
    uint64_t a = 0xcbf29ce484222325ull;
    uint64_t b = 0x84222325cbf29ce4ull;
    for (const char* p = name; *p; ++p) {
        a = (a ^ static_cast<uint8_t>(*p)) * 0x100000001b3ull;
        b = (b ^ static_cast<uint8_t>(*p)) * 0x100000001b3ull;
        b ^= b >> 29;
    }
    TGuid guid;
    guid.D1 = static_cast<uint32_t>(a >> 32);
    guid.D2 = static_cast<uint16_t>(a >> 16);
    guid.D3 = static_cast<uint16_t>((a & 0x0fff) | 0x5000);
    for (int i = 0; i < 8; ++i) guid.D4[i] = static_cast<uint8_t>(b >> (56 - 8 * i));
    guid.D4[0] = static_cast<uint8_t>((guid.D4[0] & 0x3f) | 0x80);
    return guid;
}

// Registry form of a GUID: "{01234567-89AB-CDEF-0123-456789ABCDEF}" (upper-case hexadecimal).
inline std::string GuidToString(const TGuid& guid) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.D1, guid.D2,
                  guid.D3, guid.D4[0], guid.D4[1], guid.D4[2], guid.D4[3], guid.D4[4], guid.D4[5], guid.D4[6],
                  guid.D4[7]);
    return text;
}

// Parses the registry form (either letter case); false for anything else.
inline bool TryParseGuid(const std::string& text, TGuid& guid) noexcept {
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
    uint8_t bytes[16];
    size_t pos = 1;
    for (int i = 0; i < 16; ++i) {
        if (pos == 9 || pos == 14 || pos == 19 || pos == 24) {
            if (text[pos] != '-') return false;
            ++pos;
        }
        int value = 0;
        for (int k = 0; k < 2; ++k) {
            const char c = text[pos++];
            int digit;
            if (c >= '0' && c <= '9') digit = c - '0';
            else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            else return false;
            value = value * 16 + digit;
        }
        bytes[i] = static_cast<uint8_t>(value);
    }
    if (pos != 37) return false;
    guid.D1 = (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
    guid.D2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
    guid.D3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
    std::memcpy(guid.D4, bytes + 8, 8);
    return true;
}

}  // namespace quenthal

extern "C" {
// Declarations of the two exports; a module defines them with these names.
int32_t quenthal_asio_list_devices(quenthal::TAsioDeviceEntry* entries, int32_t capacity);
int32_t quenthal_asio_create_driver(const quenthal::TGuid* clsid, quenthal::IAsioDriver** driver);
}
