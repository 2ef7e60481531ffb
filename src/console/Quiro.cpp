// Program entry: the system libraries, the application object, the main window, the
// message loop.
#include <windows.h>

#include "console/Main.h"
#include "controls/XcConst.h"
#include "framework/Forms.h"
#include "framework/Libraries.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int exitCode = 0;
    {
        TApplication app;
        try {
            StartLibraries();
            InitXcControls();
            app.SetTitle("Quiro 2");
            app.CreateForm<TConsoleForm>();
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
