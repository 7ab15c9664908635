#include "unit/CLumatrelDlg.h"

#include "link/CRKM5Rs232IoError.h"
#include "link/CRKM5TcpIoError.h"
#include "link/CRkmio.h"
#include "platform/CodePage.h"
#include "platform/Format.h"
#include "platform/Prompter.h"
#include "unit/ExchangeLock.h"

void CLumatrelDlg::AppendEntries(const std::string& text) {
    const size_t first = Controls.LogEntries.size();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > start) {
            Controls.LogEntries.emplace_back(text, start, end - start);
        }
        start = end + 1;
    }
    Controls.LogSelection = static_cast<int>(Controls.LogEntries.size()) - 1;
    if (m_view != nullptr && Controls.LogEntries.size() > first) {
        m_view->LogAppended(first, Controls.LogEntries.size() - first);
    }
}

void CLumatrelDlg::AppendLog(const std::string& text, int target) {
    AppendEntries(text);
    LastLogText = text;
    ShowEntries();
    if (target == 0) {
        WriteLogFile(text);
    } else if (InfoFile != nullptr) {
        const std::string bytes = ToCp1252(text) + "\n";
        std::fwrite(bytes.data(), 1, bytes.size(), InfoFile);
    }
}

void CLumatrelDlg::WriteLogFile(const std::string& text) {
    if (LogWriteThrough != 0) {
        // Lines for a log file this page never chose go to the window only: the report must
        // neither ask for a name nor write into a file that another page proposed.
        if (!LogFileNameChosen) {
            return;
        }
        OpenLogFile();
    }
    if (LogFile != nullptr) {
        WriteLogBytes(ToCp1252(text) + "\n");
    }
    if (LogWriteThrough != 0) {
        FinishLogFile();
    }
}

void CLumatrelDlg::LoseConnection(const std::string& message, const std::string& exceptionLine,
                                  const std::string& lostText, int target) {
    AppendLog(message, target);
    AppendLog(exceptionLine, target);
    DropLink();
    ResetUnitDisplay();
    m_services.prompter.ShowMessage(lostText);
}

template <typename Interpret>
void CLumatrelDlg::LockedExchange(const std::string& command, std::string& reply, int target,
                                  const char* tcpLine, const char* serialLine,
                                  Interpret interpret) {
    if (Link == nullptr) {
        return;
    }
    // The serial number as 8-bit text, for the message of a lost connection.
    auto lostSerial = [this] {
        KeepReportedSerNr();
        return FromCp1252(ToCp1252(SerNr));
    };
    std::unique_lock<std::recursive_mutex> lock(ExchangeLock());
    try {
        Link->SendCmd(command);
        Link->GetResponse(reply);
    } catch (const CRKM5TcpIoError& error) {
        lock.unlock();
        const std::string serial = lostSerial();
        LoseConnection(error.m_strMessage, tcpLine,
                       Format("TCP connection lost RKM5 SerialNumber: %s", serial.c_str()), target);
        return;
    } catch (const CRKM5Rs232IoError& error) {
        lock.unlock();
        const std::string serial = lostSerial();
        LoseConnection(error.m_strMessage, serialLine,
                       Format("RS232 connection lost RKM5 SerialNumber: %s", serial.c_str()),
                       target);
        return;
    }
    interpret();
}

void CLumatrelDlg::ExchangeCommand(const std::string& command, std::string& reply, int target) {
    if (Link == nullptr) {
        return;
    }
    LockedExchange(command, reply, target, "  Exception: IO-error on Tcp interface",
                   "  Exception: IO-error on RS232 interface",
                   [&] { InterpretReply(reply, command, target); });
    ShowEntries();
}

void CLumatrelDlg::ExchangeTemperature(const std::string& command, std::string& reply) {
    LockedExchange(command, reply, 0,
                   "  Exception: IO-error temperature monitoring on Tcp interface",
                   "   Exception: IO-error on RS232 interface (Temperatuere monitoring)",
                   [&] { InterpretTemperature(reply); });
}

void CLumatrelDlg::ExchangeVoltage(const std::string& command, std::string& reply) {
    LockedExchange(command, reply, 0,
                   "   Exception: IO-error led voltage monitoring on Tcp interface",
                   "   Exception: IO-error on RS232 interface (Voltage monitoring)",
                   [&] { InterpretVoltage(reply); });
}
