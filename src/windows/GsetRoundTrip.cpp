// The settings dialog over the main window: what the dialog reaches through it (the
// bitmap fonts of its renderer, the font probe, the printers, the key-map file beside the
// program) and the round trip the main window's settings button runs.
#include <windows.h>
#include <winspool.h>

#include <memory>

#include "console/Main.h"
#include "controls/CtlUtils.h"
#include "framework/core/SysUtils.h"
#include "windows/Gset.h"

std::vector<std::string> ListPrinters(TEnumPrintersFn enumPrinters) {
    if (!enumPrinters) enumPrinters = &EnumPrintersA;
    // Windows NT lists the printers the user is connected to as well.
    const DWORD flags = GetVersion() < 0x80000000u ? PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS : PRINTER_ENUM_LOCAL;
    std::vector<std::string> names;
    DWORD needed = 0, returned = 0;
    if (enumPrinters(flags, nullptr, 1, nullptr, 0, &needed, &returned) || needed == 0) return names;
    std::vector<BYTE> buffer(needed);
    if (!enumPrinters(flags, nullptr, 1, buffer.data(), needed, &needed, &returned)) return names;
    const auto* info = reinterpret_cast<const PRINTER_INFO_1A*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i)
        if (info[i].pName) names.emplace_back(info[i].pName);
    return names;
}

bool TKeyMapIniFile::WriteValue(std::string_view section, std::string_view key, std::string_view value) {
    SetLastError(0);
    const bool ok = TIniFile::WriteValue(section, key, value);
    if (!ok && !FError) FError = GetLastError();
    return ok;
}

std::string KeyMapNotWrittenText(const TKeyMapIniFile& file) {
    std::string text = "The key map could not be saved to " + file.FileName() + ".";
    if (file.Error()) text += "\n" + Win32ErrorText(file.Error());
    return text;
}

namespace {

class TMainWindowConfigHost : public GlobalConfigHost {
public:
    explicit TMainWindowConfigHost(TConsoleForm& form)
        : FForm(form), FFolder(ExtractFilePath(ParamStr(0))), FKeyMap(KeyMapFilePath(FFolder)) {}

    bool LoadBitmapFonts() override { return FForm.Hanguel()->LoadBitmapFonts(nullptr) != 0; }
    void FreeBitmapFonts() override { FForm.Hanguel()->FreeBitmapFonts(); }
    int ProbeCharset(const std::string& fontName) override { return FForm.ProbeFontCharset(fontName); }
    bool DirectoryExists(const std::string& path) override { return !path.empty() && ::DirectoryExists(path); }
    std::string ProgramFolder() override { return FFolder; }
    std::vector<std::string> Printers() override { return ListPrinters(); }
    bool KeyMapExists() override { return FileExists(FKeyMap.FileName()); }
    IIniStore& KeyMap() override { return FKeyMap; }
    void KeyMapNotWritten() override {
        Application->MessageBox(KeyMapNotWrittenText(FKeyMap), " Quiro 2: Error", MB_OK | MB_ICONERROR);
    }

private:
    TConsoleForm& FForm;
    std::string FFolder;
    TKeyMapIniFile FKeyMap;
};

}  // namespace

bool RunGlobalConfigForm(TConsoleForm& form, ConsoleSettings& settings) {
    TMainWindowConfigHost host(form);
    std::unique_ptr<TGlobalConfigForm> dialog(
        new TGlobalConfigForm(Application, host, form.Hanguel(), form.MAIN_TapiDevice));
    dialog->Model.CopyIn(settings);
    dialog->LoadFromConsole();
    if (dialog->ShowModal() != mrOk) return false;
    dialog->Model.ReadBack(settings);
    return true;
}
