#include "gui/UnitPageWidget.h"

#include "gui/Icons.h"
#include "gui/LogModel.h"
#include "gui/MenuBarBuilder.h"
#include "gui/WaitCursor.h"
#include "unit/CLumatrelDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Labels show device and file texts as they are, never as markup.
QLabel* PlainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLineEdit* ReadOnlyBox(QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setReadOnly(true);
    box->setMinimumWidth(48);
    return box;
}

void SetText(QLineEdit* edit, const std::string& text) {
    const QString value = Q(text);
    if (edit->text() != value) {
        edit->setText(value);
    }
}

void SetText(QLabel* label, const std::string& text) {
    const QString value = Q(text);
    if (label->text() != value) {
        label->setText(value);
    }
}

} // namespace

UnitPageWidget::UnitPageWidget(CLumatrelDlg& page, QWidget* parent)
    : QWidget(parent), m_page(page) {
    auto* layout = new QVBoxLayout(this);
    m_menuBar = new QMenuBar(this);
    layout->setMenuBar(m_menuBar);
    m_toolbar = new QToolBar(this);
    m_toolbar->setIconSize(QSize(16, 16));
    layout->addWidget(m_toolbar);
    BuildMenus();
    BuildToolbar();
    auto* channels = new QHBoxLayout;
    for (int c = 0; c < 4; ++c) {
        BuildChannel(c);
        channels->addWidget(m_channels[static_cast<std::size_t>(c)].Group);
    }
    layout->addLayout(channels);
    layout->addWidget(BuildUnitFields());

    auto* command = new QHBoxLayout;
    m_commandLabel = PlainLabel(QStringLiteral("Enter RKM5-Command"), this);
    m_commandBox = new QComboBox(this);
    m_commandBox->setEditable(true);
    m_commandBox->setInsertPolicy(QComboBox::NoInsert);
    m_commandBox->setMinimumWidth(260);
    m_send = new QPushButton(QStringLiteral("Send"), this);
    m_send->setDefault(true);
    m_send->setAutoDefault(true);
    command->addWidget(m_commandLabel);
    command->addWidget(m_commandBox, 1);
    command->addWidget(m_send);
    layout->addLayout(command);

    auto* logHeader = new QHBoxLayout;
    logHeader->addWidget(PlainLabel(QStringLiteral("Log window "), this));
    m_logFileText = PlainLabel(QString(), this);
    logHeader->addWidget(m_logFileText, 1);
    m_clearLog = new QPushButton(QStringLiteral("clear"), this);
    m_saveLog = new QPushButton(QStringLiteral("save"), this);
    logHeader->addWidget(m_clearLog);
    logHeader->addWidget(m_saveLog);
    layout->addLayout(logHeader);

    m_logModel = new LogModel(m_page.Controls.LogEntries, this);
    m_logView = new QListView(this);
    m_logView->setModel(m_logModel);
    m_logView->setUniformItemSizes(true);
    m_logView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_logView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_logView->setTextElideMode(Qt::ElideNone);
    m_logView->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(m_logView, 1);
    m_lastLog = PlainLabel(QString(), this);
    m_lastLog->setWordWrap(true);
    m_lastLog->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(m_lastLog, 1);

    connect(m_commandBox, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (!m_syncing) {
            m_page.Controls.CommandBox.Text = text.toStdString();
        }
    });
    connect(m_commandBox, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        m_page.Controls.CommandBox.Selection = index;
        m_page.Controls.CommandBox.Text = m_commandBox->itemText(index).toStdString();
    });
    connect(m_send, &QPushButton::clicked, this, [this] {
        WaitCursor wait;
        m_page.Controls.CommandBox.Text = m_commandBox->currentText().toStdString();
        m_page.SendCommandLine();
    });
    connect(m_commandBox->lineEdit(), &QLineEdit::returnPressed, m_send, &QPushButton::click);
    connect(m_clearLog, &QPushButton::clicked, this, [this] { m_page.ClearLogWindow(); });
    connect(m_saveLog, &QPushButton::clicked, this, [this] { m_page.SaveLogWindowToFile(); });

    m_page.SetView(this);
    m_logModel->Reset();
    SyncNow();
}

UnitPageWidget::~UnitPageWidget() {
    Detach();
}

void UnitPageWidget::Detach() {
    if (!m_detached) {
        m_detached = true;
        m_logModel->Detach();
        m_page.SetView(nullptr);
        setEnabled(false);
    }
}

void UnitPageWidget::BuildMenus() {
    BuildMenuBar<UnitCommand>(
        m_menuBar, this, [this] { return m_page.MenuBarState(); },
        [this](UnitCommand id) { m_page.OnMenuCommand(id); });
}

void UnitPageWidget::BuildToolbar() {
    for (int i = 0; i < static_cast<int>(kUnitToolbarButtons); ++i) {
        QAction* action = m_toolbar->addAction(QString());
        connect(action, &QAction::triggered, this, [this, i] {
            WaitCursor wait;
            m_page.OnToolbarButton(i);
        });
    }
}

void UnitPageWidget::BuildChannel(int c) {
    ChannelWidgets& w = m_channels[static_cast<std::size_t>(c)];
    w.Group = new QGroupBox(this);
    auto* grid = new QGridLayout(w.Group);
    w.OnOff = new QCheckBox(QStringLiteral("on/off"), w.Group);
    auto* currentLabel = PlainLabel(QStringLiteral("Current/mA"), w.Group);
    w.Current = new QLineEdit(w.Group);
    w.Current->setMaximumWidth(70);
    w.Apply = new QPushButton(QStringLiteral("apply"), w.Group);
    w.Apply->setAutoDefault(false);
    w.Slider = new QSlider(Qt::Horizontal, w.Group);
    w.Slider->setTickPosition(QSlider::TicksBelow);
    w.MinLabel = PlainLabel(QString(), w.Group);
    w.MaxLabel = PlainLabel(QString(), w.Group);
    w.MaxLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* controllerLabel = PlainLabel(QStringLiteral("Controller"), w.Group);
    auto* tesselLabel = PlainLabel(QStringLiteral("Tessel"), w.Group);
    auto* temperatureLabel = PlainLabel(QString::fromUtf8("Temperature/°C"), w.Group);
    w.Temperature = ReadOnlyBox(w.Group);
    w.TesselTemperature = ReadOnlyBox(w.Group);
    auto* voltageLabel = PlainLabel(QStringLiteral("LED voltage/mV"), w.Group);
    w.Voltage = ReadOnlyBox(w.Group);

    grid->addWidget(w.OnOff, 0, 0, 1, 3);
    grid->addWidget(currentLabel, 1, 0);
    grid->addWidget(w.Current, 1, 1);
    grid->addWidget(w.Apply, 1, 2);
    grid->addWidget(w.Slider, 2, 0, 1, 3);
    grid->addWidget(w.MinLabel, 3, 0);
    grid->addWidget(w.MaxLabel, 3, 2);
    grid->addWidget(controllerLabel, 4, 1);
    grid->addWidget(tesselLabel, 4, 2);
    grid->addWidget(temperatureLabel, 5, 0);
    grid->addWidget(w.Temperature, 5, 1);
    grid->addWidget(w.TesselTemperature, 5, 2);
    grid->addWidget(voltageLabel, 6, 0);
    grid->addWidget(w.Voltage, 6, 1);
    grid->setRowStretch(7, 1);

    w.Controls = {w.OnOff,      currentLabel,     w.Current,     w.Apply,
                  w.Slider,     w.MinLabel,       w.MaxLabel,    controllerLabel,
                  tesselLabel,  temperatureLabel, w.Temperature, w.TesselTemperature,
                  voltageLabel, w.Voltage};

    connect(w.OnOff, &QCheckBox::clicked, this, [this, c](bool checked) {
        WaitCursor wait;
        m_page.Controls.Channels[static_cast<std::size_t>(c)].OnOff = checked;
        m_page.SwitchChannel(c);
        FocusFailedControl();
    });
    connect(w.Current, &QLineEdit::textEdited, this, [this, c](const QString& text) {
        m_page.Controls.Channels[static_cast<std::size_t>(c)].CurrentEdit = text.toStdString();
    });
    connect(w.Apply, &QPushButton::clicked, this, [this, c] {
        WaitCursor wait;
        m_page.ApplyCurrent(c);
        FocusFailedControl();
    });
    // Only the mouse's release sets the current; keyboard moves only move the knob.
    connect(w.Slider, &QSlider::valueChanged, this, [this, c](int value) {
        if (!m_syncing) {
            m_page.Controls.Channels[static_cast<std::size_t>(c)].SliderPos = value;
        }
    });
    connect(w.Slider, &QSlider::sliderReleased, this, [this, c] {
        ChannelWidgets& cw = m_channels[static_cast<std::size_t>(c)];
        m_page.Controls.Channels[static_cast<std::size_t>(c)].SliderPos = cw.Slider->value();
        m_page.OnCurrentSliderReleased(c);
    });
}

QWidget* UnitPageWidget::BuildUnitFields() {
    auto* fields = new QWidget(this);
    auto* row = new QHBoxLayout(fields);
    row->setContentsMargins(0, 0, 0, 0);

    auto* readings = new QGridLayout;
    m_inputVoltage = ReadOnlyBox(fields);
    m_analogVoltage = ReadOnlyBox(fields);
    m_lastError = PlainLabel(QString(), fields);
    m_lastError->setMinimumWidth(160);
    readings->addWidget(PlainLabel(QStringLiteral("Input voltage / mV"), fields), 0, 0);
    readings->addWidget(m_inputVoltage, 0, 1);
    readings->addWidget(PlainLabel(QStringLiteral("External analog voltage/ mV"), fields), 1, 0);
    readings->addWidget(m_analogVoltage, 1, 1);
    readings->addWidget(PlainLabel(QStringLiteral("Last error code"), fields), 2, 0);
    readings->addWidget(m_lastError, 2, 1);
    row->addLayout(readings);

    auto* deviceId = new QGroupBox(QStringLiteral("Device-ID"), fields);
    auto* deviceIdLayout = new QVBoxLayout(deviceId);
    m_deviceId = ReadOnlyBox(deviceId);
    deviceIdLayout->addWidget(m_deviceId);
    row->addWidget(deviceId);

    auto* info = new QGroupBox(QStringLiteral("Device Info"), fields);
    auto* infoGrid = new QGridLayout(info);
    m_serNr = ReadOnlyBox(info);
    m_firmware = ReadOnlyBox(info);
    infoGrid->addWidget(PlainLabel(QStringLiteral("S/N"), info), 0, 0);
    infoGrid->addWidget(m_serNr, 0, 1);
    infoGrid->addWidget(PlainLabel(QStringLiteral("FW-Rel."), info), 1, 0);
    infoGrid->addWidget(m_firmware, 1, 1);
    row->addWidget(info);

    auto* connection = new QGroupBox(QStringLiteral("Connection status"), fields);
    auto* connectionGrid = new QGridLayout(connection);
    m_interface = ReadOnlyBox(connection);
    m_status = ReadOnlyBox(connection);
    m_status->setMinimumWidth(150);
    connectionGrid->addWidget(PlainLabel(QStringLiteral("Interf"), connection), 0, 0);
    connectionGrid->addWidget(m_interface, 0, 1);
    connectionGrid->addWidget(PlainLabel(QStringLiteral("Status"), connection), 1, 0);
    connectionGrid->addWidget(m_status, 1, 1);
    row->addWidget(connection);

    auto* mode = new QGroupBox(QStringLiteral("Operating Mode"), fields);
    auto* modeLayout = new QVBoxLayout(mode);
    m_operatingMode = PlainLabel(QString(), mode);
    m_operatingMode->setMinimumWidth(110);
    modeLayout->addWidget(m_operatingMode);
    row->addWidget(mode);
    row->addStretch(1);
    return fields;
}

void UnitPageWidget::Refresh() {
    ScheduleSync();
}

void UnitPageWidget::ScheduleSync() {
    // Many control-state changes come in a burst; the widgets are brought up to date once.
    if (m_syncScheduled) {
        return;
    }
    m_syncScheduled = true;
    QTimer::singleShot(0, this, [this] { SyncNow(); });
}

void UnitPageWidget::LogAppended(std::size_t, std::size_t) {
    m_logModel->Appended();
    ScheduleSync();
}

void UnitPageWidget::LogCleared() {
    m_logModel->Reset();
    ScheduleSync();
}

void UnitPageWidget::SyncNow() {
    m_syncScheduled = false;
    if (m_detached) {
        return;
    }
    m_syncing = true;
    const PageControls& s = m_page.Controls;
    const QList<QAction*> buttons = m_toolbar->actions();
    for (int i = 0; i < buttons.size() && i < static_cast<int>(s.Toolbar.size()); ++i) {
        const auto& button = s.Toolbar[static_cast<std::size_t>(i)];
        // A picture is drawn anew only when its button's image changed.
        if (buttons[i]->property("image").toInt() != button.Image) {
            buttons[i]->setIcon(UnitToolbarIcon(button.Image));
            buttons[i]->setProperty("image", button.Image);
        }
        buttons[i]->setToolTip(Q(button.Tooltip));
        buttons[i]->setEnabled(button.Id != UnitCommand::None);
    }
    for (std::size_t c = 0; c < 4; ++c) {
        ChannelWidgets& w = m_channels[c];
        const ChannelControls& ch = s.Channels[c];
        w.Group->setTitle(Q(ch.Caption));
        w.Group->setVisible(ch.GroupVisible);
        for (std::size_t k = 0; k < w.Controls.size(); ++k) {
            if (w.Controls[k]->isVisibleTo(w.Group) != ch.Visible[k]) {
                w.Controls[k]->setVisible(ch.Visible[k]);
            }
            if (w.Controls[k]->isEnabledTo(w.Group) != ch.Enabled[k]) {
                w.Controls[k]->setEnabled(ch.Enabled[k]);
            }
        }
        w.OnOff->setChecked(ch.OnOff);
        SetText(w.Current, ch.CurrentEdit);
        w.Slider->setRange(ch.SliderMin, ch.SliderMax);
        w.Slider->setTickInterval(ch.SliderTickStep);
        if (!w.Slider->isSliderDown()) {
            w.Slider->setValue(ch.SliderPos);
        }
        SetText(w.MinLabel, ch.MinLabel);
        SetText(w.MaxLabel, ch.MaxLabel);
        SetText(w.Temperature, ch.Temperature);
        SetText(w.TesselTemperature, ch.TesselTemperature);
        SetText(w.Voltage, ch.Voltage);
    }
    SetText(m_inputVoltage, s.InputVoltage);
    m_inputVoltage->setEnabled(s.InputVoltageEnabled);
    SetText(m_analogVoltage, s.AnalogVoltage);
    m_analogVoltage->setEnabled(s.AnalogVoltageEnabled);
    SetText(m_lastError, s.LastError);
    m_lastError->setEnabled(s.LastErrorEnabled);
    SetText(m_deviceId, s.DeviceId);
    SetText(m_serNr, s.SerNr);
    SetText(m_firmware, s.Firmware);
    SetText(m_interface, s.Interface);
    SetText(m_status, s.Status);
    SetText(m_operatingMode, s.OperatingMode);
    SetText(m_logFileText, s.LogFileText);
    SetText(m_lastLog, s.LastLog);

    m_logView->setVisible(s.LogListVisible);
    m_lastLog->setVisible(s.LastLogVisible);
    m_clearLog->setVisible(s.ClearLogVisible);
    m_saveLog->setVisible(s.SaveLogVisible);
    m_commandLabel->setVisible(s.CommandLineVisible);
    m_commandBox->setVisible(s.CommandLineVisible);
    m_send->setVisible(s.CommandLineVisible);

    const CommandBoxControl& box = s.CommandBox;
    bool sameEntries = m_commandBox->count() == static_cast<int>(box.Entries.size());
    for (int i = 0; sameEntries && i < m_commandBox->count(); ++i) {
        sameEntries = m_commandBox->itemText(i) == Q(box.Entries[static_cast<std::size_t>(i)]);
    }
    if (!sameEntries) {
        m_commandBox->clear();
        for (const std::string& entry : box.Entries) {
            m_commandBox->addItem(Q(entry));
        }
    }
    if (m_commandBox->currentText() != Q(box.Text)) {
        m_commandBox->setEditText(Q(box.Text));
    }

    if (s.LogSelection >= 0 && s.LogSelection < m_logModel->rowCount()) {
        const QModelIndex last = m_logModel->index(s.LogSelection);
        if (m_logView->currentIndex() != last) {
            m_logView->setCurrentIndex(last);
            m_logView->scrollTo(last);
        }
    }
    m_syncing = false;
}

void UnitPageWidget::FocusFailedControl() {
    const int failed = m_page.Controls.FailedControl;
    if (failed == 0) {
        return;
    }
    for (std::size_t c = 0; c < 4; ++c) {
        if (kChannelControlIds[c].Controls[static_cast<std::size_t>(PanelControl::CurrentEdit)] ==
            failed) {
            m_channels[c].Current->setFocus();
            m_channels[c].Current->selectAll();
        }
    }
}
