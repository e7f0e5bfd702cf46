#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quenthal {

namespace {
bool Fail(std::string* errorText, const char* step, int error) {
    if (errorText) *errorText = std::string(step) + ": " + std::strerror(error);
    return false;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}
}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* errorText) {
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return Fail(errorText, "create", errno);

    // Keep the permissions of the file we replace; a new file gets the usual 0666 & ~umask.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }

    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            ::unlink(temp.c_str());
            return Fail(errorText, "write", error);
        }
        written += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        return Fail(errorText, "flush", error);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return Fail(errorText, "close", error);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return Fail(errorText, "rename", error);
    }
    // The rename itself lives in the folder: flush it too, so the new name survives a power cut.
    const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace quenthal
