#include "gui/Rs232ConfigDialog.h"

#include "dialogs/Crs232Config.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

Rs232ConfigDialog::Rs232ConfigDialog(Crs232Config& config, QWidget* parent)
    : QDialog(parent), m_config(config) {
    setWindowTitle(QString::fromUtf8(Crs232Config::Caption));
    auto* form = new QFormLayout(this);
    Port = ListFor(config.PortList);
    // The port box also takes a typed name: a pseudo-terminal, a link, any device path.
    Port->setEditable(true);
    Port->setInsertPolicy(QComboBox::NoInsert);
    Port->setCompleter(nullptr);
    Port->setEditText(QString::fromStdString(config.PortEdit));
    Port->lineEdit()->setPlaceholderText(QStringLiteral("/dev/ttyUSB0"));
    connect(Port->lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString& text) { m_config.OnPortTextChanged(text.toStdString()); });
    connect(Port, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { m_config.OnPortSelected(index); });
    Baud = ListFor(config.BaudList);
    DataBits = ListFor(config.DataBitsList);
    StopBits = ListFor(config.StopBitsList);
    Parity = ListFor(config.ParityList);
    form->addRow(QString::fromUtf8(Crs232Config::PortLabel), Port);
    form->addRow(QString::fromUtf8(Crs232Config::BaudLabel), Baud);
    form->addRow(QString::fromUtf8(Crs232Config::DataBitsLabel), DataBits);
    form->addRow(QString::fromUtf8(Crs232Config::StopBitsLabel), StopBits);
    form->addRow(QString::fromUtf8(Crs232Config::ParityLabel), Parity);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        // The box's text as it stands decides; a refused name has been told and the dialog
        // stays open for another.
        m_config.OnPortTextChanged(Port->currentText().toStdString());
        if (m_config.OnOK()) {
            accept();
        }
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QComboBox* Rs232ConfigDialog::ListFor(DropDownList& list) {
    auto* box = new QComboBox(this);
    box->setMinimumWidth(260);
    for (const std::string& entry : list.Entries) {
        box->addItem(QString::fromStdString(entry));
    }
    box->setCurrentIndex(list.Selection);
    connect(box, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [&list](int index) { list.Selection = index; });
    return box;
}
