#include "platform/Folders.h"

#include "platform/FileRead.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace quenthal {

namespace fs = std::filesystem;

namespace {
std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// XDG_DOCUMENTS_DIR from user-dirs.dirs: a quoted "$HOME/..." or absolute path.
std::string DocumentsFromUserDirs(const std::string& configHome, const std::string& home) {
    std::string text;
    if (ReadWholeFile(Join(configHome, "user-dirs.dirs"), text) != TReadResult::Read) return {};
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        line = line.substr(first);
        if (!line.starts_with("XDG_DOCUMENTS_DIR=")) continue;
        std::string value = line.substr(18);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
            value.pop_back();
        if (value.size() < 2 || value.front() != '"' || value.back() != '"') return {};
        value = value.substr(1, value.size() - 2);
        if (value.starts_with("$HOME")) return home + value.substr(5);
        if (value.starts_with("/")) return value;
        return {};
    }
    return {};
}

bool IsSystemFolder(const std::string& folder) {
    for (const char* prefix : {"/usr/", "/bin", "/sbin", "/lib"}) {
        if (folder.starts_with(prefix)) return true;
    }
    return folder == "/usr";
}

std::mutex& FoldersMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unique_ptr<TFolders>& StoredFolders() {
    static std::unique_ptr<TFolders> folders;
    return folders;
}
}  // namespace

TFolders::TFolders(TFolderRoots roots) : FRoots(std::move(roots)) {}

TFolderRoots TFolders::RootsFromEnvironment() {
    TFolderRoots roots;
    roots.stHome = EnvironmentValue("HOME");
    roots.stXdgConfigHome = EnvironmentValue("XDG_CONFIG_HOME");
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    roots.stExecutableFolder = error ? fs::current_path(error).string() : executable.parent_path().string();
    return roots;
}

std::string TFolders::ConfigHome() const {
    // A relative XDG_CONFIG_HOME is invalid by the XDG rules and ignored.
    if (!FRoots.stXdgConfigHome.empty() && FRoots.stXdgConfigHome.front() == '/') return FRoots.stXdgConfigHome;
    return Join(FRoots.stHome, ".config");
}

std::string TFolders::DocumentsFolder() const {
    const std::string fromUserDirs = DocumentsFromUserDirs(ConfigHome(), FRoots.stHome);
    return fromUserDirs.empty() ? Join(FRoots.stHome, "Documents") : fromUserDirs;
}

std::string TFolders::PresetFolder() const { return Join(DocumentsFolder(), "Quenthal"); }

std::string TFolders::SettingsFolder() const {
    const std::string& folder = FRoots.stExecutableFolder;
    if (!folder.empty() && !IsSystemFolder(folder) && ::access(folder.c_str(), W_OK) == 0) return folder;
    return Join(ConfigHome(), "Quenthal");
}

std::string TFolders::SettingsFilePath() const { return Join(SettingsFolder(), "Qth.ini"); }

std::string TFolders::LanguageFilePath() const {
    const std::string beside = Join(FRoots.stExecutableFolder, "Qth_DE.txt");
    const std::string shared =
        (fs::path(FRoots.stExecutableFolder).parent_path() / "share" / "quenthal" / "Qth_DE.txt").string();
    std::error_code error;
    if (fs::is_regular_file(beside, error)) return beside;
    if (fs::is_regular_file(shared, error)) return shared;
    return beside;
}

const TFolders& Folders() {
    std::lock_guard lock(FoldersMutex());
    auto& stored = StoredFolders();
    if (!stored) stored = std::make_unique<TFolders>(TFolders::RootsFromEnvironment());
    return *stored;
}

void SetFolders(const TFolderRoots& roots) {
    std::lock_guard lock(FoldersMutex());
    auto& stored = StoredFolders();
    if (stored) {
        *stored = TFolders(roots);  // references handed out stay valid
    } else {
        stored = std::make_unique<TFolders>(roots);
    }
}

}  // namespace quenthal
