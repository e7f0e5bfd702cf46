#include "presets/LastSetting.h"

#include "presets/PresetFile.h"

#include <filesystem>
#include <system_error>

namespace quenthal {

std::string LastSettingFilePath(const std::string& presetFilePath) {
    const auto slash = presetFilePath.find_last_of('/');
    if (slash == std::string::npos) return "last.qth";
    return presetFilePath.substr(0, slash + 1) + "last.qth";
}

void SaveLastSettingFile(const std::string& presetFilePath, const tSpeichertasten& lastSettingTable) {
    SavePresetFile(LastSettingFilePath(presetFilePath), lastSettingTable);
}

bool LoadLastSettingFile(const std::string& presetFilePath, tSpeichertasten& lastSettingTable) {
    const std::string path = LastSettingFilePath(presetFilePath);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return false;
    return LoadPresetFile(path, lastSettingTable);
}

}  // namespace quenthal
