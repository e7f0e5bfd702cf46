#include "platform/DlopenModuleLoader.h"

#include "asio/AsioDriverForwarder.h"
#include "platform/DriverFolders.h"

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace quenthal {

namespace {
constexpr int32_t kNoInterface = static_cast<int32_t>(0x80004002u);  // E_NOINTERFACE

bool IsFile(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

// The driver object as the program holds it: every call goes to the module's object, and the module
// handle is closed only after that object has been released.
class TModuleBoundDriver final : public TAsioDriverForwarder<IAsioDriver> {
public:
    TModuleBoundDriver(IAsioDriver* driver, void* module, const TGuid& clsid)
        : TAsioDriverForwarder(driver), FModule(module), FClsid(clsid) {}

    int32_t QueryInterface(const TGuid& iid, void** object) override {
        if (!object) return kNoInterface;
        if (!(iid == FClsid)) {
            *object = nullptr;
            return kNoInterface;
        }
        AddRef();
        *object = static_cast<IAsioDriver*>(this);
        return 0;
    }
    uint32_t AddRef() override { return ++FReferences; }
    uint32_t Release() override {
        const uint32_t left = --FReferences;
        if (left == 0) {
            FDriver->Release();
            dlclose(FModule);
            delete this;
        }
        return left;
    }

private:
    ~TModuleBoundDriver() override = default;
    void* FModule;
    TGuid FClsid;
    std::atomic<uint32_t> FReferences{1};
};
}  // namespace

TDlopenModuleLoader::TDlopenModuleLoader(const IRegistry& registry, std::vector<std::string> fallbackFolders)
    : FRegistry(registry), FFallbackFolders(std::move(fallbackFolders)) {}

TDlopenModuleLoader::TDlopenModuleLoader(const IRegistry& registry)
    : TDlopenModuleLoader(registry, {ProgramDriverFolder(), SystemLibraryFolder()}) {}

std::string TDlopenModuleLoader::ModulePath(const TGuid& clsid) const {
    std::string text = GuidToString(clsid);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto path = FRegistry.ReadString(TRegistryRoot::ClassesRoot, "clsid\\" + text + "\\InprocServer32", "");
    if (!path || path->empty()) return {};
    if (IsFile(*path)) return *path;
    const std::string fileName = std::filesystem::path(*path).filename().string();
    for (const auto& folder : FFallbackFolders) {
        const std::string candidate = folder + "/" + fileName;
        if (!fileName.empty() && IsFile(candidate)) return candidate;
    }
    return {};
}

IAsioDriver* TDlopenModuleLoader::CreateInstance(const TGuid& clsid) {
    const std::string path = ModulePath(clsid);
    if (path.empty()) return nullptr;
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) return nullptr;
    auto create = reinterpret_cast<TAsioCreateDriverFunction>(dlsym(module, kAsioCreateDriverSymbol));
    IAsioDriver* driver = nullptr;
    int32_t answer = kAsioNotPresent;
    if (create) {
        try {
            answer = create(&clsid, &driver);
        } catch (...) {
            answer = kAsioNotPresent;
            driver = nullptr;
        }
    }
    if (answer != kAsioOK || !driver) {
        if (driver) driver->Release();
        dlclose(module);
        return nullptr;
    }
    try {
        return new TModuleBoundDriver(driver, module, clsid);
    } catch (...) {
        driver->Release();
        dlclose(module);
        return nullptr;
    }
}

}  // namespace quenthal
