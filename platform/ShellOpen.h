#pragma once
// The shell's "open" verb: hands a document or web address to the desktop's opener (xdg-open),
// which runs on its own; the program does not wait for it.

#include <string>

namespace quenthal {

class IShell {
public:
    virtual ~IShell() = default;
    // True when the opener was started.
    virtual bool Open(const std::string& target) = 0;
};

class TXdgShell : public IShell {
public:
    // The opener program; tests pass a script of their own.
    explicit TXdgShell(std::string opener = "xdg-open");
    bool Open(const std::string& target) override;

private:
    std::string FOpener;
};

// The process's shell; nullptr restores xdg-open.
IShell& Shell();
void SetShell(IShell* shell);

}  // namespace quenthal
