#pragma once
// The modal dialogs of the program: message boxes (kind, caption, text, buttons -> the button that
// closed the box), the input box, and the open and save file dialogs. The Qt implementation lives
// in ui/; tests answer them with a scripted fake; without a window the boxes go to stderr and are
// answered with their default.

#include <optional>
#include <string>
#include <vector>

namespace quenthal {

enum class TDialogKind { Plain, Information, Warning, Error, Confirmation };

enum class TDialogButton { None, Ok, Cancel, Abort, Retry, Ignore, Yes, No };

struct TMessageBox {
    TDialogKind Kind = TDialogKind::Plain;
    // Empty: the application's title.
    std::string stCaption;
    std::string stText;
    // In the order they are shown; the first is the default. Never empty.
    std::vector<TDialogButton> Buttons{TDialogButton::Ok};
    // Blocks every window of the program, not only its owner.
    bool boTaskModal = false;
};

struct TInputBox {
    std::string stCaption;
    std::string stPrompt;
    std::string stDefault;
};

struct TFileDialog {
    std::string stTitle;
    std::string stFolder;       // the folder shown first
    std::string stFileName;     // the name proposed
    std::string stFilter;       // e.g. "Preset files (*.qth)|*.qth"
    std::string stDefaultExt;   // added to a name typed without one
};

class IDialogs {
public:
    virtual ~IDialogs() = default;
    // The button that closed the box; closing it otherwise gives Cancel when offered, else the
    // default button.
    virtual TDialogButton ShowMessage(const TMessageBox& box) = 0;
    // The text entered, or nullopt when the box was cancelled.
    virtual std::optional<std::string> InputBox(const TInputBox& box) = 0;
    // The chosen path, or nullopt when the dialog was cancelled.
    virtual std::optional<std::string> OpenFile(const TFileDialog& dialog) = 0;
    virtual std::optional<std::string> SaveFile(const TFileDialog& dialog) = 0;
    // The system's default beep.
    virtual void Beep() = 0;
};

// Headless: reports each box on stderr and answers it with its default.
class TConsoleDialogs : public IDialogs {
public:
    TDialogButton ShowMessage(const TMessageBox& box) override;
    std::optional<std::string> InputBox(const TInputBox& box) override;
    std::optional<std::string> OpenFile(const TFileDialog& dialog) override;
    std::optional<std::string> SaveFile(const TFileDialog& dialog) override;
    void Beep() override;
};

// The process's dialogs; nullptr restores the console ones.
IDialogs& Dialogs();
void SetDialogs(IDialogs* dialogs);

}  // namespace quenthal
