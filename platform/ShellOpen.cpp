#include "platform/ShellOpen.h"

#include <atomic>
#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace quenthal {

namespace {
std::atomic<IShell*> GShell{nullptr};
}

TXdgShell::TXdgShell(std::string opener) : FOpener(std::move(opener)) {}

bool TXdgShell::Open(const std::string& target) {
    if (target.empty()) return false;
    // Arguments go to the opener as they are, never through a shell, so a target cannot run
    // commands of its own.
    std::string opener = FOpener;
    std::string argument = target;
    char* argv[] = {opener.data(), argument.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawnp(&pid, opener.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
    // Some openers stay until the document's program ends: reap it on the side.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

IShell& Shell() {
    static TXdgShell xdg;
    IShell* installed = GShell.load();
    return installed ? *installed : xdg;
}

void SetShell(IShell* shell) { GShell.store(shell); }

}  // namespace quenthal
