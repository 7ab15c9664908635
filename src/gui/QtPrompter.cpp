#include "gui/QtPrompter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// A box opened from a blocking operation shows the ordinary cursor over itself.
class ArrowCursor {
public:
    ArrowCursor() { QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor)); }
    ArrowCursor(const ArrowCursor&) = delete;
    ArrowCursor& operator=(const ArrowCursor&) = delete;
    ~ArrowCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

QWidget* QtPrompter::Owner() const {
    QWidget* active = QApplication::activeWindow();
    return active != nullptr ? active : m_fallbackOwner;
}

void QtPrompter::ShowMessage(const std::string& text, MessageIcon icon) {
    ArrowCursor cursor;
    QMessageBox box(Owner());
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(QStringLiteral("Lumatrel"));
    box.setText(Q(text));
    box.setStandardButtons(QMessageBox::Ok);
    switch (icon) {
    case MessageIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::None:
        break;
    }
    box.exec();
}

bool QtPrompter::AskYesNo(const std::string& text) {
    ArrowCursor cursor;
    QMessageBox box(Owner());
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(QStringLiteral("Lumatrel"));
    box.setText(Q(text));
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QStringList QtPrompter::NameFilters(const std::string& filter) {
    // Pairs of description and pattern list, separated by '|', as file dialogs of the
    // configuration and log operations give them.
    const QStringList parts = Q(filter).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    if (filters.isEmpty()) {
        filters << QStringLiteral("All files (*)");
    }
    return filters;
}

namespace {

std::optional<std::string> RunFileDialog(QWidget* owner, const FileDialogRequest& request,
                                         QFileDialog::AcceptMode mode) {
    ArrowCursor cursor;
    QFileDialog dialog(owner, Q(request.Title));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    dialog.setNameFilters(QtPrompter::NameFilters(request.Filter));
    if (!request.DefaultExtension.empty()) {
        dialog.setDefaultSuffix(Q(request.DefaultExtension));
    }
    if (!request.InitialFolder.empty()) {
        dialog.setDirectory(Q(request.InitialFolder));
    }
    if (!request.FileName.empty()) {
        dialog.selectFile(Q(request.FileName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first().toStdString();
}

} // namespace

std::optional<std::string> QtPrompter::AskOpenFileName(const FileDialogRequest& request) {
    return RunFileDialog(Owner(), request, QFileDialog::AcceptOpen);
}

std::optional<std::string> QtPrompter::AskSaveFileName(const FileDialogRequest& request) {
    return RunFileDialog(Owner(), request, QFileDialog::AcceptSave);
}

bool QtPrompter::OpenDocument(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)));
}
