// Lumatrel: sets up and operates RKM5 LED light controllers.
#include "gui/QtDialogRunner.h"
#include "gui/QtPrompter.h"
#include "gui/QtTimers.h"
#include "gui/SystemWindow.h"
#include "platform/NetworkAdapters.h"
#include "platform/Pause.h"
#include "system/CTabDlg.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const kUsage = R"(Usage: lumatrel [QT-OPTION...]
       lumatrel --help | --version

Opens the system window, in which RKM5 LED light controllers are connected over TCP or a
serial port, set up and operated. The program reads no options of its own but these two;
Qt's options, such as -platform NAME or -style NAME, are handed to Qt.

  --help      show this text and exit
  --version   show the program's version and exit
)";

} // namespace

int main(int argc, char** argv) {
    // Answered before Qt starts, so that they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("lumatrel %d.%d.%d\n", LUMATREL_VERSION_MAJOR, LUMATREL_VERSION_MINOR,
                        LUMATREL_VERSION_PATCH);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumatrel"));
    // Lets the desktop match the window to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(LUMATREL_DESKTOP_ID));
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
