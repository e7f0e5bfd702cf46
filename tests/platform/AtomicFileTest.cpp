#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quenthal {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        FFolder = fs::temp_directory_path() / ("quenthal-atomic-" + std::to_string(::getpid()));
        fs::remove_all(FFolder);
        fs::create_directories(FFolder);
    }
    void TearDown() override { fs::remove_all(FFolder); }
    fs::path FFolder;
};

TEST_F(AtomicFileTest, ReplacesContentKeepsModeAndLeavesNoTemporaryFile) {
    const fs::path file = FFolder / "preset.qth";
    ASSERT_TRUE(WriteFileAtomically(file.string(), std::string("old\0bytes", 9)));
    ::chmod(file.c_str(), 0640);
    ASSERT_TRUE(WriteFileAtomically(file.string(), "new"));
    EXPECT_EQ(ReadAll(file), "new");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(FFolder), fs::directory_iterator()), 1);
}

TEST_F(AtomicFileTest, FailedRenameLeavesTheTargetAndNoTemporaryFile) {
    // A folder in the target's place makes the last step fail, also for root.
    const fs::path target = FFolder / "Qth.ini";
    fs::create_directories(target / "inside");
    std::string why;
    EXPECT_FALSE(WriteFileAtomically(target.string(), "lost", &why));
    EXPECT_NE(why.find("rename"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(target / "inside"));
    EXPECT_EQ(std::distance(fs::directory_iterator(FFolder), fs::directory_iterator()), 1);
}

TEST_F(AtomicFileTest, MissingFolderFails) {
    std::string why;
    EXPECT_FALSE(WriteFileAtomically((FFolder / "absent" / "x").string(), "x", &why));
    EXPECT_NE(why.find("create"), std::string::npos);
}

}  // namespace
}  // namespace quenthal
