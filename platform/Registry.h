#pragma once
// Read-only registry: a tree of keys with string values, as the driver list reads it. Paths use "\"
// between key names and are matched without regard to letter case. The Linux backing lists the
// devices of the bundled driver modules; tests build a TMemoryRegistry.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quenthal {

enum class TRegistryRoot { LocalMachine, ClassesRoot };

class IRegistry {
public:
    virtual ~IRegistry() = default;
    virtual bool KeyExists(TRegistryRoot root, const std::string& path) const = 0;
    // Sub-key names of an existing key, in enumeration order; empty for a missing key.
    virtual std::vector<std::string> SubKeyNames(TRegistryRoot root, const std::string& path) const = 0;
    // A string value; the empty name is the key's default value. nullopt when key or value is missing.
    virtual std::optional<std::string> ReadString(TRegistryRoot root, const std::string& path,
                                                  const std::string& valueName) const = 0;
};

// An in-memory tree. Keys come into being with their parents; sub-keys enumerate in the order in
// which they were first added.
class TMemoryRegistry : public IRegistry {
public:
    void AddKey(TRegistryRoot root, const std::string& path);
    void SetString(TRegistryRoot root, const std::string& path, const std::string& valueName,
                   const std::string& value);
    void Clear();

    bool KeyExists(TRegistryRoot root, const std::string& path) const override;
    std::vector<std::string> SubKeyNames(TRegistryRoot root, const std::string& path) const override;
    std::optional<std::string> ReadString(TRegistryRoot root, const std::string& path,
                                          const std::string& valueName) const override;

private:
    struct TKey {
        std::vector<std::string> SubKeys;  // original spelling, insertion order
        std::map<std::string, std::string> Values;  // lower-case name -> value
    };
    static std::string Normalised(TRegistryRoot root, const std::string& path);
    std::map<std::string, TKey> FKeys;  // normalised path -> key
};

}  // namespace quenthal
