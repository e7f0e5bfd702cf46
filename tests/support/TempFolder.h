#pragma once
// A fresh folder below the system's temporary folder, removed with everything in it at the end.

#include <filesystem>
#include <string>

namespace quenthal {

class TTempFolder {
public:
    explicit TTempFolder(const std::string& name);
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    std::string File(const std::string& name) const { return (FPath / name).string(); }
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;

private:
    std::filesystem::path FPath;
};

}  // namespace quenthal
