#pragma once

#include <QDialog>

class CDlgGlobalCurrent;
class QLabel;
class QLineEdit;
class QSlider;

// One LED current for every channel in use of every unit, within their common range.
class GlobalCurrentDialog : public QDialog {
    Q_OBJECT
public:
    GlobalCurrentDialog(CDlgGlobalCurrent& dialog, QWidget* parent = nullptr);

    QLineEdit* Current = nullptr;
    QSlider* Slider = nullptr;

private:
    void Show();

    CDlgGlobalCurrent& m_dialog;
    QLabel* m_low = nullptr;
    QLabel* m_high = nullptr;
    bool m_showing = false;
};
