#pragma once
// The last-setting file: a snapshot of the five signal pages in keys 1 to 5, written at shutdown and
// applied at the next start. It lives as "last.qth" beside the current preset file and uses the
// preset file format.

#include "presets/Speichertasten.h"

#include <array>
#include <string>

namespace quenthal {

// The names of the five snapshot keys, sine first; stored as they stand, never translated.
inline constexpr std::array<const char*, 5> kLastSettingKeyNames = {"Sine", "Square", "Sweep", "Pink", "White"};

// "last.qth" in the folder of the preset file path.
std::string LastSettingFilePath(const std::string& presetFilePath);

// Writes the whole last-setting table; errors as SavePresetFile.
void SaveLastSettingFile(const std::string& presetFilePath, const tSpeichertasten& lastSettingTable);

// False, with the table untouched, when there is no last-setting file; otherwise reads it like
// LoadPresetFile (errors raised, the table kept on a rejected file) and returns true.
bool LoadLastSettingFile(const std::string& presetFilePath, tSpeichertasten& lastSettingTable);

}  // namespace quenthal
