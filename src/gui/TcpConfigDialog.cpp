#include "gui/TcpConfigDialog.h"

#include "dialogs/CTcpConfig.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

QLabel* PlainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

TcpConfigDialog::TcpConfigDialog(CTcpConfig& config, QWidget* parent)
    : QDialog(parent), m_config(config) {
    setWindowTitle(QString::fromUtf8(CTcpConfig::Caption));
    auto* grid = new QGridLayout(this);
    grid->addWidget(PlainLabel(QStringLiteral("Enter either IP-Address or Hostname of RKM5"), this),
                    0, 0, 1, 2);

    grid->addWidget(PlainLabel(QStringLiteral("IP-Address"), this), 1, 0);
    auto* address = new QHBoxLayout;
    for (std::size_t i = 0; i < 4; ++i) {
        auto* part = new QSpinBox(this);
        part->setRange(0, 255);
        part->setButtonSymbols(QAbstractSpinBox::NoButtons);
        part->setAlignment(Qt::AlignCenter);
        part->setMinimumWidth(48);
        AddressParts[i] = part;
        address->addWidget(part);
        if (i < 3) {
            address->addWidget(PlainLabel(QStringLiteral("."), this));
        }
        connect(part, qOverload<int>(&QSpinBox::valueChanged), this, [this] {
            if (m_showing) {
                return;
            }
            for (std::size_t k = 0; k < 4; ++k) {
                m_config.AddressFields[k] = AddressParts[k]->value();
            }
            m_config.OnAddressChanged();
            ShowHostName();
        });
    }
    address->addStretch(1);
    grid->addLayout(address, 1, 1);

    grid->addWidget(PlainLabel(QStringLiteral("SerNr - IP-Address"), this), 2, 0);
    FoundList = new QComboBox(this);
    FoundList->setMinimumWidth(320);
    FoundList->installEventFilter(this);
    grid->addWidget(FoundList, 2, 1);
    connect(FoundList, qOverload<int>(&QComboBox::activated), this, [this] { TakeSelection(); });

    grid->addWidget(PlainLabel(QStringLiteral("Hostname"), this), 3, 0);
    HostName = new QLineEdit(this);
    grid->addWidget(HostName, 3, 1);
    connect(HostName, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_config.HostNameEdit = text.toStdString();
        m_config.OnHostNameChanged();
        ShowAddress();
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    grid->addWidget(buttons, 4, 0, 1, 2);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    m_showing = true;
    for (const std::string& line : m_config.FoundBox.Entries) {
        // Found units' lines come from datagrams: shown as plain text by the list.
        FoundList->addItem(QString::fromStdString(line).remove(QLatin1Char('\r')));
    }
    FoundList->setCurrentIndex(m_config.FoundBox.Selection);
    m_showing = false;
    ShowAddress();
    ShowHostName();
}

void TcpConfigDialog::ShowAddress() {
    m_showing = true;
    for (std::size_t i = 0; i < 4; ++i) {
        AddressParts[i]->setValue(m_config.AddressFields[i]);
    }
    m_showing = false;
}

void TcpConfigDialog::ShowHostName() {
    const QString text = QString::fromStdString(m_config.HostNameEdit);
    if (HostName->text() != text) {
        HostName->setText(text);
    }
}

void TcpConfigDialog::TakeSelection() {
    m_config.FoundBox.Selection = FoundList->currentIndex();
    m_config.OnSelectUnit();
    ShowAddress();
}

bool TcpConfigDialog::eventFilter(QObject* watched, QEvent* event) {
    // The list taking the focus picks its selected unit, as a change of selection does.
    if (watched == FoundList && event->type() == QEvent::FocusIn) {
        TakeSelection();
    }
    return QDialog::eventFilter(watched, event);
}
