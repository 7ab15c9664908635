#pragma once

#include "platform/PageView.h"

#include <QWidget>

#include <array>

class CLumatrelDlg;
class ElidedLabel;
class LogModel;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenuBar;
class QToolBar;
class QPushButton;
class QScrollArea;
class QSlider;

// One unit page: draws the page's control state and hands what the operator does to the
// page's operations. It knows nothing of the units' commands or replies.
//
// Below its menu bar and toolbar the page's controls sit in a scroll area, so that a window
// smaller than they need cuts no label: it scrolls instead.
class UnitPageWidget : public QWidget, public PageView {
    Q_OBJECT
public:
    explicit UnitPageWidget(CLumatrelDlg& page, QWidget* parent = nullptr);
    ~UnitPageWidget() override;

    CLumatrelDlg& Page() { return m_page; }
    // The page is going away: nothing may reach it from here on.
    void Detach();
    bool Detached() const { return m_detached; }

    // PageView
    void Refresh() override;
    void LogAppended(std::size_t first, std::size_t count) override;
    void LogCleared() override;
    void RedrawNow() override;
    void FocusControl(int controlId) override;

    // Draws the control state now, not at the next turn of the event loop.
    void SyncNow();

    struct ChannelWidgets {
        QGroupBox* Group = nullptr;
        std::array<QWidget*, 14> Controls{}; // indexed like PanelControl
        QCheckBox* OnOff = nullptr;
        QLineEdit* Current = nullptr;
        QPushButton* Apply = nullptr;
        QSlider* Slider = nullptr;
        QLabel* MinLabel = nullptr;
        QLabel* MaxLabel = nullptr;
        QLineEdit* Temperature = nullptr;
        QLineEdit* TesselTemperature = nullptr;
        QLineEdit* Voltage = nullptr;
    };
    const ChannelWidgets& Channel(int c) const { return m_channels[static_cast<std::size_t>(c)]; }
    QComboBox* CommandBox() const { return m_commandBox; }
    QPushButton* SendButton() const { return m_send; }
    QListView* LogView() const { return m_logView; }
    QMenuBar* Menus() const { return m_menuBar; }
    QToolBar* Toolbar() const { return m_toolbar; }
    QLabel* OperatingModeText() const { return m_operatingMode; }
    QScrollArea* ScrollArea() const { return m_scroll; }

protected:
    // Enter on the page: in a channel's current box it applies that channel's current, on a
    // button it presses the button, anywhere else it presses "Send". It goes no further, so
    // the system window's default button never sees it.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildMenus();
    void BuildToolbar();
    void BuildChannel(int c, QWidget* parent);
    QWidget* BuildUnitFields(QWidget* parent);
    QWidget* BuildCommandLine(QWidget* parent);
    void ScheduleSync();
    void SyncChannels();
    void SyncCommandBox();
    // The channel (0 to 3) whose current box is this widget, or -1.
    int ChannelOfCurrentBox(const QWidget* widget) const;
    void ApplyFromBox(int c);

    CLumatrelDlg& m_page;
    QMenuBar* m_menuBar = nullptr;
    QToolBar* m_toolbar = nullptr;
    QScrollArea* m_scroll = nullptr;
    std::array<ChannelWidgets, 4> m_channels;
    QLineEdit* m_inputVoltage = nullptr;
    QLineEdit* m_analogVoltage = nullptr;
    QLabel* m_lastError = nullptr;
    QLineEdit* m_deviceId = nullptr;
    QLineEdit* m_serNr = nullptr;
    QLineEdit* m_firmware = nullptr;
    QLineEdit* m_interface = nullptr;
    QLineEdit* m_status = nullptr;
    QLabel* m_operatingMode = nullptr;
    QLabel* m_commandLabel = nullptr;
    QComboBox* m_commandBox = nullptr;
    QPushButton* m_send = nullptr;
    ElidedLabel* m_logFileText = nullptr;
    QPushButton* m_clearLog = nullptr;
    QPushButton* m_saveLog = nullptr;
    QListView* m_logView = nullptr;
    QLabel* m_lastLog = nullptr;
    LogModel* m_logModel = nullptr;
    bool m_detached = false;
    bool m_syncScheduled = false;
    bool m_syncing = false;
};
