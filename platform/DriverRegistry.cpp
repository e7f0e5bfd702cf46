#include "platform/DriverRegistry.h"

#include "asio/AsioDriverInterface.h"
#include "platform/DriverFolders.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

namespace quenthal {

namespace fs = std::filesystem;

namespace {
struct TEntry {
    std::string SubKey;
    std::map<std::string, std::string> Values;  // value name -> text, as the entry gives them
    std::string ClsidText;
    std::string Module;
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A text field of a module's record, or nullopt when the module left it unterminated.
std::optional<std::string> Field(const char* text, size_t capacity) {
    const void* end = std::memchr(text, '\0', capacity);
    if (!end) return std::nullopt;
    return std::string(text, static_cast<const char*>(end));
}

// A sub-key name must be one registry key: not empty, no path separator.
bool IsKeyName(const std::string& name) { return !name.empty() && name.find('\\') == std::string::npos; }

std::vector<TEntry> ModuleEntries(const std::string& modulePath) {
    std::vector<TEntry> entries;
    void* module = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) return entries;
    auto list = reinterpret_cast<TAsioListDevicesFunction>(dlsym(module, kAsioListDevicesSymbol));
    if (list && dlsym(module, kAsioCreateDriverSymbol)) {
        std::vector<TAsioDeviceEntry> devices(16);
        int32_t count = list(devices.data(), static_cast<int32_t>(devices.size()));
        if (count > static_cast<int32_t>(devices.size()) && count <= 4096) {
            devices.assign(static_cast<size_t>(count), TAsioDeviceEntry{});
            count = list(devices.data(), count);
        }
        count = std::clamp<int32_t>(count, 0, static_cast<int32_t>(devices.size()));
        for (int32_t i = 0; i < count; ++i) {
            const auto& device = devices[static_cast<size_t>(i)];
            const auto name = Field(device.Name, sizeof device.Name);
            if (!name || !IsKeyName(*name)) continue;
            TEntry entry;
            entry.SubKey = *name;
            entry.ClsidText = GuidToString(device.Clsid);
            entry.Values["clsid"] = entry.ClsidText;
            entry.Values["description"] = Field(device.Description, sizeof device.Description).value_or("");
            entry.Module = modulePath;
            entries.push_back(std::move(entry));
        }
    }
    dlclose(module);
    return entries;
}

std::vector<TEntry> FileEntries(const std::string& path) {
    std::vector<TEntry> entries;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            const std::string name = Trim(line.substr(1, line.size() - 2));
            if (IsKeyName(name)) entries.push_back(TEntry{name, {}, {}, {}});
            else entries.push_back(TEntry{});  // a broken header: its values go nowhere
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos || equals == 0 || entries.empty() || entries.back().SubKey.empty()) continue;
        const std::string key = Lower(Trim(line.substr(0, equals)));
        const std::string value = Trim(line.substr(equals + 1));
        auto& entry = entries.back();
        if (key == "module") entry.Module = value;
        else if (key == "clsid" || key == "description") entry.Values[key] = value;
        if (key == "clsid") entry.ClsidText = value;
    }
    entries.erase(std::remove_if(entries.begin(), entries.end(), [](const TEntry& e) { return e.SubKey.empty(); }),
                  entries.end());
    return entries;
}

std::vector<std::string> ModulesOf(const std::vector<std::string>& folders) {
    std::vector<std::string> modules, fileNames;
    for (const auto& folder : folders) {
        std::vector<fs::path> found;
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
            if (it->path().extension() == ".so" && it->is_regular_file(error)) found.push_back(it->path());
        std::sort(found.begin(), found.end());
        for (const auto& path : found) {
            const std::string fileName = path.filename().string();
            if (std::find(fileNames.begin(), fileNames.end(), fileName) != fileNames.end()) continue;
            fileNames.push_back(fileName);
            modules.push_back(path.string());
        }
    }
    return modules;
}
}  // namespace

TDriverRegistry::TDriverRegistry(const std::vector<std::string>& driverFolders, const std::string& registryFile) {
    std::vector<TEntry> entries;
    for (const auto& module : ModulesOf(driverFolders))
        for (auto& entry : ModuleEntries(module)) entries.push_back(std::move(entry));
    if (!registryFile.empty())
        for (auto& entry : FileEntries(registryFile)) entries.push_back(std::move(entry));

    std::stable_sort(entries.begin(), entries.end(),
                     [](const TEntry& a, const TEntry& b) { return Lower(a.SubKey) < Lower(b.SubKey); });
    FTree.AddKey(TRegistryRoot::LocalMachine, "software\\asio");
    for (const auto& entry : entries) {
        const std::string key = "software\\asio\\" + entry.SubKey;
        if (FTree.KeyExists(TRegistryRoot::LocalMachine, key)) continue;  // the first of a name wins
        FTree.AddKey(TRegistryRoot::LocalMachine, key);
        for (const auto& [name, value] : entry.Values) FTree.SetString(TRegistryRoot::LocalMachine, key, name, value);
        if (entry.ClsidText.empty() || entry.Module.empty()) continue;
        const std::string server = "clsid\\" + Lower(entry.ClsidText) + "\\InprocServer32";
        if (!FTree.KeyExists(TRegistryRoot::ClassesRoot, server))
            FTree.SetString(TRegistryRoot::ClassesRoot, server, "", entry.Module);
    }
}

std::unique_ptr<TDriverRegistry> TDriverRegistry::ForProgram() {
    return std::make_unique<TDriverRegistry>(BundledDriverFolders(), DriverRegistryFile());
}

bool TDriverRegistry::KeyExists(TRegistryRoot root, const std::string& path) const {
    return FTree.KeyExists(root, path);
}

std::vector<std::string> TDriverRegistry::SubKeyNames(TRegistryRoot root, const std::string& path) const {
    return FTree.SubKeyNames(root, path);
}

std::optional<std::string> TDriverRegistry::ReadString(TRegistryRoot root, const std::string& path,
                                                       const std::string& valueName) const {
    return FTree.ReadString(root, path, valueName);
}

}  // namespace quenthal
