#include "platform/Registry.h"

#include <algorithm>
#include <cctype>

namespace quenthal {

namespace {
std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Splits "a\b\c" into its names, dropping empty ones from doubled or trailing separators.
std::vector<std::string> Split(const std::string& path) {
    std::vector<std::string> names;
    std::string current;
    for (char c : path) {
        if (c == '\\') {
            if (!current.empty()) names.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) names.push_back(current);
    return names;
}
}  // namespace

std::string TMemoryRegistry::Normalised(TRegistryRoot root, const std::string& path) {
    std::string key = root == TRegistryRoot::LocalMachine ? "hklm" : "hkcr";
    for (const auto& name : Split(path)) key += "\\" + Lower(name);
    return key;
}

void TMemoryRegistry::AddKey(TRegistryRoot root, const std::string& path) {
    std::string parent = root == TRegistryRoot::LocalMachine ? "hklm" : "hkcr";
    FKeys[parent];
    for (const auto& name : Split(path)) {
        const std::string child = parent + "\\" + Lower(name);
        if (FKeys.find(child) == FKeys.end()) {
            FKeys[child];
            FKeys[parent].SubKeys.push_back(name);
        }
        parent = child;
    }
}

void TMemoryRegistry::SetString(TRegistryRoot root, const std::string& path, const std::string& valueName,
                                const std::string& value) {
    AddKey(root, path);
    FKeys[Normalised(root, path)].Values[Lower(valueName)] = value;
}

void TMemoryRegistry::Clear() { FKeys.clear(); }

bool TMemoryRegistry::KeyExists(TRegistryRoot root, const std::string& path) const {
    return FKeys.count(Normalised(root, path)) != 0;
}

std::vector<std::string> TMemoryRegistry::SubKeyNames(TRegistryRoot root, const std::string& path) const {
    const auto it = FKeys.find(Normalised(root, path));
    return it == FKeys.end() ? std::vector<std::string>{} : it->second.SubKeys;
}

std::optional<std::string> TMemoryRegistry::ReadString(TRegistryRoot root, const std::string& path,
                                                       const std::string& valueName) const {
    const auto it = FKeys.find(Normalised(root, path));
    if (it == FKeys.end()) return std::nullopt;
    const auto value = it->second.Values.find(Lower(valueName));
    if (value == it->second.Values.end()) return std::nullopt;
    return value->second;
}

}  // namespace quenthal
