#pragma once
// The steps of the main window's INIRead and iniWrite around the settings file. What belongs to the
// window (its bounds, the master slider, the selection boxes, message 302, the factory presets and
// the status bar) goes through ISettingsWindow, which the window fills in.

#include "settings/SettingsFile.h"

#include <string>

namespace quenthal {

class ISettingsWindow {
public:
    virtual ~ISettingsWindow() = default;
    virtual TWindowBounds WindowBounds() const = 0;
    virtual void ApplyWindowBounds(const TWindowBounds& bounds) = 0;
    // The slider's own change handling sets the master gain.
    virtual int32_t MasterSliderPosition() const = 0;
    virtual void SetMasterSliderPosition(int32_t position) = 0;
    virtual std::string DriverSelectionText() const = 0;
    virtual std::string SampleRateSelectionText() const = 0;
    // "Can not create folder for ini file!" (302) as an error box with an OK button.
    virtual void ReportPresetFolderFailure() = 0;
    // The factory-preset step on the preset table, then the table written to presetPath.
    virtual void WriteFactoryPresets(const std::string& presetPath) = 0;
    // The preset file's name, without its folder, in the status bar's first panel.
    virtual void ShowPresetFileName(const std::string& fileName) = 0;
};

struct TSettingsPlaces {
    std::string stIniPath;       // Qth.ini
    std::string stPresetFolder;  // "Quenthal" below the documents folder
};

// "preset.qth" when the value's file name is empty up to its first dot; a value without a folder
// goes into presetFolder; a value with a folder stays as it is.
std::string ResolvePresetFilePath(const std::string& value, const std::string& presetFolder);

// Creates the preset folder (302 on failure, then goes on), reads every value, applies bounds and
// master slider to the window, resolves the preset file path, runs the factory presets when asked
// to or when that file is missing, and shows its name. The result holds the resolved path.
TQthSettings RunIniRead(const TSettingsPlaces& places, ISettingsWindow& window,
                        const ISettingsNumberText& numbers, bool boCreateManualSpeichertasten);

// Writes every key: bounds, master slider and the two selection texts from the window, the rest
// from state. Creates the file's folder when it is missing. Throws ESettingsError on refusal.
void RunIniWrite(const TSettingsPlaces& places, const ISettingsWindow& window, const TQthSettings& state,
                 const ISettingsNumberText& numbers);

}  // namespace quenthal
