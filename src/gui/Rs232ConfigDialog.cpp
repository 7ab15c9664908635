#include "gui/Rs232ConfigDialog.h"

#include "dialogs/Crs232Config.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>

Rs232ConfigDialog::Rs232ConfigDialog(Crs232Config& config, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(Crs232Config::Caption));
    auto* form = new QFormLayout(this);
    Port = ListFor(config.PortList);
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
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
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
