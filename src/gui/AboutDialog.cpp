#include "gui/AboutDialog.h"

#include "gui/Icons.h"
#include "unit/CLumatrelDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Info about Lumatrel"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    auto* version = new QLabel(QString::fromStdString(CLumatrelDlg::AboutVersionLine()), this);
    version->setTextFormat(Qt::PlainText);
    row->addWidget(icon);
    row->addWidget(version, 1);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}
