// Lumatrel: sets up and operates RKM5 LED light controllers.
#include "gui/QtDialogRunner.h"
#include "gui/QtPrompter.h"
#include "gui/QtTimers.h"
#include "gui/SystemWindow.h"
#include "platform/NetworkAdapters.h"
#include "platform/Pause.h"
#include "system/CTabDlg.h"

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumatrel"));
    QtPrompter prompter;
    SleepPause pause;
    QtTimerFactory timers;
    QtDialogRunner dialogs;
    SystemNetworkAdapters adapters;
    CTabDlg system(UnitServices{prompter, pause, timers, dialogs, adapters});
    SystemWindow window(system);
    prompter.SetFallbackOwner(&window);
    system.OnInitDialog();
    window.exec();
    if (window.ExitRequested()) {
        std::exit(0);
    }
    return 0;
}
