#include "app/SettingsSupport.h"

#include "app/Language.h"
#include "app/NumberFormats.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "platform/Locale.h"

namespace quenthal {

TLocaleNumberText::TLocaleNumberText() : FSeparator(UserLocale().stDecimalSeparator) {}
TLocaleNumberText::TLocaleNumberText(std::string decimalSeparator) : FSeparator(std::move(decimalSeparator)) {}

std::string TLocaleNumberText::FloatToText(double value) const { return FormatGeneral(value, FSeparator); }

std::optional<double> TLocaleNumberText::TextToFloat(const std::string& text) const {
    return ParseFloat(text, FSeparator);
}

void ShowPresetFolderError() {
    TMessageBox box;
    box.Kind = TDialogKind::Error;
    box.stText = TranslateText("Can not create folder for ini file!", 302);
    box.Buttons = {TDialogButton::Ok};
    Dialogs().ShowMessage(box);
}

TSettingsPlaces SettingsPlaces(const TFolders& folders) {
    return TSettingsPlaces{folders.SettingsFilePath(), folders.PresetFolder()};
}

}  // namespace quenthal
