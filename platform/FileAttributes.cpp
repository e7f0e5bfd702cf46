#include "platform/FileAttributes.h"

#include <sys/stat.h>
#include <unistd.h>

namespace quenthal {

namespace {
// The write bit of the permission class that applies to this user: owner, group or others.
mode_t UserWriteBit(const struct stat& info) {
    if (info.st_uid == ::geteuid()) return S_IWUSR;
    if (info.st_gid == ::getegid()) return S_IWGRP;
    gid_t groups[256];
    const int count = ::getgroups(256, groups);
    for (int i = 0; i < count; ++i) {
        if (groups[i] == info.st_gid) return S_IWGRP;
    }
    return S_IWOTH;
}

std::string NameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

std::optional<TFileAttributes> ReadFileAttributes(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    TFileAttributes attributes;
    attributes.boReadOnly = (info.st_mode & UserWriteBit(info)) == 0;
    attributes.boHidden = NameOf(path).starts_with('.');
    return attributes;
}

bool IsReadOnlyForUser(const std::string& path) {
    const auto attributes = ReadFileAttributes(path);
    return attributes && attributes->boReadOnly;
}

bool ResetFileAttributes(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    const mode_t bit = UserWriteBit(info);
    if (info.st_mode & bit) return true;
    return ::chmod(path.c_str(), (info.st_mode & 07777) | bit) == 0;
}

}  // namespace quenthal
