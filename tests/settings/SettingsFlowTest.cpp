#include "settings/SettingsFlow.h"

#include "app/Language.h"
#include "app/SettingsSupport.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

namespace quenthal {
namespace {

// The window's side as the main window will fill it in: records what the flow asks of it.
struct TRecordingWindow : ISettingsWindow {
    TWindowBounds WindowBounds() const override { return Bounds; }
    void ApplyWindowBounds(const TWindowBounds& bounds) override { Bounds = bounds; }
    int32_t MasterSliderPosition() const override { return iSlider; }
    void SetMasterSliderPosition(int32_t position) override { iSlider = position; }
    std::string DriverSelectionText() const override { return stDriver; }
    std::string SampleRateSelectionText() const override { return stRate; }
    void ReportPresetFolderFailure() override {
        ++iFolderFailures;
        ShowPresetFolderError();
    }
    void WriteFactoryPresets(const std::string& presetPath) override { FactoryPresetPaths.push_back(presetPath); }
    void ShowPresetFileName(const std::string& fileName) override { stStatusPanel = fileName; }

    TWindowBounds Bounds{379, 376, 710, 410};
    int32_t iSlider = 0;
    std::string stDriver = "WAV file writer";
    std::string stRate = "48000";
    int iFolderFailures = 0;
    std::vector<std::string> FactoryPresetPaths;
    std::string stStatusPanel;
};

class SettingsFlowTest : public ::testing::Test {
protected:
    TSettingsPlaces Places() const {
        return TSettingsPlaces{FProgram.File("Qth.ini"), FHome.File("Documents/Quenthal")};
    }
    TTempFolder FHome{"flow-home"};
    TTempFolder FProgram{"flow-program"};
    TRecordingWindow FWindow;
    TScriptedDialogs FDialogs;
    const TLocaleNumberText FNumbers{"."};
};

TEST_F(SettingsFlowTest, FirstStartWithoutAnyFile) {
    const TQthSettings settings = RunIniRead(Places(), FWindow, FNumbers, false);
    EXPECT_TRUE(std::filesystem::is_directory(FHome.Path() / "Documents/Quenthal"));
    EXPECT_EQ(FWindow.Bounds.iLeft, 379);
    EXPECT_EQ(FWindow.Bounds.iTop, 376);
    EXPECT_EQ(FWindow.Bounds.iWidth, 710);
    EXPECT_EQ(FWindow.Bounds.iHeight, 360);  // the window raises it to its minimum itself
    EXPECT_EQ(FWindow.iSlider, 60);
    EXPECT_EQ(settings.bSignalPage, 4);
    EXPECT_EQ(settings.iPreSetFilter, 1);
    EXPECT_TRUE(settings.boSW);
    const std::string preset = FHome.File("Documents/Quenthal/preset.qth");
    EXPECT_EQ(settings.stPresetFile, preset);
    EXPECT_EQ(FWindow.FactoryPresetPaths, std::vector<std::string>{preset});  // no preset file yet
    EXPECT_EQ(FWindow.stStatusPanel, "preset.qth");
    EXPECT_TRUE(FDialogs.Records().empty());
    EXPECT_FALSE(std::filesystem::exists(FProgram.File("Qth.ini")));  // reading writes nothing
}

TEST_F(SettingsFlowTest, FactoryPresetsOnlyWhenAskedOrMissing) {
    FProgram.Write("Qth.ini", "[PreSet]\nfile=" + FProgram.File("live.qth") + "\n");
    FProgram.Write("live.qth", "PV1");
    RunIniRead(Places(), FWindow, FNumbers, false);
    EXPECT_TRUE(FWindow.FactoryPresetPaths.empty());
    EXPECT_EQ(FWindow.stStatusPanel, "live.qth");
    RunIniRead(Places(), FWindow, FNumbers, true);
    EXPECT_EQ(FWindow.FactoryPresetPaths, std::vector<std::string>{FProgram.File("live.qth")});
}

TEST_F(SettingsFlowTest, FolderFailureShowsMessage302AndReadingGoesOn) {
    FHome.Write("Documents", "a file where the folder belongs");
    FProgram.Write("Qth.ini", "[System]\nMasterG=120\n");
    const TQthSettings settings = RunIniRead(Places(), FWindow, FNumbers, false);
    EXPECT_EQ(FWindow.iFolderFailures, 1);
    ASSERT_EQ(FDialogs.Records().size(), 1u);
    EXPECT_EQ(FDialogs.Records()[0].Message.Kind, TDialogKind::Error);
    EXPECT_EQ(FDialogs.Records()[0].Message.stText, "Can not create folder for ini file!");
    EXPECT_EQ(FDialogs.Records()[0].Message.Buttons, std::vector<TDialogButton>{TDialogButton::Ok});
    EXPECT_EQ(FWindow.iSlider, 120);
    EXPECT_EQ(settings.stPresetFile, FHome.File("Documents/Quenthal/preset.qth"));
}

TEST_F(SettingsFlowTest, Message302InGerman) {
    UnloadLanguageFile();
    FProgram.Write("Qth_DE.txt", "302_Ordner f\xFCr die INI-Datei kann nicht angelegt werden!\n");
    ASSERT_TRUE(LoadLanguageFile(FProgram.File("Qth_DE.txt"), true));
    FHome.Write("Documents", "a file where the folder belongs");
    RunIniRead(Places(), FWindow, FNumbers, false);
    UnloadLanguageFile();
    EXPECT_EQ(FDialogs.MessageTexts(), std::vector<std::string>{"Ordner für die INI-Datei kann nicht angelegt werden!"});
}

TEST_F(SettingsFlowTest, WriteTakesTheWindowControlsAndReadsBackTheSame) {
    TQthSettings state = RunIniRead(Places(), FWindow, FNumbers, false);
    FWindow.Bounds = {100, 200, 900, 500};
    FWindow.iSlider = 333;
    state.bStyle = 3;
    state.fCalmV = 123.4f;
    RunIniWrite(Places(), FWindow, state, FNumbers);

    const std::string text = FProgram.Read("Qth.ini");
    EXPECT_NE(text.find("FLeft=100\nFTop=200\nFWidth=900\nFHeight=500\nStyle=3\n"), std::string::npos) << text;
    EXPECT_NE(text.find("MasterG=333\n[Audio]\nDriver Name=WAV file writer\nSR=48000\n[PreSet]\nfile=" +
                        FHome.File("Documents/Quenthal/preset.qth") + "\n[Cal]\nGain=0\nmV=123.400001525879\n"),
              std::string::npos)
        << text;

    TRecordingWindow next;
    const TQthSettings again = RunIniRead(Places(), next, FNumbers, false);
    EXPECT_EQ(next.Bounds.iLeft, 100);
    EXPECT_EQ(next.Bounds.iHeight, 500);
    EXPECT_EQ(next.iSlider, 333);
    EXPECT_EQ(again.bStyle, 3);
    EXPECT_EQ(again.fCalmV, 123.4f);
    EXPECT_EQ(again.stDriverName, "WAV file writer");
    EXPECT_EQ(again.stSR, "48000");
}

TEST_F(SettingsFlowTest, WriteCreatesTheConfigFolderAndReportsARefusal) {
    const TSettingsPlaces config{FHome.File(".config/Quenthal/Qth.ini"), FHome.File("Documents/Quenthal")};
    RunIniWrite(config, FWindow, TQthSettings{}, FNumbers);
    EXPECT_TRUE(std::filesystem::exists(config.stIniPath));

    ::chmod(config.stIniPath.c_str(), 0444);
    const std::string before = FHome.Read(".config/Quenthal/Qth.ini");
    FWindow.iSlider = 5;
    EXPECT_THROW(RunIniWrite(config, FWindow, TQthSettings{}, FNumbers), ESettingsError);
    EXPECT_EQ(FHome.Read(".config/Quenthal/Qth.ini"), before);
}

}  // namespace
}  // namespace quenthal
