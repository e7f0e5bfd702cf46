#pragma once
// What the program hands to the settings layer: float text in the user's number format, the
// error box of message 302, and the places of Qth.ini and the preset folder.

#include "settings/SettingsFlow.h"

#include <string>

namespace quenthal {

class TFolders;

// General format with 15 digits and the user's decimal separator (or the one given).
class TLocaleNumberText : public ISettingsNumberText {
public:
    TLocaleNumberText();
    explicit TLocaleNumberText(std::string decimalSeparator);
    std::string FloatToText(double value) const override;
    std::optional<double> TextToFloat(const std::string& text) const override;

private:
    std::string FSeparator;
};

// "Can not create folder for ini file!" (302), translated, as an error box with an OK button.
void ShowPresetFolderError();

// Qth.ini and the preset folder of these folders.
TSettingsPlaces SettingsPlaces(const TFolders& folders);

}  // namespace quenthal
