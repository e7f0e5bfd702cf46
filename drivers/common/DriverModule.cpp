#include "drivers/common/DriverModule.h"

#include <cstdlib>
#include <fstream>
#include <mutex>

namespace quenthal::drivers {

namespace {
std::mutex gFolderLock;
std::string gConfigFolder;  // empty: the user's default

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    return home && *home ? home : "/tmp";
}
}  // namespace

void TModuleStatistics::Reset() noexcept {
    FBlocks = 0;
    FXruns = 0;
    FMaxDelayed = 0;
}

void TModuleStatistics::ReportDelay(int64_t microseconds) noexcept {
    int64_t seen = FMaxDelayed.load(std::memory_order_relaxed);
    while (microseconds > seen && !FMaxDelayed.compare_exchange_weak(seen, microseconds, std::memory_order_relaxed)) {
    }
}

TDriverStatistics TModuleStatistics::Read() const noexcept {
    TDriverStatistics statistics;
    statistics.Blocks = FBlocks.load();
    statistics.Xruns = FXruns.load();
    statistics.MaxDelayedMicroseconds = FMaxDelayed.load();
    return statistics;
}

TModuleStatistics& ModuleStatistics() noexcept {
    static TModuleStatistics statistics;
    return statistics;
}

std::string DriverConfigFolder() {
    {
        std::lock_guard<std::mutex> guard(gFolderLock);
        if (!gConfigFolder.empty()) return gConfigFolder;
    }
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string base = xdg && *xdg == '/' ? std::string(xdg) : HomeFolder() + "/.config";
    return base + "/Quenthal";
}

std::string DocumentsFolder() {
    const std::string home = HomeFolder();
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string dirs = (xdg && *xdg == '/' ? std::string(xdg) : home + "/.config") + "/user-dirs.dirs";
    std::ifstream file(dirs);
    std::string line;
    while (std::getline(file, line)) {
        const std::string key = "XDG_DOCUMENTS_DIR=\"";
        if (line.rfind(key, 0) != 0 || line.back() != '"') continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        if (!value.empty() && value[0] == '/') return value;
    }
    return home + "/Documents";
}

}  // namespace quenthal::drivers

void quenthal_driver_set_config_folder(const char* folder) {
    std::lock_guard<std::mutex> guard(quenthal::drivers::gFolderLock);
    quenthal::drivers::gConfigFolder = folder ? folder : "";
}

int32_t quenthal_driver_statistics(quenthal::drivers::TDriverStatistics* statistics) {
    if (!statistics) return -1;
    *statistics = quenthal::drivers::ModuleStatistics().Read();
    return 0;
}
