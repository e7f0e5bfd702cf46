#include "platform/Dialogs.h"

#include <atomic>
#include <cstdio>

namespace quenthal {

namespace {
std::atomic<IDialogs*> GDialogs{nullptr};

const char* KindName(TDialogKind kind) {
    switch (kind) {
        case TDialogKind::Information: return "information";
        case TDialogKind::Warning: return "warning";
        case TDialogKind::Error: return "error";
        case TDialogKind::Confirmation: return "confirmation";
        case TDialogKind::Plain: break;
    }
    return "message";
}
}  // namespace

TDialogButton TConsoleDialogs::ShowMessage(const TMessageBox& box) {
    std::fprintf(stderr, "quenthal %s: %s%s%s\n", KindName(box.Kind), box.stCaption.c_str(),
                 box.stCaption.empty() ? "" : ": ", box.stText.c_str());
    return box.Buttons.empty() ? TDialogButton::Ok : box.Buttons.front();
}

std::optional<std::string> TConsoleDialogs::InputBox(const TInputBox& box) {
    std::fprintf(stderr, "quenthal input: %s: %s (cancelled)\n", box.stCaption.c_str(), box.stPrompt.c_str());
    return std::nullopt;
}

std::optional<std::string> TConsoleDialogs::OpenFile(const TFileDialog&) { return std::nullopt; }
std::optional<std::string> TConsoleDialogs::SaveFile(const TFileDialog&) { return std::nullopt; }
void TConsoleDialogs::Beep() {}

IDialogs& Dialogs() {
    static TConsoleDialogs console;
    IDialogs* installed = GDialogs.load();
    return installed ? *installed : console;
}

void SetDialogs(IDialogs* dialogs) { GDialogs.store(dialogs); }

}  // namespace quenthal
