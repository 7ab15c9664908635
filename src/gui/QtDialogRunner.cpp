#include "gui/QtDialogRunner.h"

#include "gui/ChannelMapDialog.h"
#include "gui/GlobalCurrentDialog.h"
#include "gui/Rs232ConfigDialog.h"
#include "gui/TcpConfigDialog.h"

#include <QApplication>

namespace {

// The person's answer: 1 for OK, 2 for Cancel.
int Answer(QDialog& dialog) {
    // A dialog opened from a blocking operation must not inherit its wait cursor.
    QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    const int result = dialog.exec() == QDialog::Accepted ? 1 : 2;
    QApplication::restoreOverrideCursor();
    return result;
}

} // namespace

int QtDialogRunner::RunModal(Crs232Config& config) {
    Rs232ConfigDialog dialog(config, QApplication::activeWindow());
    return Answer(dialog);
}

int QtDialogRunner::RunModal(CTcpConfig& config) {
    TcpConfigDialog dialog(config, QApplication::activeWindow());
    return Answer(dialog);
}

int QtDialogRunner::RunModal(CChannelMap& map) {
    ChannelMapDialog dialog(map, QApplication::activeWindow());
    return Answer(dialog);
}

int QtDialogRunner::RunModal(CDlgGlobalCurrent& current) {
    GlobalCurrentDialog dialog(current, QApplication::activeWindow());
    return Answer(dialog);
}
