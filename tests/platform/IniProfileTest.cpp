#include "platform/IniProfile.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quenthal {
namespace {

TEST(IniDocumentTest, ReadsLikeTheWindowsProfile) {
    const auto ini = TIniDocument::Parse(
        "; a note\r\n"
        "FLeft=1\r\n"  // before any section: never found
        "[system]\r\n"
        "  fleft =  12  \r\n"
        "FLeft=13\r\n"
        "Quoted=\"  spaced  \"\r\n"
        "Empty=\r\n"
        "no equals sign\r\n"
        "[ Audio ]\r"
        "Driver Name=JACK = Server\n"
        "[System]\n"
        "Style=3\n"
        "[Cal");
    EXPECT_EQ(ini.ReadString("System", "FLeft"), "12");  // first key of the first section wins
    EXPECT_EQ(ini.ReadString("SYSTEM", "quoted"), "  spaced  ");
    EXPECT_EQ(ini.ReadString("System", "Empty"), "");
    EXPECT_EQ(ini.ReadString("System", "Style"), std::nullopt);  // in the second [System]
    EXPECT_EQ(ini.ReadString("System", "Missing"), std::nullopt);
    EXPECT_EQ(ini.ReadString("audio", "driver name"), "JACK = Server");
    EXPECT_EQ(ini.ReadString("Missing", "FLeft"), std::nullopt);
    EXPECT_EQ(ini.ReadString("Cal", "Gain"), std::nullopt);
}

TEST(IniDocumentTest, WritesKeepEveryOtherLineInPlace) {
    auto ini = TIniDocument::Parse("; note\r\n[System]\r\nFLeft=1\r\nUnknown=x\r\n\r\n[Audio]\r\nSR=48000\r\n");
    ini.WriteString("system", "fleft", "5");       // replaced where it stands, the caller's spelling
    ini.WriteString("System", "FTop", "6");        // after the section's last filled line
    ini.WriteString("PreSet", "file", "a.qth");    // new section at the end
    EXPECT_EQ(ini.Serialize(),
              "; note\r\n[System]\r\nfleft=5\r\nUnknown=x\r\nFTop=6\r\n\r\n[Audio]\r\nSR=48000\r\n"
              "[PreSet]\r\nfile=a.qth\r\n");
}

TEST(IniDocumentTest, AValueCannotAddLinesOfItsOwn) {
    using namespace std::string_literals;
    TIniDocument ini;
    ini.WriteString("Audio", "Driver Name", "evil\r\n[PreSet]\nfile=/etc/passwd\0x"s);
    EXPECT_EQ(ini.LineCount(), 2u);
    EXPECT_EQ(ini.ReadString("PreSet", "file"), std::nullopt);
    EXPECT_EQ(ini.ReadString("Audio", "Driver Name"), "evil  [PreSet] file=/etc/passwd x");
}

TEST(IniDocumentTest, KeepsByteOrderMarkAndLineBreaks) {
    const std::string text = "\xEF\xBB\xBF[A]\nk=v\n";
    const auto ini = TIniDocument::Parse(text);
    EXPECT_EQ(ini.ReadString("A", "k"), "v");
    EXPECT_EQ(ini.Serialize(), text);
}

class IniProfileTest : public ::testing::Test {
protected:
    TTempFolder FFolder{"ini"};
};

TEST_F(IniProfileTest, MissingFileReadsEmptyAndTheFirstWriteCreatesIt) {
    TIniProfile ini(FFolder.File("Qth.ini"));
    EXPECT_FALSE(ini.Loaded());
    EXPECT_EQ(ini.ReadString("System", "FLeft", "379"), "379");
    ASSERT_TRUE(ini.WriteString("System", "FLeft", "10"));
    EXPECT_EQ(FFolder.Read("Qth.ini"), "[System]\nFLeft=10\n");
    EXPECT_EQ(TIniProfile(FFolder.File("Qth.ini")).ReadString("System", "FLeft", ""), "10");
}

TEST_F(IniProfileTest, AWriteKeepsLinesAnotherProgramAddedMeanwhile) {
    TIniProfile ini(FFolder.File("Qth.ini"));
    FFolder.Write("Qth.ini", "[Other]\nkept=1\n");
    ASSERT_TRUE(ini.WriteEntries({{"System", "FLeft", "1"}, {"System", "FTop", "2"}}));
    EXPECT_EQ(FFolder.Read("Qth.ini"), "[Other]\nkept=1\n[System]\nFLeft=1\nFTop=2\n");
}

TEST_F(IniProfileTest, RefusedWritesLeaveTheFileAsItWas) {
    FFolder.Write("Qth.ini", "[System]\nFLeft=1\n");
    ::chmod(FFolder.File("Qth.ini").c_str(), 0444);
    TIniProfile readOnly(FFolder.File("Qth.ini"));
    std::string why;
    EXPECT_FALSE(readOnly.WriteString("System", "FLeft", "2", &why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(FFolder.Read("Qth.ini"), "[System]\nFLeft=1\n");
    EXPECT_EQ(readOnly.ReadString("System", "FLeft", ""), "1");

    // A folder where the file should be: cannot be read, so never replaced.
    std::filesystem::create_directories(FFolder.Path() / "dir.ini");
    EXPECT_FALSE(TIniProfile(FFolder.File("dir.ini")).WriteString("A", "b", "c"));
    // A folder that cannot exist: the temporary file cannot be made.
    FFolder.Write("plain", "x");
    EXPECT_FALSE(TIniProfile(FFolder.File("plain/Qth.ini")).WriteString("A", "b", "c"));
}

}  // namespace
}  // namespace quenthal
