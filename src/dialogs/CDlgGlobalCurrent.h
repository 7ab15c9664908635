#pragma once

#include <cstdint>
#include <string>

class CTabDlg;
class Prompter;
class SetupDialogRunner;

// The global LED current dialog: one current, within the range every channel of every unit
// accepts, sent to every channel in use of every unit.
class CDlgGlobalCurrent {
public:
    static constexpr const char* Caption = "Set global led current";
    static constexpr const char* CurrentLabel = "Current/mA";
    static constexpr const char* OkText = "OK";
    static constexpr const char* CancelText = "Abbrechen";

    CDlgGlobalCurrent(CTabDlg& systemWindow, Prompter& prompter);

    // Works the range out and lets the runner show the dialog: 1 when OK sent the current,
    // 2 for Cancel or when a unit was not connected (the dialog is then not shown), -1 when
    // the front end could not show it.
    int DoModal(SetupDialogRunner& runner);

    // False, after its message, when a unit has no link: the dialog closes as cancelled.
    bool OnInitDialog();
    // The current box changed (CurrentText holds the new text).
    void OnCurrentTyped();
    // The slider was let go (SliderPos holds its position).
    void OnSliderReleased();
    // Sends the current and closes with OK (true); a current that is no integer or lies
    // outside the range is refused with a message and the dialog stays open (false).
    bool OnOK();
    void OnCancel();

    // Dialog state.
    std::int32_t Current = 0;
    std::int32_t RangeLow = 200;
    std::int32_t RangeHigh = 1800;

    // Control state.
    std::string CurrentText = "0";
    std::string LowLabel = "200";
    std::string HighLabel = "1800mA";
    int SliderMin = 0;
    int SliderMax = 100;
    int SliderPos = 0;

    CTabDlg& SystemWindow;
    int Result = 0;

private:
    void ShowEntries();
    // CurrentText as an integer; false, after the message, when it is none.
    bool ReadCurrent(std::int32_t& value);

    Prompter& m_prompter;
};
