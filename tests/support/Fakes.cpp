#include "support/Fakes.h"

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
