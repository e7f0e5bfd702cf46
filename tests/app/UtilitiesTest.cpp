#include "app/Utilities.h"

#include "platform/Version.h"
#include "tests/support/FakeClock.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include "platform/FileAttributes.h"

#include <chrono>
#include <regex>
#include <sys/stat.h>

namespace quenthal {
namespace {

struct TFixedVersion : IVersionResources {
    std::optional<TFixedFileInfo> FixedFileInfo(const std::string& path) const override {
        if (path != "/opt/quenthal/quenthal") return std::nullopt;
        return Info;
    }
    TFixedFileInfo Info;
};

TEST(UtilitiesTest, VersionStringWithItsFlags) {
    TFixedVersion version;
    SetVersionResources(&version);
    struct TCase {
        uint32_t dwMS, dwLS, dwFlags;
        const char* szText;
    };
    for (const TCase& c : {TCase{0x00030001, 0x00000001, kVersionFlagPreRelease | kVersionFlagPrivateBuild, "3.1.0.1 beta private"},
                           TCase{0x00010002, 0x00030004, 0, "1.2.3.4"},
                           TCase{0xFFFF0000, 0x0000FFFF, 0x3F, "65535.0.0.65535 debug beta private special"}}) {
        version.Info = {c.dwMS, c.dwLS, c.dwFlags};
        EXPECT_EQ(GetVersionString("/opt/quenthal/quenthal"), c.szText);
    }
    EXPECT_EQ(GetVersionString("/bin/sh"), "NoVersionInfo");
    SetVersionResources(nullptr);
    // The build's own: for the running program only.
    EXPECT_EQ(GetVersionString("/bin/sh"), "NoVersionInfo");
    EXPECT_TRUE(std::regex_match(GetVersionString("/proc/self/exe"), std::regex(R"(\d+\.\d+\.\d+\.\d+( debug)?)")))
        << GetVersionString("/proc/self/exe");
}

TEST(UtilitiesTest, MessageBoxStyleBitsAndButtonCodes) {
    TScriptedDialogs dialogs;
    dialogs.AnswerButton(TDialogButton::No);
    EXPECT_EQ(ShowMessageBox("Quenthal", "Sure?", MessageBoxStyle::YesNo | MessageBoxStyle::IconQuestion),
              MessageBoxResult::No);
    dialogs.AnswerButton(TDialogButton::Retry);
    EXPECT_EQ(ShowMessageBox("c", "t", MessageBoxStyle::RetryCancel | MessageBoxStyle::IconWarning),
              MessageBoxResult::Retry);
    const auto& first = dialogs.Records()[0].Message;
    EXPECT_EQ(first.Kind, TDialogKind::Confirmation);
    EXPECT_EQ(first.stCaption, "Quenthal");
    EXPECT_EQ(first.Buttons, (std::vector<TDialogButton>{TDialogButton::Yes, TDialogButton::No}));
    EXPECT_EQ(dialogs.Records()[1].Message.Kind, TDialogKind::Warning);
}

TEST(UtilitiesTest, ErrorBoxBeepsRunsEventsThenShowsATaskModalError) {
    TScriptedDialogs dialogs;
    TFakeClock clock;
    int eventsBeforeBox = -1;
    clock.onPump = [&] { eventsBeforeBox = static_cast<int>(dialogs.Records().size()); };
    ShowErrorBox("Abort: Con not possible!");
    EXPECT_EQ(dialogs.Beeps(), 1);
    EXPECT_EQ(eventsBeforeBox, 0);
    ASSERT_EQ(dialogs.Records().size(), 1u);
    const auto& box = dialogs.Records()[0].Message;
    EXPECT_EQ(box.Kind, TDialogKind::Error);
    EXPECT_EQ(box.stCaption, "Error");
    EXPECT_EQ(box.stText, "Abort: Con not possible!");
    EXPECT_TRUE(box.boTaskModal);
}

TEST(UtilitiesTest, WaitReturnsJustPastTheTimeWithEventsRunning) {
    TFakeClock clock;
    const int64_t start = clock.TickCountMs();
    WaitMs(500);
    const int64_t waited = clock.TickCountMs() - start;
    EXPECT_GT(waited, 500);
    EXPECT_LE(waited, 510);
    EXPECT_GE(clock.PumpCalls(), 50);  // no slice longer than 10 ms

    const int64_t again = clock.TickCountMs();
    WaitMs(0);
    EXPECT_EQ(clock.TickCountMs() - again, 1);
    const int calls = clock.PumpCalls();
    WaitMs(-5);
    EXPECT_EQ(clock.PumpCalls(), calls);
}

TEST(UtilitiesTest, WaitOnTheRealClock) {
    const auto start = std::chrono::steady_clock::now();
    WaitMs(50);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GT(waited, std::chrono::milliseconds(50));
    EXPECT_LT(waited, std::chrono::milliseconds(500));
}

class CopyFileCheckedTest : public ::testing::Test {
protected:
    void TearDown() override { AskBeforeAttributeReset = true; }
    TTempFolder FFolder{"copy"};
    TScriptedDialogs FDialogs;
    TFakeClock FClock;
};

TEST_F(CopyFileCheckedTest, CopiesOverAnExistingTarget) {
    FFolder.Write("preset.qth", "PV1 new");
    FFolder.Write("copy.qth", "old");
    CopyFileChecked(FFolder.File("preset.qth"), FFolder.File("copy.qth"));
    EXPECT_EQ(FFolder.Read("copy.qth"), "PV1 new");
    EXPECT_TRUE(FDialogs.Records().empty());

    CopyFileChecked("", FFolder.File("copy.qth"));
    CopyFileChecked(FFolder.File("preset.qth"), "");
    EXPECT_TRUE(FDialogs.Records().empty());
}

TEST_F(CopyFileCheckedTest, MissingSourceAndFailedCopy) {
    CopyFileChecked(FFolder.File("missing.qth"), FFolder.File("copy.qth"));
    FFolder.Write("preset.qth", "PV1");
    CopyFileChecked(FFolder.File("preset.qth"), FFolder.File("no/such/folder/copy.qth"));
    EXPECT_EQ(FDialogs.MessageTexts(),
              (std::vector<std::string>{"Abort: Source file not found: " + FFolder.File("missing.qth"),
                                        "Copy of mic correction file not possible"}));
    EXPECT_FALSE(std::filesystem::exists(FFolder.File("copy.qth")));
}

TEST_F(CopyFileCheckedTest, WriteProtectedHiddenSourceAnsweredNo) {
    FFolder.Write(".preset.qth", "PV1");
    const std::string source = FFolder.File(".preset.qth");
    ::chmod(source.c_str(), 0444);
    FDialogs.AnswerButton(TDialogButton::No);
    CopyFileChecked(source, FFolder.File("copy.qth"));
    ASSERT_EQ(FDialogs.Records().size(), 2u);
    const auto& ask = FDialogs.Records()[0].Message;
    EXPECT_EQ(ask.Kind, TDialogKind::Confirmation);
    EXPECT_EQ(ask.Buttons, (std::vector<TDialogButton>{TDialogButton::Yes, TDialogButton::No}));
    EXPECT_EQ(ask.stText, "File " + source + " can not copied!\r\nReset flags < Write proteced  Hiddent > ?");
    EXPECT_EQ(FDialogs.Records()[1].Message.stText, "Abort: Con not possible!");
    EXPECT_FALSE(std::filesystem::exists(FFolder.File("copy.qth")));
    struct stat info {};
    ::stat(source.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0444u);
}

TEST_F(CopyFileCheckedTest, WriteProtectedSourceAnsweredYesLosesItsProtectionAndIsCopied) {
    FFolder.Write("preset.qth", "PV1");
    const std::string source = FFolder.File("preset.qth");
    ::chmod(source.c_str(), 0444);
    FDialogs.AnswerButton(TDialogButton::Yes);
    CopyFileChecked(source, FFolder.File("copy.qth"));
    EXPECT_EQ(FDialogs.MessageTexts(),
              std::vector<std::string>{"File " + source + " can not copied!\r\nReset flags < Write proteced > ?"});
    EXPECT_EQ(FFolder.Read("copy.qth"), "PV1");
    EXPECT_FALSE(ReadFileAttributes(source)->boReadOnly);
}

TEST_F(CopyFileCheckedTest, NoQuestionWhenAskingIsOff) {
    AskBeforeAttributeReset = false;
    FFolder.Write("preset.qth", "PV1");
    ::chmod(FFolder.File("preset.qth").c_str(), 0444);
    CopyFileChecked(FFolder.File("preset.qth"), FFolder.File("copy.qth"));
    EXPECT_TRUE(FDialogs.Records().empty());
    EXPECT_EQ(FFolder.Read("copy.qth"), "PV1");
}

TEST_F(CopyFileCheckedTest, AWriteProtectedTargetIsNotOverwritten) {
    FFolder.Write("preset.qth", "PV1");
    FFolder.Write("copy.qth", "kept");
    ::chmod(FFolder.File("copy.qth").c_str(), 0444);
    CopyFileChecked(FFolder.File("preset.qth"), FFolder.File("copy.qth"));
    EXPECT_EQ(FDialogs.MessageTexts(), std::vector<std::string>{"Copy of mic correction file not possible"});
    EXPECT_EQ(FFolder.Read("copy.qth"), "kept");
}

}  // namespace
}  // namespace quenthal
