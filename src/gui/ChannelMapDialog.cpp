#include "gui/ChannelMapDialog.h"

#include "dialogs/CChannelMap.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

ChannelMapDialog::ChannelMapDialog(CChannelMap& map, QWidget* parent)
    : QDialog(parent), m_map(map) {
    setWindowTitle(QString::fromUtf8(CChannelMap::Caption));
    auto* grid = new QGridLayout(this);
    auto* text = new QLabel(QString::fromUtf8(CChannelMap::Text).remove(QLatin1Char('\r')), this);
    text->setTextFormat(Qt::PlainText);
    grid->addWidget(text, 0, 0, 1, 4);
    for (std::size_t c = 0; c < 4; ++c) {
        auto* label = new QLabel(QString::fromUtf8(CChannelMap::ListLabels[c]), this);
        Lists[c] = new QComboBox(this);
        for (const std::string& entry : m_map.ChannelLists[c].Entries) {
            Lists[c]->addItem(QString::fromStdString(entry));
        }
        grid->addWidget(label, 1, static_cast<int>(c));
        grid->addWidget(Lists[c], 2, static_cast<int>(c));
        connect(Lists[c], qOverload<int>(&QComboBox::currentIndexChanged), this,
                [this, c](int index) { m_map.ChannelLists[c].Selection = index; });
    }
    auto* clear = new QPushButton(QStringLiteral("Clear"), this);
    auto* apply = new QPushButton(QStringLiteral("Apply"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    apply->setDefault(true);
    grid->addWidget(clear, 3, 1);
    grid->addWidget(apply, 3, 2);
    grid->addWidget(cancel, 3, 3);
    connect(clear, &QPushButton::clicked, this, [this] {
        m_map.OnClear();
        ShowLists();
    });
    connect(apply, &QPushButton::clicked, this, [this] {
        // A refused combination has been told to the operator; the dialog stays open.
        if (m_map.OnApply()) {
            accept();
        }
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    ShowLists();
}

void ChannelMapDialog::ShowLists() {
    for (std::size_t c = 0; c < 4; ++c) {
        Lists[c]->setCurrentIndex(m_map.ChannelLists[c].Selection);
    }
}
