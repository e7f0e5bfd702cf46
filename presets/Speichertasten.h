#pragma once
// The memory keys: 32 presets, each one complete setting of one signal kind plus the master gain,
// driver name and sample rate that were in use when it was stored. A second table of the same type
// holds the last-setting snapshot of the five signal pages.

#include <array>
#include <cstdint>
#include <string>

namespace quenthal {

// Signal kind codes; also the preset list's group numbers.
namespace SignalKind {
inline constexpr std::uint8_t Free = 0;
inline constexpr std::uint8_t Sine = 1;
inline constexpr std::uint8_t Square = 2;
inline constexpr std::uint8_t Sweep = 3;
inline constexpr std::uint8_t Pink = 4;
inline constexpr std::uint8_t White = 5;
}  // namespace SignalKind

inline constexpr int kSlotsPerOutput = 10;
inline constexpr int kOutputsPerKey = 32;
inline constexpr int kKeyCount = 32;

struct TSignalSlot {
    double dFrequency = 0;      // Hz; start frequency for a sweep
    double dStopFrequency = 0;  // Hz; sweep only
    double dGain = 0;           // linear, 1.0 = full scale
    double dParam = 0;          // burst length, duty ratio or sweep duration, by kind
    std::int32_t iFlag = 0;     // burst switch of a sine key
    bool operator==(const TSignalSlot&) const = default;
};

struct TOutputSetting {
    std::array<TSignalSlot, kSlotsPerOutput> ArrSlot{};
    std::uint8_t bSlotCount = 0;
    std::uint8_t bSignalKind = 0;
    bool operator==(const TOutputSetting&) const = default;
};

struct TSpeichertaste {
    double dMasterGain = 0;  // linear, 1.0 = 0 dB
    std::string stASIOinterface;  // UTF-8
    std::int32_t iASIOSamplerate = 0;
    std::array<TOutputSetting, kOutputsPerKey> ArrOutput{};
    std::uint8_t bArrAnzahlAusgaenge = 0;
    std::string stTextSpeichertaste;  // UTF-8
    std::int32_t iTag = 0;  // sweep loop: 1 repeats, anything else plays once
    bool operator==(const TSpeichertaste&) const = default;
};

// Key number n of the user interface is entry n - 1. About 420 KiB: keep tables on the heap.
struct tSpeichertasten {
    std::array<TSpeichertaste, kKeyCount> ArrSpeichertasten{};
    bool operator==(const tSpeichertasten&) const = default;
};

// The two tables that live as long as the process: owned by the main window, not by this module.
struct TPresetTables {
    tSpeichertasten PresetTable;
    tSpeichertasten LastSettingTable;
};

// Reader rules: a key's kind and sine count come from output 1 and hold for all its outputs.
std::uint8_t SignalKindOf(const TSpeichertaste& key);
int SlotCountOf(const TSpeichertaste& key);    // 1 to 10: 0 counts as 1, above 10 as 10
int OutputCountOf(const TSpeichertaste& key);  // at most 32

// Every name and driver name becomes empty; the numbers stay until a file read replaces them.
void EmptyPresetStrings(tSpeichertasten& table);

// Writes the factory presets into keys 1 to 6, only the fields they define; every other field and
// keys 7 to 32 keep their content.
void WriteFactoryPresets(tSpeichertasten& table);

// A key read from a file may carry NaN or infinite values, which are kept as stored. Applying a key
// must not pass them to the engine: this is true only when every value that the key's kind reads is
// finite (master gain; per kind the frequencies, gains and parameters that applying uses).
bool KeyValuesAreFinite(const TSpeichertaste& key);

}  // namespace quenthal
