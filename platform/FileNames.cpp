#include "platform/FileNames.h"

namespace quenthal {

std::string ExtractFileName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractBaseName(const std::string& path) {
    const std::string name = ExtractFileName(path);
    return name.substr(0, name.find('.'));
}

bool HasFolderPart(const std::string& path) { return path.find('/') != std::string::npos; }

}  // namespace quenthal
