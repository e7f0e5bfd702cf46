#pragma once
// The version resource of the program file. On Linux the running program's own version is
// compiled in (the CMake project's version and build flags); other files have none.

#include <cstdint>
#include <optional>
#include <string>

namespace quenthal {

// The fixed file information of a version resource.
struct TFixedFileInfo {
    uint32_t dwFileVersionMS = 0;  // major << 16 | minor
    uint32_t dwFileVersionLS = 0;  // release << 16 | build
    uint32_t dwFileFlags = 0;
};

constexpr uint32_t kVersionFlagDebug = 0x01;
constexpr uint32_t kVersionFlagPreRelease = 0x02;
constexpr uint32_t kVersionFlagPrivateBuild = 0x08;
constexpr uint32_t kVersionFlagSpecialBuild = 0x20;

class IVersionResources {
public:
    virtual ~IVersionResources() = default;
    // nullopt when the file has no version resource.
    virtual std::optional<TFixedFileInfo> FixedFileInfo(const std::string& path) const = 0;
};

// The build's own version, given for the running executable only.
class TBuildVersionResources : public IVersionResources {
public:
    std::optional<TFixedFileInfo> FixedFileInfo(const std::string& path) const override;
    static TFixedFileInfo BuildVersion();
};

// The process's reader; tests install their own (nullptr restores the build's).
const IVersionResources& VersionResources();
void SetVersionResources(const IVersionResources* resources);

}  // namespace quenthal
