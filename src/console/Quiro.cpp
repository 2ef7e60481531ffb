// Program entry: the application object, the main window, the message loop.
#include <windows.h>

#include "console/Main.h"
#include "framework/Forms.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    TApplication app;
    try {
        app.Initialize();
        app.SetTitle("Quiro 2");
        app.CreateForm<TConsoleForm>();
        app.Run();
    } catch (...) {
        app.ShowException(std::current_exception());
    }
    return app.ExitCode;
}
