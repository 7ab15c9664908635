#pragma once

#include <QDialog>

// "Info about Lumatrel": the program's icon, its version line and OK.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};
