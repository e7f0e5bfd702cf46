#include "platform/FileRead.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quenthal {

TReadResult ReadWholeFile(const std::string& path, std::string& bytes, std::string* errorText) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) return TReadResult::Missing;
        if (errorText) *errorText = std::strerror(error);
        return TReadResult::Failed;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (errorText) *errorText = "not a regular file";
        ::close(fd);
        return TReadResult::Failed;
    }
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errorText) *errorText = std::strerror(errno);
            ::close(fd);
            bytes.clear();
            return TReadResult::Failed;
        }
        bytes.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return TReadResult::Read;
}

}  // namespace quenthal
