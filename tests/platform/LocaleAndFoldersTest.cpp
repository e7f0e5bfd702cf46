#include "platform/Folders.h"
#include "platform/Locale.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace quenthal {
namespace {

TEST(LocaleTest, LanguageIdFollowsThePosixLocaleName) {
    struct TCase {
        const char* szName;
        uint16_t wId;
    };
    for (const TCase& c : {TCase{"de_DE.UTF-8", 0x0407}, TCase{"de_AT@euro", 0x0C07}, TCase{"de_CH.UTF-8", 0x0807},
                           TCase{"de", 0x0407}, TCase{"en_US.UTF-8", 0x0409}, TCase{"en_GB", 0x0809},
                           TCase{"fr_FR.UTF-8", 0x040C}, TCase{"C", 0x0409}, TCase{"POSIX", 0x0409},
                           TCase{"C.UTF-8", 0x0409}, TCase{"xx_YY", 0x0409}, TCase{"", 0x0409}}) {
        EXPECT_EQ(LanguageIdFromLocaleName(c.szName), c.wId) << c.szName;
    }
    EXPECT_EQ(PrimaryLanguageOf(0x0C07), kPrimaryLanguageGerman);
}

class EnvironmentTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG", "LC_NUMERIC"}) {
            const char* value = std::getenv(name);
            FSaved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(name);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : FSaved) {
            if (value) ::setenv(name.c_str(), value->c_str(), 1);
            else ::unsetenv(name.c_str());
        }
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> FSaved;
};

TEST_F(EnvironmentTest, LcAllThenLcMessagesThenLangDecide) {
    ::setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(LanguageIdFromEnvironment(), 0x0407);
    ::setenv("LC_MESSAGES", "en_GB.UTF-8", 1);
    EXPECT_EQ(LanguageIdFromEnvironment(), 0x0809);
    ::setenv("LC_ALL", "de_AT.UTF-8", 1);
    EXPECT_EQ(LanguageIdFromEnvironment(), 0x0C07);
    ::setenv("LC_ALL", "", 1);  // set but empty: the next one decides
    EXPECT_EQ(LanguageIdFromEnvironment(), 0x0809);
}

TEST_F(EnvironmentTest, DecimalSeparatorOfTheNumericLocale) {
    ::setenv("LC_ALL", "C", 1);
    EXPECT_EQ(DecimalSeparatorFromEnvironment(), ".");
    ::setenv("LC_ALL", "xx_NOT.INSTALLED", 1);
    EXPECT_EQ(DecimalSeparatorFromEnvironment(), ".");
}

// A German locale compiled into a private folder, so the test needs no system-wide locale.
TEST_F(EnvironmentTest, DecimalSeparatorOfAGermanLocale) {
    TTempFolder locales("locales");
    const std::string command = "localedef -i de_DE -f UTF-8 '" + locales.File("de_DE.UTF-8") + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const char* oldPath = std::getenv("LOCPATH");
    const std::optional<std::string> saved = oldPath ? std::optional<std::string>(oldPath) : std::nullopt;
    ::setenv("LOCPATH", locales.Path().c_str(), 1);
    ::setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(DecimalSeparatorFromEnvironment(), ",");
    ::setenv("LC_NUMERIC", "C", 1);  // numbers follow LC_NUMERIC over LANG
    EXPECT_EQ(DecimalSeparatorFromEnvironment(), ".");
    if (saved) ::setenv("LOCPATH", saved->c_str(), 1);
    else ::unsetenv("LOCPATH");
}

TEST(LocaleTest, ScopedLocaleReplacesAndRestores) {
    const TUserLocale before = UserLocale();
    {
        TScopedUserLocale german({",", 0x0407});
        EXPECT_EQ(UserLocale().stDecimalSeparator, ",");
        EXPECT_EQ(UserLocale().wLanguageId, 0x0407);
    }
    EXPECT_EQ(UserLocale().stDecimalSeparator, before.stDecimalSeparator);
    EXPECT_EQ(UserLocale().wLanguageId, before.wLanguageId);
}

class FoldersTest : public ::testing::Test {
protected:
    TFolderRoots Roots() const {
        return TFolderRoots{FHome.Path().string(), "", FProgram.Path().string()};
    }
    TTempFolder FHome{"home"};
    TTempFolder FProgram{"program"};
};

TEST_F(FoldersTest, DocumentsFromUserDirsElseHomeDocuments) {
    TFolders folders(Roots());
    EXPECT_EQ(folders.DocumentsFolder(), FHome.File("Documents"));
    EXPECT_EQ(folders.PresetFolder(), FHome.File("Documents/Quenthal"));

    std::filesystem::create_directories(FHome.Path() / ".config");
    FHome.Write(".config/user-dirs.dirs", "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                          "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(folders.DocumentsFolder(), FHome.File("Dokumente"));
    FHome.Write(".config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n");
    EXPECT_EQ(folders.DocumentsFolder(), "/srv/docs");
    FHome.Write(".config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=relative/docs\n");  // invalid: ignored
    EXPECT_EQ(folders.DocumentsFolder(), FHome.File("Documents"));

    TFolderRoots withConfig = Roots();
    withConfig.stXdgConfigHome = FProgram.Path().string();
    FProgram.Write("user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
    EXPECT_EQ(TFolders(withConfig).DocumentsFolder(), FHome.File("Docs"));
}

TEST_F(FoldersTest, SettingsBesideAWritableProgramElseInTheConfigFolder) {
    EXPECT_EQ(TFolders(Roots()).SettingsFilePath(), FProgram.File("Qth.ini"));
    TFolderRoots installed = Roots();
    installed.stExecutableFolder = "/usr/bin";
    EXPECT_EQ(TFolders(installed).SettingsFilePath(), FHome.File(".config/Quenthal/Qth.ini"));
    installed.stXdgConfigHome = "/xdg";
    EXPECT_EQ(TFolders(installed).SettingsFilePath(), "/xdg/Quenthal/Qth.ini");
}

TEST_F(FoldersTest, LanguageFileBesideTheProgramThenInShare) {
    std::filesystem::create_directories(FProgram.Path() / "bin");
    std::filesystem::create_directories(FProgram.Path() / "share/quenthal");
    TFolderRoots roots = Roots();
    roots.stExecutableFolder = (FProgram.Path() / "bin").string();
    const TFolders folders(roots);
    EXPECT_EQ(folders.LanguageFilePath(), FProgram.File("bin/Qth_DE.txt"));  // none: the one beside
    FProgram.Write("share/quenthal/Qth_DE.txt", "101_x\n");
    EXPECT_EQ(folders.LanguageFilePath(), (FProgram.Path() / "share/quenthal/Qth_DE.txt").string());
    FProgram.Write("bin/Qth_DE.txt", "101_y\n");
    EXPECT_EQ(folders.LanguageFilePath(), FProgram.File("bin/Qth_DE.txt"));
}

}  // namespace
}  // namespace quenthal
