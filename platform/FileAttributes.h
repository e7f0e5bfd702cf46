#pragma once
// The file attributes that a guarded copy reads and resets, mapped onto a POSIX file system:
// read-only means the permission bits deny the user writing (root's override is not counted, so a
// write-protected file reads as such for every user), hidden means the name starts with a dot, and
// the system attribute is never set.

#include <optional>
#include <string>

namespace quenthal {

struct TFileAttributes {
    bool boReadOnly = false;
    bool boHidden = false;
    bool boSystem = false;
};

// nullopt when the file cannot be examined (missing, no access to its folder).
std::optional<TFileAttributes> ReadFileAttributes(const std::string& path);

bool IsReadOnlyForUser(const std::string& path);

// "Archive only": clears read-only by giving the user write permission. Hidden stays, since it is
// the file's name and a rename would move the file away from its path. False when it fails.
bool ResetFileAttributes(const std::string& path);

}  // namespace quenthal
