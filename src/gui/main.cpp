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

const char* const kUsage = R"(Usage: lumatrel [--adapters loopback|system] [QT-OPTION...]
       lumatrel --help | --version

Opens the system window, in which RKM5 LED light controllers are connected over TCP or a
serial port, set up and operated. The program reads no options of its own but these;
Qt's options, such as -platform NAME or -style NAME, are handed to Qt.

  --adapters KIND   where the TCP/IP dialog and the connect by serial number look for
                    units: "system" (every adapter of this computer but the loopback
                    interface, the default) or "loopback" (127.0.0.1/8 only, for
                    simulated units)
  --help            show this text and exit
  --version         show the program's version and exit
)";

} // namespace

int main(int argc, char** argv) {
    bool loopbackAdapters = false;
    // Answered before Qt starts, so that they work without a display; --adapters is taken
    // out of the arguments before Qt sees them.
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--adapters") == 0) {
            const char* kind = i + 1 < argc ? argv[i + 1] : "";
            if (std::strcmp(kind, "loopback") != 0 && std::strcmp(kind, "system") != 0) {
                std::fprintf(stderr,
                             "lumatrel: --adapters: \"loopback\" or \"system\" expected\n%s",
                             kUsage);
                return 2;
            }
            loopbackAdapters = std::strcmp(kind, "loopback") == 0;
            ++i;
            continue;
        }
        argv[kept++] = argv[i];
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
    argc = kept;
    argv[argc] = nullptr;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumatrel"));
    // Lets the desktop match the window to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(LUMATREL_DESKTOP_ID));
    QtPrompter prompter;
    SleepPause pause;
    QtTimerFactory timers;
    QtDialogRunner dialogs;
    SystemNetworkAdapters systemAdapters;
    FixedNetworkAdapters loopback({NetworkAdapter{"lo", 0x7F000001u, 0xFF000000u}});
    NetworkAdapterSource& adapters =
        loopbackAdapters ? static_cast<NetworkAdapterSource&>(loopback) : systemAdapters;
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
