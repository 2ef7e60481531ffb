#include "console/ConsoleProbe.h"

#include <windows.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "console/Main.h"

class TConsoleProbe {
public:
    static std::string Dump(TConsoleForm& f) {
        std::ostringstream out;
        auto put = [&](const char* name, const auto& value) { out << name << '=' << value << '\n'; };
        put("caption", f.Caption());
        put("title", Application->Title());
        put("connected", f.Connected);
        put("kind", f.ConnectionKind);
        put("connectEnabled", f.MAIN_BTN_Connect->Enabled());
        put("disconnectEnabled", f.MAIN_BTN_Disconnect->Enabled());
        put("addressEnabled", f.MAIN_COMBO_Address->Enabled());
        put("addressText", f.MAIN_COMBO_Address->Text());
        put("quickLinks", Hex(f.MAIN_COMBO_Address->Items()->Text()));
        put("useInternalFont", f.Settings.UseInternalFont);
        put("codePage", f.FHanguel->GetCodePage());
        put("columns", f.FTerminal->Columns());
        put("rows", f.FTerminal->Rows());
        const ScreenModel& s = f.FScreen;
        put("cellWidth", s.CellWidth);
        put("cellHeight", s.CellHeight);
        put("screenTop", s.ScreenTop);
        put("firstDisplayedLine", s.FirstDisplayedLine);
        put("cursorColumn", s.CursorColumn);
        put("cursorRow", s.CursorRow);
        put("horizontalOffset", f.HorizontalOffset);
        put("viewBackground", int(s.ViewBackground));
        POINT origin = f.MAIN_PB_Console->ClientToScreen(POINT{0, 0});
        put("paintBoxLeft", origin.x);
        put("paintBoxTop", origin.y);
        put("paintBoxWidth", f.MAIN_PB_Console->Width());
        put("paintBoxHeight", f.MAIN_PB_Console->Height());
        put("lineCount", s.LineCount());
        for (int i = 0; i < s.LineCount(); ++i)
            out << "line=" << Hex(s.Text(i)) << ' ' << s.Foreground(i) << ' ' << s.Background(i) << '\n';
        return out.str();
    }

private:
    static std::string Hex(const std::string& bytes) {
        static const char digits[] = "0123456789ABCDEF";
        std::string hex;
        for (unsigned char c : bytes) {
            hex += digits[c >> 4];
            hex += digits[c & 15];
        }
        return hex.empty() ? "-" : hex;
    }
};

void InstallConsoleProbe() {
    static const int owner = 0;
    Application->HookMainWindow(&owner, [](TMessage& m) {
        if (m.Msg != WM_COPYDATA || !ConsoleForm) return false;
        auto* data = reinterpret_cast<const COPYDATASTRUCT*>(m.LParam);
        if (!data) return false;
        std::string text(static_cast<const char*>(data->lpData), data->cbData);
        switch (data->dwData) {
        case ConsoleProbeDump: {
            std::string dump = TConsoleProbe::Dump(*ConsoleForm);
            FILE* file = std::fopen(text.c_str(), "wb");
            if (file) {
                std::fwrite(dump.data(), 1, dump.size(), file);
                std::fclose(file);
            }
            m.Result = file ? 1 : 0;
            return true;
        }
        case ConsoleProbeConnect:
            ConsoleForm->MAIN_COMBO_Address->SetText(text);
            ConsoleForm->MAIN_BTN_Connect->Click();
            m.Result = 1;
            return true;
        case ConsoleProbeSend:
            ConsoleForm->SendString(text);
            m.Result = 1;
            return true;
        default:
            return false;
        }
    });
}
