#pragma once

#include "dialogs/Crs232Config.h"

#include <array>
#include <cstdint>

class CLumatrelDlg;
class Prompter;
class SetupDialogRunner;

// The channel assignment dialog: how many modules each channel A to D controls, for manual
// channel assignment. Only the combinations of a fixed table are accepted.
class CChannelMap {
public:
    static constexpr const char* Caption = "Select Channels";
    static constexpr const char* Text =
        "Select the number of devices controlled \r\nby each channel A throug D";
    static constexpr std::array<const char*, 4> ListLabels = {"Channel A", "Channel B", "Channel C",
                                                              "Channel D"};
    static constexpr const char* RefusalText = "Maximum number of moduls connected is 4\r\nFor "
                                               "multiple modules set first channel >0 the rest =0";
    // One hexadecimal digit per channel, A the highest.
    static constexpr std::array<std::int32_t, 27> kAcceptedCodes = {
        0x4000, 0x3000, 0x3001, 0x2000, 0x2001, 0x2010, 0x2011, 0x2020, 0x1300,
        0x1200, 0x1201, 0x1120, 0x1100, 0x1101, 0x1110, 0x1111, 0x0300, 0x0200,
        0x0201, 0x0100, 0x0101, 0x0110, 0x0111, 0x0020, 0x0010, 0x0011, 0x0001};

    CChannelMap(CLumatrelDlg& owner, Prompter& prompter);

    // Fills and selects the lists, lets the runner show the dialog; 1 when "Apply" accepted
    // the numbers (they are then in the owner's ModulesPerChannel), 2 for Cancel, -1 when the
    // front end could not show it.
    int DoModal(SetupDialogRunner& runner);

    // Fills the four lists and selects the owner's ModulesPerChannel.
    void OnInitDialog();
    // "Clear": every list to "0"; the dialog stays open.
    void OnClear();
    // "Apply": true when the numbers are accepted and stored (the dialog closes with OK);
    // false after the refusal message (it stays open).
    bool OnApply();
    void OnCancel();

    // Whether four module counts form an accepted combination.
    static bool IsAccepted(const std::array<int, 4>& modules);

    // Control state: the selected index of each list is its number of modules.
    std::array<DropDownList, 4> ChannelLists;
    CLumatrelDlg& Owner;
    int Result = 0;

private:
    Prompter& m_prompter;
};
