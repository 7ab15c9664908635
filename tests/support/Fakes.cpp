#include "support/Fakes.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

std::uint16_t FreeUdpPort() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    std::uint16_t port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) == 0) {
        port = ntohs(sa.sin_port);
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return port;
}

void FakePrompter::ShowMessage(const std::string& text, MessageIcon icon) {
    Messages.push_back(text);
    Icons.push_back(icon);
}

bool FakePrompter::AskYesNo(const std::string& text) {
    Questions.push_back(text);
    if (YesNoAnswers.empty()) {
        return false;
    }
    const bool answer = YesNoAnswers.front();
    YesNoAnswers.pop_front();
    return answer;
}

std::optional<std::string> FakePrompter::AskOpenFileName(const FileDialogRequest& request) {
    FileRequests.push_back(request);
    if (FileAnswers.empty()) {
        return std::nullopt;
    }
    auto answer = FileAnswers.front();
    FileAnswers.pop_front();
    return answer;
}

std::optional<std::string> FakePrompter::AskSaveFileName(const FileDialogRequest& request) {
    return AskOpenFileName(request);
}

std::unique_ptr<TimerHost> FakeTimerFactory::CreateTimers(std::function<void(int id)> onTick) {
    auto timers = std::make_unique<FakeTimers>(std::move(onTick));
    Created.push_back(timers.get());
    return timers;
}

int FakeDialogRunner::RunModal(Crs232Config& dialog) {
    ++Runs;
    return OnRs232 ? OnRs232(dialog) : 2;
}

int FakeDialogRunner::RunModal(CTcpConfig& dialog) {
    ++Runs;
    return OnTcp ? OnTcp(dialog) : 2;
}

bool FakePrompter::OpenDocument(const std::string& path) {
    OpenedDocuments.push_back(path);
    return true;
}

int FakeDialogRunner::RunModal(CChannelMap& dialog) {
    ++Runs;
    return OnChannelMap ? OnChannelMap(dialog) : 2;
}

int FakeDialogRunner::RunModal(CDlgGlobalCurrent& dialog) {
    ++Runs;
    return OnGlobalCurrent ? OnGlobalCurrent(dialog) : 2;
}
