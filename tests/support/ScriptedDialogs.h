#pragma once
// Dialogs for tests: every box is recorded, and each is answered from the script in the order the
// answers were queued. A box with no answer left takes its default (the first button, a cancelled
// input or file dialog) and is counted as unscripted, so a test can tell an unexpected box.

#include "platform/Dialogs.h"

#include <deque>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace quenthal {

class TScriptedDialogs : public IDialogs {
public:
    struct TRecord {
        enum class TType { Message, Input, Open, Save } Type = TType::Message;
        TMessageBox Message;        // Type Message
        TInputBox Input;            // Type Input
        TFileDialog File;           // Type Open, Save
        bool boUnscripted = false;
    };

    // Installs itself as the process's dialogs for its lifetime.
    TScriptedDialogs();
    ~TScriptedDialogs() override;
    TScriptedDialogs(const TScriptedDialogs&) = delete;
    TScriptedDialogs& operator=(const TScriptedDialogs&) = delete;

    void AnswerButton(TDialogButton button);
    // Text for an input box, a path for a file dialog; nullopt cancels either.
    void AnswerText(std::optional<std::string> text);

    TDialogButton ShowMessage(const TMessageBox& box) override;
    std::optional<std::string> InputBox(const TInputBox& box) override;
    std::optional<std::string> OpenFile(const TFileDialog& dialog) override;
    std::optional<std::string> SaveFile(const TFileDialog& dialog) override;
    void Beep() override { ++FBeeps; }

    const std::vector<TRecord>& Records() const { return FRecords; }
    // The texts of the message boxes shown, in order.
    std::vector<std::string> MessageTexts() const;
    size_t UnscriptedCount() const;
    size_t PendingAnswers() const { return FScript.size(); }
    int Beeps() const { return FBeeps; }

private:
    using TAnswer = std::variant<TDialogButton, std::optional<std::string>>;
    std::optional<TAnswer> NextAnswer();
    std::optional<std::string> AnswerFile(TRecord record);

    std::deque<TAnswer> FScript;
    std::vector<TRecord> FRecords;
    int FBeeps = 0;
};

}  // namespace quenthal
