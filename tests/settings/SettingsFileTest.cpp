#include "settings/SettingsFile.h"
#include "settings/SettingsFlow.h"

#include "app/SettingsSupport.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quenthal {
namespace {

TEST(ProfileIntegerTest, ConvertsLikeTheProfileReader) {
    struct TCase {
        const char* szText;
        std::optional<int32_t> value;
    };
    for (const TCase& c : {TCase{"60", 60}, TCase{"-5", -5}, TCase{"+7", 7}, TCase{"0x1F", 31}, TCase{"$ff", 255},
                           TCase{"$FFFFFFFF", -1}, TCase{"2147483647", 2147483647}, TCase{"-2147483648", INT32_MIN},
                           TCase{"2147483648", std::nullopt}, TCase{"99999999999999999999", std::nullopt},
                           TCase{"", std::nullopt}, TCase{"abc", std::nullopt}, TCase{"12abc", std::nullopt},
                           TCase{"1.5", std::nullopt}, TCase{"0x", std::nullopt}, TCase{"-", std::nullopt}}) {
        EXPECT_EQ(ParseProfileInteger(c.szText), c.value) << c.szText;
    }
}

TEST(ReadQthSettingsTest, EmptyFileGivesEveryDefault) {
    const TLocaleNumberText numbers(".");
    const TQthSettings settings = ReadQthSettings(TIniDocument{}, numbers, TWindowBounds{379, 376, 0, 0});
    EXPECT_EQ(settings.Bounds.iLeft, 379);
    EXPECT_EQ(settings.Bounds.iTop, 376);
    EXPECT_EQ(settings.Bounds.iWidth, 710);
    EXPECT_EQ(settings.Bounds.iHeight, 360);
    EXPECT_EQ(settings.bStyle, 0);
    EXPECT_EQ(settings.bSignalPage, 4);
    EXPECT_EQ(settings.iUnit, 0);
    EXPECT_TRUE(settings.boSW);
    EXPECT_EQ(settings.iPreSetFilter, 1);
    EXPECT_EQ(settings.iMasterG, 60);
    EXPECT_EQ(settings.fCalGain, 0);
    EXPECT_EQ(settings.fCalmV, 0);
    EXPECT_EQ(settings.stDriverName, "");
    EXPECT_EQ(settings.stSR, "44100");
    EXPECT_EQ(settings.stPresetFile, "preset.qth");
}

TEST(ReadQthSettingsTest, DamagedValuesReadAsTheirDefaults) {
    const auto ini = TIniDocument::Parse(
        "\x01\x02garbage\xFF line\n"
        "[System]\n"
        "FLeft=left\n"
        "FTop=99999999999999999999999\n"
        "FWidth=800\n"
        "Style=300\n"           // a byte keeps its low eight bits
        "SignalPage=-1\n"
        "Unit=7\n"
        "SW=no\n"
        "PreSetFilter=2\n"
        "MasterG=2000\n"
        "[Cal]\n"
        "Gain=1e999\n"           // beyond double
        "mV=1e300\n"             // beyond single
        "[Audio]\n"
        "Driver Name=\n"
        "SR=\n"
        "[PreSet]\n"
        "file=\n");
    const TLocaleNumberText numbers(".");
    const TQthSettings settings = ReadQthSettings(ini, numbers, TWindowBounds{10, 20, 0, 0});
    EXPECT_EQ(settings.Bounds.iLeft, 10);
    EXPECT_EQ(settings.Bounds.iTop, 20);
    EXPECT_EQ(settings.Bounds.iWidth, 800);
    EXPECT_EQ(settings.bStyle, 44);
    EXPECT_EQ(settings.bSignalPage, 255);
    EXPECT_EQ(settings.iUnit, 7);
    EXPECT_TRUE(settings.boSW);
    EXPECT_EQ(settings.iPreSetFilter, 2);
    EXPECT_EQ(settings.iMasterG, 900);
    EXPECT_EQ(settings.fCalGain, 0);
    EXPECT_EQ(settings.fCalmV, 0);
    EXPECT_EQ(settings.stDriverName, "");
    EXPECT_EQ(settings.stSR, "44100");  // empty means 44100, like a missing key
    EXPECT_EQ(settings.stPresetFile, "");  // present but empty: the path rules decide

    EXPECT_EQ(ReadQthSettings(TIniDocument::Parse("[System]\nMasterG=-40\nSW=0\n"), numbers, {}).iMasterG, 0);
    EXPECT_FALSE(ReadQthSettings(TIniDocument::Parse("[System]\nSW=0\n"), numbers, {}).boSW);
}

TEST(ReadQthSettingsTest, CalibrationInTheUserNumberFormat) {
    const auto ini = TIniDocument::Parse("[Cal]\nGain=0,354813397\nmV=123,400001525879\n");
    const TQthSettings comma = ReadQthSettings(ini, TLocaleNumberText(","), {});
    EXPECT_EQ(comma.fCalGain, 0.354813397f);
    EXPECT_EQ(comma.fCalmV, 123.4f);
    const TQthSettings dot = ReadQthSettings(ini, TLocaleNumberText("."), {});
    EXPECT_EQ(dot.fCalmV, 0);  // "123,4" is no number where the point separates decimals
}

TEST(PresetPathTest, ResolvesIntoTheQuenthalFolder) {
    const std::string folder = "/home/u/Documents/Quenthal";
    EXPECT_EQ(ResolvePresetFilePath("preset.qth", folder), folder + "/preset.qth");
    EXPECT_EQ(ResolvePresetFilePath("", folder), folder + "/preset.qth");
    EXPECT_EQ(ResolvePresetFilePath(".qth", folder), folder + "/preset.qth");
    EXPECT_EQ(ResolvePresetFilePath("/data/.hidden.qth", folder), folder + "/preset.qth");
    EXPECT_EQ(ResolvePresetFilePath("mine.qth", folder), folder + "/mine.qth");
    EXPECT_EQ(ResolvePresetFilePath("/data/sets/live.qth", folder), "/data/sets/live.qth");
    EXPECT_EQ(ResolvePresetFilePath("sets/live", folder), "sets/live");
}

class WriteQthSettingsTest : public ::testing::Test {
protected:
    TTempFolder FFolder{"settings"};
};

TEST_F(WriteQthSettingsTest, WritesEveryKeyInOrderAndReadsBack) {
    TQthSettings settings;
    settings.Bounds = {-20, 5, 1024, 600};
    settings.bStyle = 2;
    settings.bSignalPage = 3;
    settings.iUnit = 2;
    settings.boSW = false;
    settings.iPreSetFilter = 0;
    settings.iMasterG = 900;
    settings.fCalGain = static_cast<float>(0.501187 * 0.707946);
    settings.fCalmV = 123.4f;
    settings.stDriverName = "JACK Audio Connection Kit";
    settings.stSR = "48000";
    settings.stPresetFile = "/home/u/Documents/Quenthal/preset.qth";
    TIniProfile ini(FFolder.File("Qth.ini"));
    const TLocaleNumberText numbers(".");
    WriteQthSettings(ini, settings, numbers);
    EXPECT_EQ(FFolder.Read("Qth.ini"),
              "[System]\nFLeft=-20\nFTop=5\nFWidth=1024\nFHeight=600\nStyle=2\nSignalPage=3\nUnit=2\nSW=0\n"
              "PreSetFilter=0\nMasterG=900\n"
              "[Audio]\nDriver Name=JACK Audio Connection Kit\nSR=48000\n"
              "[PreSet]\nfile=/home/u/Documents/Quenthal/preset.qth\n"
              "[Cal]\nGain=0.35481333732605\nmV=123.400001525879\n");

    const TQthSettings back = ReadQthSettings(TIniProfile(FFolder.File("Qth.ini")).Document(), numbers, {});
    EXPECT_EQ(back.Bounds.iLeft, -20);
    EXPECT_EQ(back.Bounds.iHeight, 600);
    EXPECT_EQ(back.bSignalPage, 3);
    EXPECT_FALSE(back.boSW);
    EXPECT_EQ(back.fCalGain, settings.fCalGain);
    EXPECT_EQ(back.fCalmV, settings.fCalmV);
    EXPECT_EQ(back.stDriverName, settings.stDriverName);
    EXPECT_EQ(back.stPresetFile, settings.stPresetFile);
}

TEST_F(WriteQthSettingsTest, CommaLocaleAndUnknownLinesKept) {
    FFolder.Write("Qth.ini", "; my notes\r\n[cal]\r\nmV=1\r\nOther=kept\r\n");
    TQthSettings settings;
    settings.fCalmV = 123.4f;
    TIniProfile ini(FFolder.File("Qth.ini"));
    WriteQthSettings(ini, settings, TLocaleNumberText(","));
    const std::string text = FFolder.Read("Qth.ini");
    EXPECT_TRUE(text.starts_with("; my notes\r\n[cal]\r\nmV=123,400001525879\r\nOther=kept\r\nGain=0\r\n[System]\r\n")) << text;
}

TEST_F(WriteQthSettingsTest, ARefusedWriteNamesTheFileAndChangesNothing) {
    FFolder.Write("Qth.ini", "[System]\nFLeft=1\n");
    ::chmod(FFolder.File("Qth.ini").c_str(), 0444);
    TIniProfile ini(FFolder.File("Qth.ini"));
    try {
        WriteQthSettings(ini, TQthSettings{}, TLocaleNumberText("."));
        FAIL() << "no error";
    } catch (const ESettingsError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + FFolder.File("Qth.ini"));
    }
    EXPECT_EQ(FFolder.Read("Qth.ini"), "[System]\nFLeft=1\n");
}

}  // namespace
}  // namespace quenthal
