#pragma once

#include <QDialog>

#include <array>

class CChannelMap;
class QComboBox;

// How many modules each channel A to D controls, for manual channel assignment.
class ChannelMapDialog : public QDialog {
    Q_OBJECT
public:
    ChannelMapDialog(CChannelMap& map, QWidget* parent = nullptr);

    std::array<QComboBox*, 4> Lists{};

private:
    void ShowLists();

    CChannelMap& m_map;
};
