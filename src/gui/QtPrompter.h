#pragma once

#include "platform/Prompter.h"

#include <QStringList>

class QWidget;

// Message boxes and file dialogs on Qt, owned by the window that is active when they open.
class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* fallbackOwner = nullptr) : m_fallbackOwner(fallbackOwner) {}
    void SetFallbackOwner(QWidget* owner) { m_fallbackOwner = owner; }

    void ShowMessage(const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& text) override;
    std::optional<std::string> AskOpenFileName(const FileDialogRequest& request) override;
    std::optional<std::string> AskSaveFileName(const FileDialogRequest& request) override;
    bool OpenDocument(const std::string& path) override;

    // "Text files (*.txt)|*.txt|All files (*.*)|*.*||" as a Qt name filter list, each
    // pattern shown once.
    static QStringList NameFilters(const std::string& filter);
    // Whether the file name part of a path holds '*' or '?'. A save dialog never gives such a
    // name back: it is refused with PatternRefusal and the dialog comes again.
    static bool IsPatternName(const QString& path);
    static QString PatternRefusal(const QString& path);

private:
    QWidget* Owner() const;
    QWidget* m_fallbackOwner;
};
