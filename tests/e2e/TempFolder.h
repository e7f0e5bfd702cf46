#pragma once
// A fresh folder for one test's settings and files, removed afterwards.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace quenthal::test {

class TTempFolder {
public:
    TTempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quenthal-e2e-XXXXXX").string();
        FPath = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TTempFolder() {
        std::error_code ignored;
        if (!FPath.empty()) std::filesystem::remove_all(FPath, ignored);
    }
    const std::string& Path() const { return FPath; }
    std::string File(const std::string& name) const { return FPath + "/" + name; }
    void Write(const std::string& name, const std::string& text) const { std::ofstream(File(name)) << text; }

private:
    std::string FPath;
};

}  // namespace quenthal::test
