#include "asio/AsioList.h"

#include "asio/AsioHostError.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace quenthal {

namespace {
const char* const kAsioKey = "software\\asio";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

// The file-name part of a path written with either separator.
std::string FileNamePart(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string InFolder(const std::string& folder, const std::string& fileName) {
    return (std::filesystem::path(folder) / fileName).string();
}
}  // namespace

std::string DriverPathFromClsid(const IRegistry& registry, const TDriverSearchFolders& folders,
                                const std::string& clsidText) {
    if (clsidText.empty()) return {};
    const std::string key = "clsid\\" + Lower(clsidText) + "\\InprocServer32";
    if (!registry.KeyExists(TRegistryRoot::ClassesRoot, key)) return {};
    std::string path = registry.ReadString(TRegistryRoot::ClassesRoot, key, "").value_or("");
    const std::string fileName = FileNamePart(path);
    if (fileName.empty()) return {};
    if (!FileExists(path) && !folders.SystemFolder.empty()) path = InFolder(folders.SystemFolder, fileName);
    if (!FileExists(path) && !folders.WindowsFolder.empty()) path = InFolder(folders.WindowsFolder, fileName);
    return FileExists(path) ? path : std::string();
}

TAsioDriverList::TAsioDriverList(const IRegistry& registry, TDriverSearchFolders folders)
    : FRegistry(registry), FFolders(std::move(folders)) {}

TAsioDriverList::TAsioDriverList(const IRegistry& registry, TDriverSearchFolders folders, const TGuid& ignore)
    : TAsioDriverList(registry, std::move(folders)) {
    SetIgnoredDriver(ignore);
}

void TAsioDriverList::UpdateList() {
    ClearList();
    LoadList();
}

void TAsioDriverList::ClearList() {
    while (!FList.empty()) FList.pop_back();
    FNameList.clear();
}

void TAsioDriverList::SetIgnoredDriver(const TGuid& ignore) {
    if (FHasIgnoreGuid && ignore == FIgnoreGuid) return;
    FIgnoreGuid = ignore;
    FHasIgnoreGuid = true;
}

const TAsioDriverDescription& TAsioDriverList::GetItem(int32_t index) const {
    if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    return *FList[static_cast<size_t>(index)];
}

int32_t TAsioDriverList::DriverNumberByName(const std::string& driverName) const {
    const std::string wanted = Lower(driverName);
    for (int32_t i = 0; i < Count(); ++i)
        if (Lower(FList[static_cast<size_t>(i)]->FName) == wanted) return i;
    return -1;
}

void TAsioDriverList::LoadList() {
    if (!FRegistry.KeyExists(TRegistryRoot::LocalMachine, kAsioKey)) return;
    const std::vector<std::string> subKeys = FRegistry.SubKeyNames(TRegistryRoot::LocalMachine, kAsioKey);
    for (const std::string& subKey : subKeys) {
        const std::string key = std::string(kAsioKey) + "\\" + subKey;
        if (!FRegistry.KeyExists(TRegistryRoot::LocalMachine, key)) continue;
        const std::string clsidText = FRegistry.ReadString(TRegistryRoot::LocalMachine, key, "clsid").value_or("");
        if (clsidText.empty()) throw EAsioHostError("Error loading GUID from " + subKey);
        TGuid guid;
        if (!TryParseGuid(clsidText, guid)) throw EAsioHostError("'" + clsidText + "' is not a valid GUID value");
        const std::string path = DriverPathFromClsid(FRegistry, FFolders, clsidText);
        if (path.empty()) continue;
        if (FHasIgnoreGuid && guid == FIgnoreGuid) continue;
        std::string name = FRegistry.ReadString(TRegistryRoot::LocalMachine, key, "description").value_or("");
        if (name.empty()) name = subKey;
        FList.push_back(std::make_unique<TAsioDriverDescription>(TAsioDriverDescription{guid, name, path}));
        FNameList.push_back(name);
    }
}

}  // namespace quenthal
