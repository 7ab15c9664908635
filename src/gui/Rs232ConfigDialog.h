#pragma once

#include <QDialog>

class Crs232Config;
class QComboBox;
struct DropDownList;

// The serial port settings: port (listed or typed), baud rate, and the data bits, stop bits
// and parity lists.
class Rs232ConfigDialog : public QDialog {
    Q_OBJECT
public:
    Rs232ConfigDialog(Crs232Config& config, QWidget* parent = nullptr);

    QComboBox* Port = nullptr;
    QComboBox* Baud = nullptr;
    QComboBox* DataBits = nullptr;
    QComboBox* StopBits = nullptr;
    QComboBox* Parity = nullptr;

private:
    QComboBox* ListFor(DropDownList& list);

    Crs232Config& m_config;
};
