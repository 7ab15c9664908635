#include "unit/CLumatrelDlg.h"

bool CLumatrelDlg::OpenLogFile() {
    if (LogFile == nullptr && !LogFilePath.empty()) {
        LogFile = std::fopen(LogFilePath.c_str(), AskLogFileName ? "w+b" : "r+b");
        if (LogFile != nullptr) {
            std::fseek(LogFile, 0, SEEK_END);
            AskLogFileName = false;
        }
    }
    return LogFile != nullptr;
}

void CLumatrelDlg::CloseLogFile() {
    if (LogFile != nullptr) {
        std::fclose(LogFile);
        LogFile = nullptr;
    }
}
