#include "SimUnit.h"

#include <stdexcept>

#include "SimResponder.h"

SimUnit::SimUnit() : SimUnit(SimIdentity{}) {}

SimUnit::SimUnit(SimIdentity identity) {
    m_state.Identity = std::move(identity);
    SetLayout({1, 1, 1, 1});
}

std::string SimUnit::Respond(const std::string& command) {
    std::lock_guard lock(m_mutex);
    m_received.push_back(command);
    return SimResponder::Respond(m_state, command);
}

SimFaults SimUnit::Faults() const {
    std::lock_guard lock(m_mutex);
    return m_faults;
}

void SimUnit::SetFaults(const SimFaults& faults) {
    std::lock_guard lock(m_mutex);
    m_faults = faults;
}

SimIdentity SimUnit::Identity() const {
    std::lock_guard lock(m_mutex);
    return m_state.Identity;
}

void SimUnit::SetIdentity(const SimIdentity& identity) {
    std::lock_guard lock(m_mutex);
    m_state.Identity = identity;
}

void SimUnit::CheckIndex(int index) {
    if (index < 0 || index >= 4) {
        throw std::out_of_range("SimUnit: channel index " + std::to_string(index));
    }
}

SimChannel SimUnit::Channel(int index) const {
    CheckIndex(index);
    std::lock_guard lock(m_mutex);
    return m_state.Channels[static_cast<std::size_t>(index)];
}

void SimUnit::SetChannel(int index, const SimChannel& channel) {
    CheckIndex(index);
    std::lock_guard lock(m_mutex);
    m_state.Channels[static_cast<std::size_t>(index)] = channel;
}

int SimUnit::OperatingMode() const {
    std::lock_guard lock(m_mutex);
    return m_state.OperatingMode;
}

void SimUnit::SetOperatingMode(int mode) {
    std::lock_guard lock(m_mutex);
    m_state.OperatingMode = mode;
}

int SimUnit::ErrorCode() const {
    std::lock_guard lock(m_mutex);
    return m_state.ErrorCode;
}

void SimUnit::SetErrorCode(int code) {
    std::lock_guard lock(m_mutex);
    m_state.ErrorCode = code;
}

void SimUnit::SetErrorReplyToken(const std::string& token) {
    std::lock_guard lock(m_mutex);
    m_state.ErrorReplyToken = token;
}

SimUnitState SimUnit::State() const {
    std::lock_guard lock(m_mutex);
    return m_state;
}

void SimUnit::SetLayout(const std::array<int, 4>& modulesPerChannel,
                        std::int32_t firstTesselSerNr) {
    for (int count : modulesPerChannel) {
        if (count < 0 || count > 4) {
            throw std::invalid_argument("SimUnit: modules per channel must be 0 to 4");
        }
    }
    std::array<SimChannel, 4> channels;
    std::int32_t nextSerNr = firstTesselSerNr;
    const SimChannel* covering = nullptr; // the module that still spans the current channel
    int coveredUpTo = -1;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        SimChannel& ch = channels[i];
        const int count = modulesPerChannel[i];
        if (count > 0) {
            ch.TesselSerNr = nextSerNr++;
            ch.ModuleCount = count;
            covering = &ch;
            coveredUpTo = static_cast<int>(i) + count - 1;
        } else if (covering != nullptr && static_cast<int>(i) <= coveredUpTo) {
            // One module on several channels carries one EEPROM, so every channel it spans
            // reports the same serial number and limits.
            ch.TesselSerNr = covering->TesselSerNr;
            ch.ModuleCount = 0;
            ch.CurrentMax = covering->CurrentMax;
            ch.CurrentMin = covering->CurrentMin;
        } else {
            ch.TesselSerNr = 0;
            ch.ModuleCount = 0;
            ch.CurrentMax = 0;
            ch.CurrentMin = 0;
            ch.Current = 0;
            ch.TesselTemp = 0;
        }
    }
    std::lock_guard lock(m_mutex);
    m_state.Channels = channels;
}

void SimUnit::SetM35(bool m35) {
    std::lock_guard lock(m_mutex);
    for (SimChannel& ch : m_state.Channels) {
        if (m35 && ch.TesselSerNr != 0) {
            // Limits at a reference of 1000 give back the module's own range.
            ch.InfoC = {ch.CurrentMax, ch.CurrentMin, 100, 100, 1000};
        } else {
            ch.InfoC = {0, 0, 0, 0, 0};
        }
    }
}

void SimUnit::ArmMakerText() {
    std::lock_guard lock(m_mutex);
    m_state.MakerTextPending = true;
}

std::vector<std::string> SimUnit::ReceivedCommands() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

void SimUnit::ClearReceivedCommands() {
    std::lock_guard lock(m_mutex);
    m_received.clear();
}
