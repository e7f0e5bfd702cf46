#include "presets/LastSetting.h"

#include "PresetFixtures.h"
#include "presets/PresetFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace quenthal {
namespace {

namespace fs = std::filesystem;

TEST(LastSettingFile, LivesBesideThePresetFile) {
    EXPECT_EQ(LastSettingFilePath("/home/ute/Documents/Quenthal/preset.qth"), "/home/ute/Documents/Quenthal/last.qth");
    EXPECT_EQ(LastSettingFilePath("/media/usb/Messung 3.qth"), "/media/usb/last.qth");
    EXPECT_EQ(LastSettingFilePath("/preset.qth"), "/last.qth");
    EXPECT_EQ(LastSettingFilePath("preset.qth"), "last.qth");
}

TEST(LastSettingFile, MissingFileIsNoErrorAndAWrittenOneReadsBack) {
    const fs::path folder = fs::temp_directory_path() / ("quenthal-last-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string presetPath = (folder / "meine.qth").string();

    auto table = WitnessTable();
    EXPECT_FALSE(LoadLastSettingFile(presetPath, *table));
    EXPECT_EQ(*table, *WitnessTable());

    SaveLastSettingFile(presetPath, *GoldenTable());
    EXPECT_TRUE(fs::exists(folder / "last.qth"));
    EXPECT_FALSE(fs::exists(presetPath));
    EXPECT_TRUE(LoadLastSettingFile(presetPath, *table));
    EXPECT_EQ(*table, *GoldenTable());

    // A damaged snapshot is reported like any preset file and costs the table nothing.
    WriteFile(folder / "last.qth", "PV1\x02");
    table = WitnessTable();
    EXPECT_THROW(LoadLastSettingFile(presetPath, *table), EPresetFileError);
    EXPECT_EQ(*table, *WitnessTable());
    fs::remove_all(folder);
}

}  // namespace
}  // namespace quenthal
