// Program entry: the system libraries, the communications library's start-up, the
// application object, the main window, the message loop.
#include <windows.h>

#include "comm/CommExcept.h"
#include "console/Main.h"
#include "controls/XcConst.h"
#include "framework/Forms.h"
#include "framework/Libraries.h"
#include "windows/Install.h"
#ifdef QUIRO_CONSOLE_PROBE
#include "console/ConsoleProbe.h"
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int exitCode = 0;
    {
        TApplication app;
        try {
            StartLibraries();
            InitXcControls();
            InitLinkLibrary();
            InstallSecondaryWindows();
            app.SetTitle("Quiro 2");
            app.CreateForm<TConsoleForm>();
#ifdef QUIRO_CONSOLE_PROBE
            InstallConsoleProbe();
#endif
            app.Run();
        } catch (...) {
            app.ShowException(std::current_exception());
        }
        exitCode = app.ExitCode;
    }
    // Every window is gone with the application object.
    StopLibraries();
    return exitCode;
}
