#pragma once

#include <QDialog>

#include <array>

class CTcpConfig;
class QComboBox;
class QLineEdit;
class QSpinBox;

// The TCP/IP settings: an address of four parts, the units found on the network, a host name.
class TcpConfigDialog : public QDialog {
    Q_OBJECT
public:
    TcpConfigDialog(CTcpConfig& config, QWidget* parent = nullptr);

    std::array<QSpinBox*, 4> AddressParts{};
    QComboBox* FoundList = nullptr;
    QLineEdit* HostName = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowAddress();
    void ShowHostName();
    void TakeSelection();

    CTcpConfig& m_config;
    bool m_showing = false;
};
