#pragma once
// Small routines shared by the program: version text, message and error boxes, a wait that keeps
// the window alive, the guarded file copy of "Preset Save as", file names and the shell's "open".
// None of their texts is translated.

#include "platform/FileNames.h"

#include <cstdint>
#include <string>

namespace quenthal {

// Style bits of the system message box.
namespace MessageBoxStyle {
constexpr uint16_t Ok = 0x0000;
constexpr uint16_t OkCancel = 0x0001;
constexpr uint16_t AbortRetryIgnore = 0x0002;
constexpr uint16_t YesNoCancel = 0x0003;
constexpr uint16_t YesNo = 0x0004;
constexpr uint16_t RetryCancel = 0x0005;
constexpr uint16_t IconError = 0x0010;
constexpr uint16_t IconQuestion = 0x0020;
constexpr uint16_t IconWarning = 0x0030;
constexpr uint16_t IconInformation = 0x0040;
constexpr uint16_t TaskModal = 0x2000;
}  // namespace MessageBoxStyle

// Button codes of the system message box.
namespace MessageBoxResult {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Abort = 3;
constexpr int Retry = 4;
constexpr int Ignore = 5;
constexpr int Yes = 6;
constexpr int No = 7;
}  // namespace MessageBoxResult

// "a.b.c.d" of the file's version with " debug", " beta", " private", " special" for its flags;
// "NoVersionInfo" for a file without a version.
std::string GetVersionString(const std::string& path);

// A message box with the given caption, text and style bits; gives the code of the button that
// closed it.
int ShowMessageBox(const std::string& caption, const std::string& text, uint16_t typeFlags);

// Beep, let pending window events run, then a task-modal error box captioned "Error".
void ShowErrorBox(const std::string& text);

// Returns once more than n milliseconds have passed, running window events meanwhile.
void WaitMs(int32_t n);

// Asked before a write-protected or hidden source's flags are reset; on from the start.
extern bool AskBeforeAttributeReset;

// Copies source over target, asking first when the source is write-protected or hidden. Every
// failure is shown in an error box.
void CopyFileChecked(const std::string& source, const std::string& target);

// An opaque window handle; Linux openers do not need one.
using TWindowHandle = const void*;

// Opens a document or web address with the desktop's opener.
void ShellOpen(TWindowHandle window, const std::string& target);

}  // namespace quenthal
