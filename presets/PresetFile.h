#pragma once
// The preset file: magic "PV1", version byte 1, then 32 key records of variable length, all numbers
// little-endian, strings as a signed 32-bit byte count followed by that many UTF-8 bytes. The preset
// file and the last-setting file share this format.

#include "presets/Speichertasten.h"

#include <cstddef>
#include <span>
#include <stdexcept>
#include <string>

namespace quenthal {

// Failures of the preset file layer; what() is the message the main window shows.
class EPresetFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::size_t kPresetHeaderSize = 4;
inline constexpr std::size_t kSlotRecordSize = 36;
inline constexpr std::size_t kOutputRecordSize = kSlotsPerOutput * kSlotRecordSize + 2;  // 362
// A key record without the bytes of its two strings.
inline constexpr std::size_t kKeyRecordFixedSize = 8 + 4 + 4 + kOutputsPerKey * kOutputRecordSize + 1 + 4 + 4;

// The file's bytes for a table. Throws EPresetFileError for a string longer than a count can say.
std::string PresetFileBytes(const tSpeichertasten& table);

// Reads a whole file image into the table. The table is replaced only when all 32 records were read;
// on any error it is left exactly as it was. Bytes after the 32nd record are ignored.
void ReadPresetFileBytes(std::span<const std::byte> bytes, tSpeichertasten& table);

// Writes the table to the file atomically: a crash or a full disk leaves the old file or the new one.
void SavePresetFile(const std::string& fileName, const tSpeichertasten& table);

// Reads the file into the table; true when all 32 records were read. Every failure is raised as
// EPresetFileError (so false is never returned) and leaves the table as it was. Every field of the
// table is replaced on success, so callers need not empty its strings first; doing so would only
// lose the names when the file is refused.
bool LoadPresetFile(const std::string& fileName, tSpeichertasten& table);

}  // namespace quenthal
