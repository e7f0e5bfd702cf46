#include "platform/Version.h"

#include <filesystem>

// platform/CMakeLists.txt passes the project version; a build without it reports 0.0.0.0.
#ifndef QUENTHAL_VERSION_MAJOR
#define QUENTHAL_VERSION_MAJOR 0
#define QUENTHAL_VERSION_MINOR 0
#define QUENTHAL_VERSION_PATCH 0
#define QUENTHAL_VERSION_TWEAK 0
#endif
#ifndef QUENTHAL_VERSION_FLAGS
#define QUENTHAL_VERSION_FLAGS 0
#endif

namespace quenthal {

namespace fs = std::filesystem;

namespace {
const IVersionResources* GInstalled = nullptr;
}

TFixedFileInfo TBuildVersionResources::BuildVersion() {
    TFixedFileInfo info;
    info.dwFileVersionMS = (uint32_t{QUENTHAL_VERSION_MAJOR} << 16) | uint32_t{QUENTHAL_VERSION_MINOR};
    info.dwFileVersionLS = (uint32_t{QUENTHAL_VERSION_PATCH} << 16) | uint32_t{QUENTHAL_VERSION_TWEAK};
    info.dwFileFlags = QUENTHAL_VERSION_FLAGS;
    return info;
}

std::optional<TFixedFileInfo> TBuildVersionResources::FixedFileInfo(const std::string& path) const {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) return std::nullopt;
    if (!fs::equivalent(fs::path(path), self, error) || error) return std::nullopt;
    return BuildVersion();
}

const IVersionResources& VersionResources() {
    static const TBuildVersionResources build;
    return GInstalled ? *GInstalled : build;
}

void SetVersionResources(const IVersionResources* resources) { GInstalled = resources; }

}  // namespace quenthal
