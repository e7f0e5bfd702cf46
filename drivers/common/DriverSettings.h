#pragma once
// A driver's own small INI file: "key=value" lines under "[section]" headers, names without regard
// to letter case. Unreadable files and unknown or malformed lines are skipped; the driver keeps its
// defaults for whatever is missing.

#include <cstdint>
#include <map>
#include <string>

namespace quenthal::drivers {

class TDriverSettings {
public:
    static TDriverSettings Load(const std::string& path);

    std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback) const;
    // The value when it is a whole decimal number within [low, high], else fallback.
    int64_t ReadInteger(const std::string& section, const std::string& key, int64_t fallback, int64_t low,
                        int64_t high) const;

private:
    std::map<std::string, std::string> FValues;  // "section\nkey", lower case -> value
};

}  // namespace quenthal::drivers
