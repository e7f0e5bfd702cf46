#include "platform/DriverFolders.h"

#include <filesystem>
#include <system_error>

#ifndef QUENTHAL_INSTALL_DRIVER_DIR
#error "QUENTHAL_INSTALL_DRIVER_DIR comes from platform/CMakeLists.txt"
#endif

namespace quenthal {

namespace fs = std::filesystem;

namespace {
fs::path ExecutableFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : self.parent_path();
}

bool IsFolder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}
}  // namespace

std::vector<std::string> BundledDriverFolders() {
    std::vector<fs::path> candidates;
    const fs::path executable = ExecutableFolder();
    if (!executable.empty()) candidates.push_back(executable.parent_path() / "lib/quenthal/drivers");
    candidates.emplace_back(QUENTHAL_INSTALL_DRIVER_DIR);
    candidates.emplace_back(QUENTHAL_BUILD_DRIVER_DIR);
    std::vector<std::string> folders;
    for (const auto& candidate : candidates) {
        std::error_code error;
        const fs::path folder = fs::weakly_canonical(candidate, error);
        if (error || !IsFolder(folder)) continue;
        bool known = false;
        for (const auto& seen : folders) known = known || seen == folder.string();
        if (!known) folders.push_back(folder.string());
    }
    return folders;
}

std::string DriverRegistryFile() { return "/etc/quenthal/drivers.ini"; }

std::string ProgramDriverFolder() {
    const auto folders = BundledDriverFolders();
    return folders.empty() ? std::string(QUENTHAL_BUILD_DRIVER_DIR) : folders.front();
}

std::string SystemLibraryFolder() {
    for (const char* folder : {"/usr/lib/x86_64-linux-gnu", "/usr/lib64", "/usr/lib"})
        if (IsFolder(folder)) return folder;
    return "/usr/lib";
}

}  // namespace quenthal
