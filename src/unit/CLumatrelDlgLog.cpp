#include "unit/CLumatrelDlg.h"

#include "platform/CodePage.h"
#include "platform/LocalTime.h"
#include "platform/ProfilePaths.h"
#include "platform/Prompter.h"
#include "platform/Trace.h"
#include "platform/UserProfile.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr const char* kCannotOpen = "logfile could not be opened";
constexpr const char* kCannotWrite = "logfile could not be written";

} // namespace

std::string CLumatrelDlg::ProfilePath() const {
    return m_services.profilePath.empty() ? UserProfilePath() : m_services.profilePath;
}

bool CLumatrelDlg::ChooseLogFileName() {
    const ProfileVersion version = CurrentProfileVersion();
    LogFilePath = ReadLogFilePath(ProfilePath(), version.major, version.minor);
    if (LogFilePath.empty()) {
        LogFilePath = "logFile.txt";
    }
    FileDialogRequest request;
    request.Filter = "Text files (*.txt)|*.txt|All files (*.*)|*.*|";
    request.FileName = LogFilePath;
    request.OverwritePrompt = true;
    request.NoRecentDocuments = true;
    const std::optional<std::string> chosen = m_services.prompter.AskSaveFileName(request);
    if (!chosen) {
        return false;
    }
    LogFilePath = *chosen;
    LogFileNameChosen = true;
    // Any dot counts, a folder's too: only a name without one gets the extension.
    if (LogFilePath.find('.') == std::string::npos) {
        LogFilePath += ".txt";
    }
    std::string error;
    if (!WriteLogFilePath(ProfilePath(), version.major, version.minor, LogFilePath, &error)) {
        Trace("LOG_FILE not stored: " + error + "\n");
    }
    return true;
}

bool CLumatrelDlg::OpenLogFile() {
    if (AskLogFileName && !ChooseLogFileName()) {
        return false;
    }
    if (LogFile == nullptr) {
        // A chosen name starts a new file; otherwise the lines go on after what it holds (and
        // a file removed in between is made again rather than losing them).
        const int flags = O_RDWR | O_CREAT | O_CLOEXEC | (AskLogFileName ? O_TRUNC : 0);
        const int fd = ::open(LogFilePath.c_str(), flags, 0666);
        if (fd >= 0) {
            LogFile = ::fdopen(fd, "r+b");
            if (LogFile == nullptr) {
                ::close(fd);
            }
        }
        if (LogFile == nullptr) {
            m_services.prompter.ShowMessage(kCannotOpen);
            return false;
        }
    }
    std::fseek(LogFile, 0, SEEK_END);
    AskLogFileName = false;
    return true;
}

void CLumatrelDlg::CloseLogFile() {
    if (LogFile != nullptr) {
        std::fclose(LogFile);
        LogFile = nullptr;
    }
}

bool CLumatrelDlg::WriteLogBytes(const std::string& bytes) {
    if (LogFile == nullptr) {
        return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), LogFile) == bytes.size()) {
        return true;
    }
    // The file is given up so that a full disk is reported once, not for every line.
    CloseLogFile();
    m_services.prompter.ShowMessage(kCannotWrite);
    return false;
}

bool CLumatrelDlg::FinishLogFile() {
    if (LogFile == nullptr) {
        return false;
    }
    // Buffered lines meet a full disk only when they are flushed.
    const bool written = std::fflush(LogFile) == 0 && std::ferror(LogFile) == 0;
    const bool closed = std::fclose(LogFile) == 0;
    LogFile = nullptr;
    if (!written || !closed) {
        m_services.prompter.ShowMessage(kCannotWrite);
        return false;
    }
    return true;
}

void CLumatrelDlg::ClearLogWindow() {
    Controls.LogEntries.clear();
    Controls.LogSelection = -1;
    if (m_view != nullptr) {
        m_view->LogCleared();
    }
}

void CLumatrelDlg::ToggleHideLogWindow() {
    Controls.HideLogWindowChecked = !Controls.HideLogWindowChecked;
    Controls.LogListVisible = !Controls.HideLogWindowChecked;
    Controls.LastLogVisible = Controls.HideLogWindowChecked;
    ShowEntries();
}

void CLumatrelDlg::SaveLogWindowToFile() {
    AskLogFileName = true;
    if (!OpenLogFile()) {
        return;
    }
    LogFileText = "saved to: " + LogFilePath;
    ShowEntries();
    const std::string header =
        "\n*****************\nsave logFile: " + FormatTimeStamp(m_services.clock()) + " \t";
    if (!WriteLogBytes(ToCp1252(header) + "\n")) {
        return;
    }
    std::string bytes;
    for (const std::string& line : Controls.LogEntries) {
        bytes = ToCp1252(line);
        bytes += '\n';
        if (!WriteLogBytes(bytes)) {
            return;
        }
    }
    FinishLogFile();
}
