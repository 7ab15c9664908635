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
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            // "*.*" means every file, also one without a dot in its name.
            if (pattern == QStringLiteral("*.*")) {
                pattern = QStringLiteral("*");
            }
        }
        const QString list = patterns.join(QLatin1Char(' '));
        // A description that names its patterns already, in brackets or as they stand,
        // shows them once.
        QString description = parts[i].trimmed();
        if (description == parts[i + 1].trimmed()) {
            description.clear();
        } else if (description.endsWith(QLatin1Char(')')) &&
                   description.lastIndexOf(QLatin1Char('(')) > 0) {
            description = description.left(description.lastIndexOf(QLatin1Char('('))).trimmed();
        }
        filters << (description.isEmpty()
                        ? list
                        : description + QStringLiteral(" (") + list + QLatin1Char(')'));
    }
    if (filters.isEmpty()) {
        filters << QStringLiteral("All files (*)");
    }
    return filters;
}

QString QtPrompter::PatternRefusal(const QString& path) {
    return QStringLiteral("\"%1\" is a pattern, not a file name: choose a name without '*' or "
                          "'?'.")
        .arg(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
}

bool QtPrompter::IsPatternName(const QString& path) {
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

namespace {

std::optional<std::string> RunFileDialog(QWidget* owner, const FileDialogRequest& request,
                                         QFileDialog::AcceptMode mode) {
    ArrowCursor cursor;
    QString folder = Q(request.InitialFolder);
    for (;;) {
        QFileDialog dialog(owner, Q(request.Title));
        dialog.setAcceptMode(mode);
        dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                           : QFileDialog::ExistingFile);
        dialog.setNameFilters(QtPrompter::NameFilters(request.Filter));
        if (!request.DefaultExtension.empty()) {
            dialog.setDefaultSuffix(Q(request.DefaultExtension));
        }
        if (!folder.isEmpty()) {
            dialog.setDirectory(folder);
        }
        if (!request.FileName.empty() && !QtPrompter::IsPatternName(Q(request.FileName))) {
            dialog.selectFile(Q(request.FileName));
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        const QString chosen = dialog.selectedFiles().first();
        if (mode != QFileDialog::AcceptSave || !QtPrompter::IsPatternName(chosen)) {
            return chosen.toStdString();
        }
        // A pattern is what the filter list is for: the name is refused and the dialog
        // offered again, in the folder it was left in.
        QMessageBox box(owner);
        box.setTextFormat(Qt::PlainText);
        box.setWindowTitle(QStringLiteral("Lumatrel"));
        box.setIcon(QMessageBox::Warning);
        box.setText(QtPrompter::PatternRefusal(chosen));
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        folder = dialog.directory().absolutePath();
    }
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
