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
    // A save dialog asks before it lets an existing file be chosen.
    bool OverwritePrompt = false;
    // The chosen file stays out of the desktop's list of recent documents.
    bool NoRecentDocuments = false;
    // The folder the dialog starts in; empty leaves it to the dialog.
    std::string InitialFolder;
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
    // A save dialog never gives back a name holding '*' or '?': such a name is a pattern,
    // refused there with a message.
    virtual std::optional<std::string> AskSaveFileName(const FileDialogRequest& request) = 0;
    // Opens a document with the desktop's program for it, as the shell's "open" does; false
    // when that could not be started. A prompter without a desktop opens nothing.
    virtual bool OpenDocument(const std::string& path) {
        (void)path;
        return false;
    }
};
