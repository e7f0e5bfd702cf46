#include "tests/support/AsioTestEnvironment.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace quenthal::test {

namespace fs = std::filesystem;

TAsioTestEnvironment::TAsioTestEnvironment() {
    std::string pattern = (fs::temp_directory_path() / "quenthal-asio-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    Root = pattern;
    ModuleFolder = Root + "/modules";
    Folders.SystemFolder = Root + "/system";
    Folders.WindowsFolder = Root + "/windows";
    for (const auto& folder : {ModuleFolder, Folders.SystemFolder, Folders.WindowsFolder}) fs::create_directories(folder);
}

TAsioTestEnvironment::~TAsioTestEnvironment() {
    std::error_code error;
    fs::remove_all(Root, error);
}

std::string TAsioTestEnvironment::MakeFile(const std::string& folder, const std::string& fileName) const {
    const std::string path = (fs::path(folder) / fileName).string();
    std::ofstream(path).put('\0');
    return path;
}

std::shared_ptr<TScriptedDriverControl> TAsioTestEnvironment::AddDriver(const std::string& subKey,
                                                                        const std::string& description) {
    auto control = std::make_shared<TScriptedDriverControl>();
    const TGuid clsid = ClsidOf(subKey);
    const std::string key = "software\\asio\\" + subKey;
    Registry.SetString(TRegistryRoot::LocalMachine, key, "clsid", GuidToString(clsid));
    if (!description.empty()) Registry.SetString(TRegistryRoot::LocalMachine, key, "description", description);
    const std::string module = MakeFile(ModuleFolder, subKey + ".so");
    Registry.SetString(TRegistryRoot::ClassesRoot, "clsid\\" + GuidToString(clsid) + "\\InprocServer32", "", module);
    Loader.Register(clsid, [control] { return new TScriptedAsioDriver(control); });
    return control;
}

}  // namespace quenthal::test
