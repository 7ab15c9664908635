#include "gui/UnitPageWidget.h"

#include "gui/ChannelColumnsLayout.h"
#include "gui/ElidedLabel.h"
#include "gui/Icons.h"
#include "gui/LogModel.h"
#include "gui/MenuBarBuilder.h"
#include "gui/WaitCursor.h"
#include "unit/CLumatrelDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
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

QLineEdit* ReadOnlyBox(QWidget* parent, int minimumWidth = 44) {
    auto* box = new QLineEdit(parent);
    box->setReadOnly(true);
    box->setMinimumWidth(minimumWidth);
    return box;
}

// The page's buttons act when clicked (or when Enter reaches them through the page); none of
// them stands in for the system window's default button.
QPushButton* PageButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    return button;
}

void SetText(QLineEdit* edit, const std::string& text) {
    const QString value = Q(text);
    if (edit->text() != value) {
        edit->setText(value);
        // A reading too long for its box shows its beginning.
        if (edit->isReadOnly()) {
            edit->setCursorPosition(0);
        }
    }
}

void SetText(QLabel* label, const std::string& text) {
    const QString value = Q(text);
    if (label->text() != value) {
        label->setText(value);
    }
}

void SetVisible(QWidget* widget, bool visible) {
    if (!widget->isHidden() != visible) {
        widget->setVisible(visible);
    }
}

// A channel column never grows wider than this, so that one channel shown alone is not
// stretched over the whole page.
constexpr int kChannelMaxWidth = 330;

} // namespace

UnitPageWidget::UnitPageWidget(CLumatrelDlg& page, QWidget* parent)
    : QWidget(parent), m_page(page) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    m_menuBar = new QMenuBar(this);
    outer->setMenuBar(m_menuBar);
    m_toolbar = new QToolBar(this);
    m_toolbar->setIconSize(QSize(16, 16));
    outer->addWidget(m_toolbar);
    BuildMenus();
    BuildToolbar();

    m_scroll = new QScrollArea(this);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    outer->addWidget(m_scroll, 1);
    auto* content = new QWidget(m_scroll);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(6);

    auto* channels = new ChannelColumnsLayout;
    for (int c = 0; c < 4; ++c) {
        BuildChannel(c, content);
        channels->addWidget(m_channels[static_cast<std::size_t>(c)].Group);
    }
    layout->addLayout(channels);
    layout->addWidget(BuildUnitFields(content));
    layout->addWidget(BuildCommandLine(content));

    auto* logHeader = new QHBoxLayout;
    logHeader->addWidget(PlainLabel(QStringLiteral("Log window "), content));
    m_logFileText = new ElidedLabel(content);
    logHeader->addWidget(m_logFileText, 1);
    m_clearLog = PageButton(QStringLiteral("clear"), content);
    m_saveLog = PageButton(QStringLiteral("save"), content);
    logHeader->addWidget(m_clearLog);
    logHeader->addWidget(m_saveLog);
    layout->addLayout(logHeader);

    m_logModel = new LogModel(m_page.Controls.LogEntries, this);
    m_logView = new QListView(content);
    m_logView->setModel(m_logModel);
    m_logView->setUniformItemSizes(true);
    m_logView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_logView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_logView->setTextElideMode(Qt::ElideNone);
    m_logView->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_logView->setMinimumHeight(90);
    layout->addWidget(m_logView, 1);
    m_lastLog = PlainLabel(QString(), content);
    m_lastLog->setWordWrap(true);
    m_lastLog->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(m_lastLog, 1);
    m_scroll->setWidget(content);

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
    // Every button is enabled; the tenth gives no command and so does nothing.
    for (int i = 0; i < static_cast<int>(kUnitToolbarButtons); ++i) {
        QAction* action = m_toolbar->addAction(QString());
        connect(action, &QAction::triggered, this, [this, i] {
            WaitCursor wait;
            m_page.OnToolbarButton(i);
        });
    }
}

void UnitPageWidget::BuildChannel(int c, QWidget* parent) {
    ChannelWidgets& w = m_channels[static_cast<std::size_t>(c)];
    w.Group = new QGroupBox(parent);
    w.Group->setMaximumWidth(kChannelMaxWidth);
    auto* grid = new QGridLayout(w.Group);
    grid->setContentsMargins(6, 4, 6, 6);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    w.OnOff = new QCheckBox(QStringLiteral("on/off"), w.Group);
    auto* currentLabel = PlainLabel(QStringLiteral("Current/mA"), w.Group);
    w.Current = new QLineEdit(w.Group);
    w.Current->setMinimumWidth(50);
    w.Current->setMaximumWidth(90);
    w.Apply = PageButton(QStringLiteral("apply"), w.Group);
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
    // The two temperatures stand under their heading, a step in.
    controllerLabel->setIndent(12);
    tesselLabel->setIndent(12);

    // The column is two fields wide: a label and its box. The slider spans it, "apply" sits
    // between the slider's range labels.
    grid->addWidget(w.OnOff, 0, 0, 1, 2);
    grid->addWidget(currentLabel, 1, 0);
    grid->addWidget(w.Current, 1, 1);
    grid->addWidget(w.Slider, 2, 0, 1, 2);
    auto* range = new QHBoxLayout;
    range->setSpacing(4);
    range->addWidget(w.MinLabel);
    range->addStretch(1);
    range->addWidget(w.Apply);
    range->addStretch(1);
    range->addWidget(w.MaxLabel);
    grid->addLayout(range, 3, 0, 1, 2);
    grid->addWidget(temperatureLabel, 4, 0, 1, 2);
    grid->addWidget(controllerLabel, 5, 0);
    grid->addWidget(w.Temperature, 5, 1);
    grid->addWidget(tesselLabel, 6, 0);
    grid->addWidget(w.TesselTemperature, 6, 1);
    grid->addWidget(voltageLabel, 7, 0);
    grid->addWidget(w.Voltage, 7, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(8, 1);

    w.Controls = {w.OnOff,      currentLabel,     w.Current,     w.Apply,
                  w.Slider,     w.MinLabel,       w.MaxLabel,    controllerLabel,
                  tesselLabel,  temperatureLabel, w.Temperature, w.TesselTemperature,
                  voltageLabel, w.Voltage};

    connect(w.OnOff, &QCheckBox::clicked, this, [this, c](bool checked) {
        WaitCursor wait;
        m_page.Controls.Channels[static_cast<std::size_t>(c)].OnOff = checked;
        m_page.SwitchChannel(c);
    });
    connect(w.Current, &QLineEdit::textEdited, this, [this, c](const QString& text) {
        m_page.Controls.Channels[static_cast<std::size_t>(c)].CurrentEdit = text.toStdString();
    });
    connect(w.Apply, &QPushButton::clicked, this, [this, c] { ApplyFromBox(c); });
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

void UnitPageWidget::ApplyFromBox(int c) {
    WaitCursor wait;
    m_page.ApplyCurrent(c);
}

QWidget* UnitPageWidget::BuildUnitFields(QWidget* parent) {
    auto* fields = new QWidget(parent);
    auto* grid = new QGridLayout(fields);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);

    auto* readings = new QGridLayout;
    readings->setHorizontalSpacing(6);
    m_inputVoltage = ReadOnlyBox(fields, 64);
    m_analogVoltage = ReadOnlyBox(fields, 64);
    readings->addWidget(PlainLabel(QStringLiteral("Input voltage / mV"), fields), 0, 0);
    readings->addWidget(m_inputVoltage, 0, 1);
    readings->addWidget(PlainLabel(QStringLiteral("External analog voltage/ mV"), fields), 1, 0);
    readings->addWidget(m_analogVoltage, 1, 1);
    readings->setRowStretch(2, 1);
    grid->addLayout(readings, 0, 0);

    // The error text stands under the readings and wraps there rather than widening the page.
    auto* error = new QHBoxLayout;
    error->setSpacing(6);
    m_lastError = PlainLabel(QString(), fields);
    m_lastError->setWordWrap(true);
    m_lastError->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    error->addWidget(PlainLabel(QStringLiteral("Last error code"), fields), 0, Qt::AlignTop);
    error->addWidget(m_lastError, 1);
    grid->addLayout(error, 1, 0);

    auto* deviceId = new QGroupBox(QStringLiteral("Device-ID"), fields);
    auto* deviceIdLayout = new QVBoxLayout(deviceId);
    m_deviceId = ReadOnlyBox(deviceId, 50);
    deviceIdLayout->addWidget(m_deviceId);
    grid->addWidget(deviceId, 0, 1);

    auto* mode = new QGroupBox(QStringLiteral("Operating Mode"), fields);
    auto* modeLayout = new QVBoxLayout(mode);
    m_operatingMode = PlainLabel(QString(), mode);
    modeLayout->addWidget(m_operatingMode);
    grid->addWidget(mode, 1, 1);

    auto* info = new QGroupBox(QStringLiteral("Device Info"), fields);
    auto* infoGrid = new QGridLayout(info);
    m_serNr = ReadOnlyBox(info, 64);
    m_firmware = ReadOnlyBox(info, 64);
    infoGrid->addWidget(PlainLabel(QStringLiteral("S/N"), info), 0, 0);
    infoGrid->addWidget(m_serNr, 0, 1);
    infoGrid->addWidget(PlainLabel(QStringLiteral("FW-Rel."), info), 1, 0);
    infoGrid->addWidget(m_firmware, 1, 1);
    grid->addWidget(info, 0, 2, 2, 1);

    auto* connection = new QGroupBox(QStringLiteral("Connection status"), fields);
    auto* connectionGrid = new QGridLayout(connection);
    m_interface = ReadOnlyBox(connection, 64);
    m_status = ReadOnlyBox(connection, 150);
    connectionGrid->addWidget(PlainLabel(QStringLiteral("Interf"), connection), 0, 0);
    connectionGrid->addWidget(m_interface, 0, 1);
    connectionGrid->addWidget(PlainLabel(QStringLiteral("Status"), connection), 1, 0);
    connectionGrid->addWidget(m_status, 1, 1);
    grid->addWidget(connection, 0, 3, 2, 1);
    // The groups keep the width they ask for; what is left stays free at the right.
    grid->setColumnStretch(4, 1);
    return fields;
}

QWidget* UnitPageWidget::BuildCommandLine(QWidget* parent) {
    auto* line = new QWidget(parent);
    auto* command = new QHBoxLayout(line);
    command->setContentsMargins(0, 0, 0, 0);
    m_commandLabel = PlainLabel(QStringLiteral("Enter RKM5-Command"), line);
    m_commandBox = new QComboBox(line);
    m_commandBox->setEditable(true);
    m_commandBox->setInsertPolicy(QComboBox::NoInsert);
    // No completion: typing "LC" must send "LC", not the entry "LC 0" it would complete to.
    m_commandBox->setCompleter(nullptr);
    m_commandBox->setMinimumWidth(200);
    m_commandBox->lineEdit()->setPlaceholderText(Q(CLumatrelDlg::CommandHintText));
    // "Send" is the page's default button: Enter anywhere on the page (keyPressEvent) gives
    // it, so it does not stand in for the system window's default as well.
    m_send = PageButton(QStringLiteral("Send"), line);
    command->addWidget(m_commandLabel);
    command->addWidget(m_commandBox, 1);
    command->addWidget(m_send);

    connect(m_commandBox, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (!m_syncing) {
            m_page.Controls.CommandBox.Text = text.toStdString();
        }
    });
    // Typing marks the text as typed, so that sending it adds it to the history; choosing an
    // entry from the list clears the mark again.
    connect(m_commandBox->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        m_page.Controls.CommandBox.Text = text.toStdString();
        m_page.OnCommandTextEdited();
    });
    connect(m_commandBox, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        m_page.Controls.CommandBox.Selection = index;
        m_page.Controls.CommandBox.Text = m_commandBox->itemText(index).toStdString();
        m_page.OnCommandChosen();
    });
    connect(m_send, &QPushButton::clicked, this, [this] {
        WaitCursor wait;
        m_page.Controls.CommandBox.Text = m_commandBox->currentText().toStdString();
        m_page.SendCommandLine();
    });
    return line;
}

int UnitPageWidget::ChannelOfCurrentBox(const QWidget* widget) const {
    for (std::size_t c = 0; c < m_channels.size(); ++c) {
        if (widget != nullptr && widget == m_channels[c].Current) {
            return static_cast<int>(c);
        }
    }
    return -1;
}

void UnitPageWidget::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (m_detached) {
        return;
    }
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || !isAncestorOf(focus)) {
        return;
    }
    if (const int c = ChannelOfCurrentBox(focus); c >= 0) {
        ApplyFromBox(c);
        return;
    }
    if (auto* button = qobject_cast<QPushButton*>(focus)) {
        button->click();
        return;
    }
    if (m_send->isVisibleTo(this) && m_send->isEnabled()) {
        m_send->click();
    }
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

void UnitPageWidget::RedrawNow() {
    SyncNow();
    if (!m_detached && isVisible()) {
        repaint();
    }
}

void UnitPageWidget::FocusControl(int controlId) {
    for (std::size_t c = 0; c < 4; ++c) {
        if (kChannelControlIds[c].Controls[static_cast<std::size_t>(PanelControl::CurrentEdit)] ==
            controlId) {
            m_channels[c].Current->setFocus(Qt::OtherFocusReason);
            m_channels[c].Current->selectAll();
        }
    }
}

void UnitPageWidget::SyncChannels() {
    const PageControls& s = m_page.Controls;
    for (std::size_t c = 0; c < 4; ++c) {
        ChannelWidgets& w = m_channels[c];
        const ChannelControls& ch = s.Channels[c];
        w.Group->setTitle(Q(ch.Caption));
        // A column with nothing in it takes no room: before a unit reports its modules, and
        // for channels the module view does not show.
        const bool anyShown =
            std::find(ch.Visible.begin(), ch.Visible.end(), true) != ch.Visible.end();
        SetVisible(w.Group, ch.GroupVisible && anyShown);
        for (std::size_t k = 0; k < w.Controls.size(); ++k) {
            SetVisible(w.Controls[k], ch.Visible[k]);
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
}

void UnitPageWidget::SyncCommandBox() {
    const CommandBoxControl& box = m_page.Controls.CommandBox;
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
    }
    SyncChannels();
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
    m_logFileText->SetText(Q(s.LogFileText));
    SetText(m_lastLog, s.LastLog);

    SetVisible(m_logView, s.LogListVisible);
    SetVisible(m_lastLog, s.LastLogVisible);
    SetVisible(m_clearLog, s.ClearLogVisible);
    SetVisible(m_saveLog, s.SaveLogVisible);
    SetVisible(m_commandLabel, s.CommandLineVisible);
    SetVisible(m_commandBox, s.CommandLineVisible);
    SetVisible(m_send, s.CommandLineVisible);
    SyncCommandBox();

    if (s.LogSelection >= 0 && s.LogSelection < m_logModel->rowCount()) {
        const QModelIndex last = m_logModel->index(s.LogSelection);
        if (m_logView->currentIndex() != last) {
            m_logView->setCurrentIndex(last);
            m_logView->scrollTo(last);
        }
    }
    m_syncing = false;
}
