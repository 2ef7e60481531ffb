#include "framework/Dialogs.h"

#include "framework/Forms.h"

int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags) {
    if (Application) return Application->MessageBox(text, caption, flags);
    return MessageBoxA(GetActiveWindow(), text.c_str(), caption.c_str(), flags);
}

void ShowMessage(const std::string& text) {
    ShowMessageBox(text, Application ? Application->Title() : std::string(), MB_OK);
}
