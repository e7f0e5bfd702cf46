#include "settings/SettingsFlow.h"

#include "platform/FileNames.h"

#include <filesystem>

namespace quenthal {

namespace fs = std::filesystem;

std::string ResolvePresetFilePath(const std::string& value, const std::string& presetFolder) {
    const std::string file = ExtractBaseName(value).empty() ? std::string(kDefaultPresetFile) : value;
    if (HasFolderPart(file)) return file;
    return (fs::path(presetFolder) / file).string();
}

TQthSettings RunIniRead(const TSettingsPlaces& places, ISettingsWindow& window,
                        const ISettingsNumberText& numbers, bool boCreateManualSpeichertasten) {
    std::error_code error;
    fs::create_directories(places.stPresetFolder, error);
    if (error || !fs::is_directory(places.stPresetFolder, error)) window.ReportPresetFolderFailure();

    const TIniProfile ini(places.stIniPath);
    TQthSettings settings = ReadQthSettings(ini.Document(), numbers, window.WindowBounds());
    window.ApplyWindowBounds(settings.Bounds);
    window.SetMasterSliderPosition(settings.iMasterG);

    settings.stPresetFile = ResolvePresetFilePath(settings.stPresetFile, places.stPresetFolder);
    if (boCreateManualSpeichertasten || !fs::exists(settings.stPresetFile, error))
        window.WriteFactoryPresets(settings.stPresetFile);
    window.ShowPresetFileName(ExtractFileName(settings.stPresetFile));
    return settings;
}

void RunIniWrite(const TSettingsPlaces& places, const ISettingsWindow& window, const TQthSettings& state,
                 const ISettingsNumberText& numbers) {
    TQthSettings settings = state;
    settings.Bounds = window.WindowBounds();
    settings.iMasterG = window.MasterSliderPosition();
    settings.stDriverName = window.DriverSelectionText();
    settings.stSR = window.SampleRateSelectionText();

    const fs::path folder = fs::path(places.stIniPath).parent_path();
    std::error_code error;
    if (!folder.empty()) fs::create_directories(folder, error);  // a refusal shows in the write
    TIniProfile ini(places.stIniPath);
    WriteQthSettings(ini, settings, numbers);
}

}  // namespace quenthal
