#include "app/AnsiText.h"
#include "app/Language.h"

#include "platform/Folders.h"
#include "platform/Locale.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quenthal {
namespace {

TEST(AnsiTextTest, Windows1252HeldAsUtf8) {
    EXPECT_EQ(Windows1252ToUtf8("Ausg\xE4nge \x80 \x96 \x9F \x81"), "Ausgänge € – Ÿ \xC2\x81");
    EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F" "e \xFF"), "Grüße \xEF\xBF\xBD");  // marked UTF-8
    EXPECT_EQ(DecodeTextFile(std::string("\xFF\xFE" "3\0" "0\0" "1\0" "_\0" "\xFC\0", 12)), "301_ü");
    EXPECT_EQ(DecodeTextFile(std::string("\xFE\xFF\0" "A\xD8\x3D", 6)), "A\xEF\xBF\xBD");  // lone surrogate
}

TEST(LanguageTextsTest, LookupFollowsTheFileRules) {
    const auto texts = TLanguageTexts::FromText(
        "note without a number\r\n"
        "316_Abtastrate nicht unterst\xC3\xBCtzt!\r\n"
        "301_\n"
        "3010_Zehn\r"
        "0302_leading zero\n"
        "+303_sign\n"
        "304_mit_Unterstrich\n"
        "305\n"
        "306 no underscore\n"
        "120_Zweiter\n"
        "120_Erster\n"
        "121_Rechteck\n"
        "121_RECHTECK\n");
    EXPECT_EQ(texts.LookupText(316), "Abtastrate nicht unterstützt!");
    EXPECT_EQ(texts.LookupText(301), "");              // an empty text
    EXPECT_EQ(texts.LookupText(302), "302");           // leading zeros never match
    EXPECT_EQ(texts.LookupText(303), "303");           // nor signs
    EXPECT_EQ(texts.LookupText(304), "mit_Unterstrich");
    EXPECT_EQ(texts.LookupText(305), "305");           // digits alone give the whole line
    EXPECT_EQ(texts.LookupText(306), "306");           // digits then no underscore: no entry
    EXPECT_EQ(texts.LookupText(120), "Erster");        // the one that sorts first
    EXPECT_EQ(texts.LookupText(121), "Rechteck");      // equal but for case: the first read stays
    EXPECT_EQ(texts.LookupText(3010), "Zehn");
    EXPECT_EQ(texts.LookupText(100), "Fehler Text Id");
    EXPECT_EQ(texts.LookupText(-5), "Fehler Text Id");
    EXPECT_EQ(texts.LookupText(999), "999");
    EXPECT_EQ(std::count(texts.Lines().begin(), texts.Lines().end(), "121_RECHTECK"), 0);
}

TEST(LanguageTextsTest, SurvivesJunk) {
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 131) & 0xFF);
    junk += "\n316_" + std::string(100000, 'x') + "\n";
    const auto texts = TLanguageTexts::FromText(DecodeTextFile(junk));
    EXPECT_EQ(texts.LookupText(316), std::string(100000, 'x'));
    EXPECT_EQ(texts.LookupText(317), "317");
}

class LanguageFileTest : public ::testing::Test {
protected:
    void SetUp() override { UnloadLanguageFile(); }
    void TearDown() override {
        UnloadLanguageFile();
        SetFolders(TFolders::RootsFromEnvironment());
    }
    TTempFolder FFolder{"language"};
    TScriptedDialogs FDialogs;
};

TEST_F(LanguageFileTest, MessagesKeepTheirDefaultUnlessTheFileHasThem) {
    EXPECT_EQ(TranslateText("Sample rate not supported!", 316), "Sample rate not supported!");  // no file
    FFolder.Write("Qth_DE.txt", "316_Abtastrate wird nicht unterst\xFCtzt!\r\n301_\r\n3010_x\r\n");
    ASSERT_TRUE(LoadLanguageFile(FFolder.File("Qth_DE.txt"), true));
    EXPECT_EQ(TranslateText("Sample rate not supported!", 316), "Abtastrate wird nicht unterstützt!");
    EXPECT_EQ(TranslateText("Click on a preset name.", 317), "Click on a preset name.");
    EXPECT_EQ(TranslateText("Error frequency input. Only numeric values.", 301), "");
    EXPECT_EQ(TranslateText("Some text", 99), "Fehler Text Id");
    EXPECT_TRUE(FDialogs.Records().empty());
}

TEST_F(LanguageFileTest, MissingFileShowsItsPathOnce) {
    EXPECT_FALSE(LoadLanguageFile("", true));
    SetFolders(TFolderRoots{"", "", FFolder.Path().string()});
    EXPECT_FALSE(LoadLanguageFile("Qth_DE.txt", false));
    ASSERT_EQ(FDialogs.MessageTexts(), std::vector<std::string>{"DE Sprachdatei nicht gefunden: " + FFolder.File("Qth_DE.txt")});
    EXPECT_EQ(FDialogs.Records()[0].Message.Kind, TDialogKind::Plain);
    EXPECT_FALSE(LanguageLoaded());

    // A folder of that name is no file either.
    std::filesystem::create_directories(FFolder.Path() / "Dir_DE.txt");
    EXPECT_FALSE(LoadLanguageFile(FFolder.File("Dir_DE.txt"), true));
    EXPECT_EQ(FDialogs.Records().size(), 2u);
    // Present but failing to read (reading a process's memory at 0 fails, also for root): false
    // without a message.
    EXPECT_FALSE(LoadLanguageFile("/proc/self/mem", true));
    EXPECT_EQ(FDialogs.Records().size(), 2u);
    EXPECT_FALSE(LanguageLoaded());
}

TEST_F(LanguageFileTest, GermanOnlyWhenThePrimaryLanguageIsGerman) {
    for (const uint16_t id : {uint16_t{0x0407}, uint16_t{0x0807}, uint16_t{0x0C07}}) {
        TScopedUserLocale locale({",", id});
        EXPECT_TRUE(IsGermanUI()) << id;
    }
    for (const uint16_t id : {uint16_t{0x0409}, uint16_t{0x040C}, uint16_t{0x0417}}) {
        TScopedUserLocale locale({".", id});
        EXPECT_FALSE(IsGermanUI()) << id;
    }
}

struct TFakeControl : ITranslatableComponent {
    TFakeControl(int32_t tag, std::string caption, bool refuses = false)
        : iTag(tag), stCaption(std::move(caption)), boRefuses(refuses) {}
    int32_t Tag() const override { return iTag; }
    void SetCaption(const std::string& caption) override {
        if (boRefuses) throw std::runtime_error("no caption");
        stCaption = caption;
    }
    int32_t iTag;
    std::string stCaption;
    bool boRefuses;
};

struct TFakeWindow : IComponentOwner {
    std::vector<ITranslatableComponent*> TranslatableComponents() override { return Controls; }
    std::vector<ITranslatableComponent*> Controls;
};

TEST_F(LanguageFileTest, ControlsTakeTheirTagTextOrTheTagDigits) {
    TFakeControl style(220, "Style"), file(200, "File"), untagged(0, "Info"), low(100, "Low"),
        refusing(201, "Calibrate Output", true), help(240, "Help");
    TFakeWindow window;
    window.Controls = {&style, &file, &untagged, &low, &refusing, &help};
    TranslateComponents(window);  // nothing loaded: nothing changes
    EXPECT_EQ(style.stCaption, "Style");

    FFolder.Write("Qth_DE.txt", "200_Datei\n201_Ausgang kalibrieren\n240_Hilfe\n");
    ASSERT_TRUE(LoadLanguageFile(FFolder.File("Qth_DE.txt"), true));
    TranslateComponents(window);
    EXPECT_EQ(style.stCaption, "220");  // no line for its tag
    EXPECT_EQ(file.stCaption, "Datei");
    EXPECT_EQ(untagged.stCaption, "Info");
    EXPECT_EQ(low.stCaption, "Low");
    EXPECT_EQ(refusing.stCaption, "Calibrate Output");
    EXPECT_EQ(help.stCaption, "Hilfe");  // after a control that failed
}

// The shipped file: ANSI, and an entry for every control tag and message number.
TEST(ShippedLanguageFileTest, CoversEveryTagAndMessage) {
    const std::string path = std::string(QUENTHAL_SOURCE_DIR) + "/share/quenthal/Qth_DE.txt";
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(bytes.starts_with("\xEF\xBB\xBF"));
    const auto texts = TLanguageTexts::FromText(DecodeTextFile(bytes));
    const int32_t ids[] = {101, 102, 103, 104, 105, 106, 107, 108, 109, 111, 120, 121, 122, 123, 124, 125,
                           200, 201, 202, 203, 204, 210, 211, 212, 220, 230, 240, 241, 301, 302, 303, 304,
                           305, 306, 307, 308, 309, 310, 311, 312, 313, 314, 315, 316, 317, 318, 319, 320,
                           321, 322, 323, 401};
    for (const int32_t id : ids) {
        const std::string text = texts.LookupText(id);
        EXPECT_NE(text, std::to_string(id)) << id;
        EXPECT_FALSE(text.empty()) << id;
    }
    EXPECT_EQ(texts.LookupText(124), "Weiß");
    EXPECT_EQ(texts.LookupText(307), " deaktiviert!");
}

}  // namespace
}  // namespace quenthal
