#include "app/Utilities.h"

#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/FileAttributes.h"
#include "platform/FileRead.h"
#include "platform/ShellOpen.h"
#include "platform/Version.h"

#include <algorithm>
#include <sys/stat.h>

namespace quenthal {

bool AskBeforeAttributeReset = true;

namespace {
TMessageBox BoxFromStyle(const std::string& caption, const std::string& text, uint16_t flags) {
    TMessageBox box;
    box.stCaption = caption;
    box.stText = text;
    box.boTaskModal = (flags & MessageBoxStyle::TaskModal) != 0;
    using B = TDialogButton;
    switch (flags & 0x000F) {
        case MessageBoxStyle::OkCancel: box.Buttons = {B::Ok, B::Cancel}; break;
        case MessageBoxStyle::AbortRetryIgnore: box.Buttons = {B::Abort, B::Retry, B::Ignore}; break;
        case MessageBoxStyle::YesNoCancel: box.Buttons = {B::Yes, B::No, B::Cancel}; break;
        case MessageBoxStyle::YesNo: box.Buttons = {B::Yes, B::No}; break;
        case MessageBoxStyle::RetryCancel: box.Buttons = {B::Retry, B::Cancel}; break;
        default: box.Buttons = {B::Ok}; break;
    }
    switch (flags & 0x00F0) {
        case MessageBoxStyle::IconError: box.Kind = TDialogKind::Error; break;
        case MessageBoxStyle::IconQuestion: box.Kind = TDialogKind::Confirmation; break;
        case MessageBoxStyle::IconWarning: box.Kind = TDialogKind::Warning; break;
        case MessageBoxStyle::IconInformation: box.Kind = TDialogKind::Information; break;
        default: box.Kind = TDialogKind::Plain; break;
    }
    return box;
}

int ResultCode(TDialogButton button) {
    switch (button) {
        case TDialogButton::Ok: return MessageBoxResult::Ok;
        case TDialogButton::Cancel: return MessageBoxResult::Cancel;
        case TDialogButton::Abort: return MessageBoxResult::Abort;
        case TDialogButton::Retry: return MessageBoxResult::Retry;
        case TDialogButton::Ignore: return MessageBoxResult::Ignore;
        case TDialogButton::Yes: return MessageBoxResult::Yes;
        case TDialogButton::No: return MessageBoxResult::No;
        case TDialogButton::None: break;
    }
    return 0;
}

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool CopyWholeFile(const std::string& source, const std::string& target) {
    std::string bytes;
    if (ReadWholeFile(source, bytes) != TReadResult::Read) return false;
    // The system copy refuses to overwrite a write-protected target.
    if (IsReadOnlyForUser(target)) return false;
    return WriteFileAtomically(target, bytes);
}
}  // namespace

std::string GetVersionString(const std::string& path) {
    const auto info = VersionResources().FixedFileInfo(path);
    if (!info) return "NoVersionInfo";
    std::string text = std::to_string(info->dwFileVersionMS >> 16) + "." +
                       std::to_string(info->dwFileVersionMS & 0xFFFF) + "." +
                       std::to_string(info->dwFileVersionLS >> 16) + "." +
                       std::to_string(info->dwFileVersionLS & 0xFFFF);
    if (info->dwFileFlags & kVersionFlagDebug) text += " debug";
    if (info->dwFileFlags & kVersionFlagPreRelease) text += " beta";
    if (info->dwFileFlags & kVersionFlagPrivateBuild) text += " private";
    if (info->dwFileFlags & kVersionFlagSpecialBuild) text += " special";
    return text;
}

int ShowMessageBox(const std::string& caption, const std::string& text, uint16_t typeFlags) {
    return ResultCode(Dialogs().ShowMessage(BoxFromStyle(caption, text, typeFlags)));
}

void ShowErrorBox(const std::string& text) {
    Dialogs().Beep();
    EventPump().ProcessMessages(0);
    ShowMessageBox("Error", text, MessageBoxStyle::TaskModal | MessageBoxStyle::IconError);
}

void WaitMs(int32_t n) {
    const int64_t start = Clock().TickCountMs();
    for (;;) {
        const int64_t elapsed = Clock().TickCountMs() - start;
        if (elapsed > n) return;
        // Wait for events in short slices so the loop neither spins nor oversleeps the end.
        const int64_t left = int64_t{n} - elapsed + 1;
        EventPump().ProcessMessages(static_cast<int>(std::clamp<int64_t>(left, 1, 10)));
    }
}

void CopyFileChecked(const std::string& source, const std::string& target) {
    if (source.empty() || target.empty()) return;
    if (!IsRegularFile(source)) {
        ShowErrorBox("Abort: Source file not found: " + source);
        return;
    }
    const TFileAttributes attributes = ReadFileAttributes(source).value_or(TFileAttributes{});
    std::string note;
    if (attributes.boReadOnly) note += " Write proteced ";
    if (attributes.boSystem) note += " System file ";
    if (attributes.boHidden) note += " Hiddent ";
    if (!note.empty() && AskBeforeAttributeReset) {
        TMessageBox box;
        box.Kind = TDialogKind::Confirmation;
        box.stText = "File " + source + " can not copied!" + "\r\n" + "Reset flags <" + note + "> ?";
        box.Buttons = {TDialogButton::Yes, TDialogButton::No};
        if (Dialogs().ShowMessage(box) != TDialogButton::Yes) {
            ShowErrorBox("Abort: Con not possible!");
            return;
        }
        ResetFileAttributes(source);
    }
    if (!CopyWholeFile(source, target)) ShowErrorBox("Copy of mic correction file not possible");
}

void ShellOpen(TWindowHandle, const std::string& target) { Shell().Open(target); }

}  // namespace quenthal
