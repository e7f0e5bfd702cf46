#include "platform/FileAttributes.h"
#include "platform/FileNames.h"
#include "platform/ShellOpen.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/stat.h>
#include <thread>

namespace quenthal {
namespace {

TEST(FileNamesTest, BaseNameStopsAtTheFirstDot) {
    EXPECT_EQ(ExtractBaseName("/home/u/Documents/Quenthal/preset.old.qth"), "preset");
    EXPECT_EQ(ExtractBaseName("preset"), "preset");
    EXPECT_EQ(ExtractBaseName("/a.b/c"), "c");
    EXPECT_EQ(ExtractBaseName("/a/.hidden.qth"), "");
    EXPECT_EQ(ExtractBaseName(""), "");
    EXPECT_EQ(ExtractFileName("/a/b.qth"), "b.qth");
    EXPECT_TRUE(HasFolderPart("sub/b.qth"));
    EXPECT_FALSE(HasFolderPart("b.qth"));
}

TEST(FileAttributesTest, ReadOnlyFromPermissionsHiddenFromTheName) {
    TTempFolder folder("attributes");
    folder.Write(".hidden.qth", "x");
    const std::string path = folder.File(".hidden.qth");
    ::chmod(path.c_str(), 0444);
    auto attributes = ReadFileAttributes(path);
    ASSERT_TRUE(attributes);
    EXPECT_TRUE(attributes->boReadOnly);  // also for root, who could write it anyway
    EXPECT_TRUE(attributes->boHidden);
    EXPECT_FALSE(attributes->boSystem);

    ASSERT_TRUE(ResetFileAttributes(path));
    attributes = ReadFileAttributes(path);
    EXPECT_FALSE(attributes->boReadOnly);
    EXPECT_TRUE(attributes->boHidden);  // the name stays
    struct stat info {};
    ::stat(path.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0644u);

    EXPECT_FALSE(ReadFileAttributes(folder.File("missing")));
    EXPECT_FALSE(ResetFileAttributes(folder.File("missing")));
}

TEST(ShellOpenTest, HandsTheTargetToTheOpenerUntouched) {
    TTempFolder folder("shell");
    const std::string opener = folder.File("opener");
    const std::string record = folder.File("opened");
    folder.Write("opener", "#!/bin/sh\nprintf '%s' \"$1\" > '" + record + ".tmp' && mv '" + record + ".tmp' '" + record + "'\n");
    ::chmod(opener.c_str(), 0755);
    TXdgShell shell(opener);
    const std::string target = "https://example.invalid/manual.pdf?a=1;$(touch " + folder.File("pwned") + ")";
    ASSERT_TRUE(shell.Open(target));
    for (int i = 0; i < 500 && !std::filesystem::exists(record); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(folder.Read("opened"), target);
    EXPECT_FALSE(std::filesystem::exists(folder.File("pwned")));

    EXPECT_FALSE(TXdgShell(folder.File("no-such-opener")).Open(target));
    EXPECT_FALSE(shell.Open(""));
}

}  // namespace
}  // namespace quenthal
