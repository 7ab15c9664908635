#pragma once

#include <optional>
#include <string>

enum class MessageIcon { None, Information, Warning, Error };

// What a file dialog asks for: its title, the filter ("Text files (*.txt)|*.txt|..."),
// the default extension and the file name it proposes.
struct FileDialogRequest {
    std::string Title;
    std::string Filter;
    std::string DefaultExtension;
    std::string FileName;
};

// Everything that waits for the person at the screen: message boxes and file dialogs.
class Prompter {
public:
    virtual ~Prompter() = default;
    // A message box with an OK button only.
    virtual void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::None) = 0;
    // A Yes/No question with No as the default button; true means Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // The chosen path, or nothing when the person cancelled.
    virtual std::optional<std::string> AskOpenFileName(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> AskSaveFileName(const FileDialogRequest& request) = 0;
};
