#pragma once
// Module-wide pieces of a bundled driver plugin: where its settings file lives, the statistics that
// tests and the soak run read, and the extra exports that reach them.

#include <atomic>
#include <cstdint>
#include <string>

#define QUENTHAL_DRIVER_EXPORT extern "C" __attribute__((visibility("default")))

namespace quenthal::drivers {

// Counters of the module's running stream, reset at every Start.
struct TDriverStatistics {
    int64_t Blocks = 0;                  // blocks delivered to the host
    int64_t Xruns = 0;                   // underruns of the device or server
    int64_t MaxDelayedMicroseconds = 0;  // worst lateness of a block against its deadline
};

class TModuleStatistics {
public:
    void Reset() noexcept;
    void CountBlock() noexcept { FBlocks.fetch_add(1, std::memory_order_relaxed); }
    void CountXrun() noexcept { FXruns.fetch_add(1, std::memory_order_relaxed); }
    void ReportDelay(int64_t microseconds) noexcept;
    TDriverStatistics Read() const noexcept;

private:
    std::atomic<int64_t> FBlocks{0}, FXruns{0}, FMaxDelayed{0};
};

TModuleStatistics& ModuleStatistics() noexcept;

// The folder of the driver's own INI file: what a test set through quenthal_driver_set_config_folder,
// else the user's configuration folder's "Quenthal" (XDG base directories).
std::string DriverConfigFolder();
// The user's documents folder (XDG user-dirs, else ~/Documents).
std::string DocumentsFolder();

}  // namespace quenthal::drivers

// Hooks for tests and the soak run, looked up with dlsym; not part of the driver interface.
QUENTHAL_DRIVER_EXPORT void quenthal_driver_set_config_folder(const char* folder);
QUENTHAL_DRIVER_EXPORT int32_t quenthal_driver_statistics(quenthal::drivers::TDriverStatistics* statistics);
