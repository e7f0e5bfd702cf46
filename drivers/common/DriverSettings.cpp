#include "drivers/common/DriverSettings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>

namespace quenthal::drivers {

namespace {
std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string Key(const std::string& section, const std::string& key) {
    std::string joined = Trim(section) + "\n" + Trim(key);
    std::transform(joined.begin(), joined.end(), joined.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return joined;
}
}  // namespace

TDriverSettings TDriverSettings::Load(const std::string& path) {
    TDriverSettings settings;
    std::ifstream file(path);
    std::string line, section;
    while (std::getline(file, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[') {
            if (line.back() == ']') section = line.substr(1, line.size() - 2);
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos || equals == 0) continue;
        settings.FValues.emplace(Key(section, line.substr(0, equals)), Trim(line.substr(equals + 1)));
    }
    return settings;
}

std::string TDriverSettings::ReadString(const std::string& section, const std::string& key,
                                        const std::string& fallback) const {
    const auto it = FValues.find(Key(section, key));
    return it == FValues.end() || it->second.empty() ? fallback : it->second;
}

int64_t TDriverSettings::ReadInteger(const std::string& section, const std::string& key, int64_t fallback,
                                     int64_t low, int64_t high) const {
    const std::string text = ReadString(section, key, "");
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return fallback;
    return value < low || value > high ? fallback : value;
}

}  // namespace quenthal::drivers
