#include "tests/support/TempFolder.h"

#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

namespace quenthal {

TTempFolder::TTempFolder(const std::string& name) {
    std::random_device random;
    FPath = std::filesystem::temp_directory_path() /
            ("quenthal-" + name + "-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
    std::filesystem::create_directories(FPath);
}

TTempFolder::~TTempFolder() {
    std::error_code error;
    // Write-protected files must not keep the folder alive.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(FPath, error))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(FPath, error);
}

void TTempFolder::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(FPath / name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string TTempFolder::Read(const std::string& name) const {
    std::ifstream in(FPath / name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace quenthal
