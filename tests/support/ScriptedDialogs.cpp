#include "tests/support/ScriptedDialogs.h"

#include <stdexcept>

namespace quenthal {

TScriptedDialogs::TScriptedDialogs() { SetDialogs(this); }
TScriptedDialogs::~TScriptedDialogs() { SetDialogs(nullptr); }

void TScriptedDialogs::AnswerButton(TDialogButton button) { FScript.emplace_back(button); }
void TScriptedDialogs::AnswerText(std::optional<std::string> text) { FScript.emplace_back(std::move(text)); }

std::optional<TScriptedDialogs::TAnswer> TScriptedDialogs::NextAnswer() {
    if (FScript.empty()) return std::nullopt;
    TAnswer answer = std::move(FScript.front());
    FScript.pop_front();
    return answer;
}

TDialogButton TScriptedDialogs::ShowMessage(const TMessageBox& box) {
    TRecord record;
    record.Message = box;
    const auto answer = NextAnswer();
    TDialogButton button = box.Buttons.empty() ? TDialogButton::Ok : box.Buttons.front();
    if (!answer) {
        record.boUnscripted = true;
    } else if (const auto* scripted = std::get_if<TDialogButton>(&*answer)) {
        button = *scripted;
    } else {
        throw std::logic_error("script answers a message box with text: " + box.stText);
    }
    FRecords.push_back(std::move(record));
    return button;
}

std::optional<std::string> TScriptedDialogs::InputBox(const TInputBox& box) {
    TRecord record;
    record.Type = TRecord::TType::Input;
    record.Input = box;
    const auto answer = NextAnswer();
    std::optional<std::string> text;
    if (!answer) {
        record.boUnscripted = true;
    } else if (const auto* scripted = std::get_if<std::optional<std::string>>(&*answer)) {
        text = *scripted;
    } else {
        throw std::logic_error("script answers an input box with a button: " + box.stCaption);
    }
    FRecords.push_back(std::move(record));
    return text;
}

std::optional<std::string> TScriptedDialogs::AnswerFile(TRecord record) {
    const auto answer = NextAnswer();
    std::optional<std::string> path;
    if (!answer) {
        record.boUnscripted = true;
    } else if (const auto* scripted = std::get_if<std::optional<std::string>>(&*answer)) {
        path = *scripted;
    } else {
        throw std::logic_error("script answers a file dialog with a button: " + record.File.stTitle);
    }
    FRecords.push_back(std::move(record));
    return path;
}

std::optional<std::string> TScriptedDialogs::OpenFile(const TFileDialog& dialog) {
    TRecord record;
    record.Type = TRecord::TType::Open;
    record.File = dialog;
    return AnswerFile(std::move(record));
}

std::optional<std::string> TScriptedDialogs::SaveFile(const TFileDialog& dialog) {
    TRecord record;
    record.Type = TRecord::TType::Save;
    record.File = dialog;
    return AnswerFile(std::move(record));
}

std::vector<std::string> TScriptedDialogs::MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& record : FRecords) {
        if (record.Type == TRecord::TType::Message) texts.push_back(record.Message.stText);
    }
    return texts;
}

size_t TScriptedDialogs::UnscriptedCount() const {
    size_t count = 0;
    for (const auto& record : FRecords) count += record.boUnscripted ? 1 : 0;
    return count;
}

}  // namespace quenthal
