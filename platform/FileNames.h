#pragma once
// File-name helpers shared by the settings layer and the program.

#include <string>

namespace quenthal {

// The file name without its folder, cut before its first "." ("/a/preset.old.qth" -> "preset");
// a name without a dot is returned whole.
std::string ExtractBaseName(const std::string& path);

// The file name without its folder.
std::string ExtractFileName(const std::string& path);

// True when the path names a folder as well as a file ("/a/b.qth", "sub/b.qth").
bool HasFolderPart(const std::string& path);

}  // namespace quenthal
