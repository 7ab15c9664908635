#include "gui/GlobalCurrentDialog.h"

#include "dialogs/CDlgGlobalCurrent.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

GlobalCurrentDialog::GlobalCurrentDialog(CDlgGlobalCurrent& dialog, QWidget* parent)
    : QDialog(parent), m_dialog(dialog) {
    setWindowTitle(QString::fromUtf8(CDlgGlobalCurrent::Caption));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QString::fromUtf8(CDlgGlobalCurrent::CurrentLabel), this), 0, 0);
    Current = new QLineEdit(this);
    grid->addWidget(Current, 0, 1, 1, 2);
    Slider = new QSlider(Qt::Horizontal, this);
    Slider->setMinimumWidth(260);
    grid->addWidget(Slider, 1, 0, 1, 3);
    m_low = new QLabel(this);
    m_low->setTextFormat(Qt::PlainText);
    m_high = new QLabel(this);
    m_high->setTextFormat(Qt::PlainText);
    m_high->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(m_low, 2, 0);
    grid->addWidget(m_high, 2, 2);
    auto* ok = new QPushButton(QString::fromUtf8(CDlgGlobalCurrent::OkText), this);
    auto* cancel = new QPushButton(QString::fromUtf8(CDlgGlobalCurrent::CancelText), this);
    ok->setDefault(true);
    grid->addWidget(ok, 3, 1);
    grid->addWidget(cancel, 3, 2);

    connect(Current, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_dialog.CurrentText = text.toStdString();
        m_dialog.OnCurrentTyped();
        Show();
    });
    connect(Slider, &QSlider::sliderReleased, this, [this] {
        m_dialog.SliderPos = Slider->value();
        m_dialog.OnSliderReleased();
        Show();
    });
    connect(ok, &QPushButton::clicked, this, [this] {
        m_dialog.CurrentText = Current->text().toStdString();
        // A refused current has been told to the operator; the dialog stays open.
        if (m_dialog.OnOK()) {
            accept();
        }
        Show();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    Show();
}

void GlobalCurrentDialog::Show() {
    m_showing = true;
    const QString text = QString::fromStdString(m_dialog.CurrentText);
    if (Current->text() != text) {
        Current->setText(text);
    }
    Slider->setRange(m_dialog.SliderMin, m_dialog.SliderMax);
    if (!Slider->isSliderDown()) {
        Slider->setValue(m_dialog.SliderPos);
    }
    m_low->setText(QString::fromStdString(m_dialog.LowLabel));
    m_high->setText(QString::fromStdString(m_dialog.HighLabel));
    m_showing = false;
}
