#include "console/ConsoleProbe.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
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
        put("transferRunning", f.TransferRunning);
        put("uploadDirection", f.UploadDirection);
        put("zmodemTrigger", f.ZModemTrigger);
        put("zmodemPanel", f.MAIN_SCROLLBOX_ZModem->Visible());
        put("zmodemStatus", f.MAIN_PANEL_ZModemStatus->Caption());
        put("zmodemDirectory", f.MAIN_ZLABEL_Directory->Hint());
        put("zmodemFileName", f.MAIN_ZLABEL_FileName->Caption());
        put("zmodemFileSize", f.MAIN_ZLABEL_FileSize->Caption());
        put("zmodemBytes", f.MAIN_ZLABEL_RecvedBytes->Caption());
        put("zmodemBytesTitle", f.MAIN_ZLABEL_RcvdSentBytes->Caption());
        put("zmodemCurrentGauge", f.MAIN_ZCurrentGauge->Progress());
        put("zmodemCancelPending", f.ZCancel.Pending());
        put("autoDisconnect", f.MAIN_ZCB_AutoDisconnect->Checked());
        put("keyMode", f.ShownHanguelMode());
        for (TImage* image : {f.MAIN_IMG_KeyModeHan2, f.MAIN_IMG_KeyModeHan3, f.MAIN_IMG_KeyModeHan390,
                              f.MAIN_IMG_KeyModeEng, f.MAIN_IMG_KeyModeNone})
            if (image->Visible()) put("keyModeImage", image->Name());
        put("consoleFocused", f.MAIN_PANEL_Console->Focused());
        put("sendQueue", f.FSendQueue.Waiting());
        // Screen rectangles of the controls a test clicks.
        for (TControl* c : std::initializer_list<TControl*>{f.MAIN_VSCR_Console, f.MAIN_BTN_Disconnect}) {
            const POINT o = c->ClientToScreen(POINT{0, 0});
            out << c->Name() << '=' << o.x << ',' << o.y << ',' << o.x + c->Width() << ',' << o.y + c->Height() << '\n';
        }
        put("lineCount", s.LineCount());
        for (int i = 0; i < s.LineCount(); ++i)
            out << "line=" << Hex(s.Text(i)) << ' ' << s.Foreground(i) << ' ' << s.Background(i) << '\n';
        return out.str();
    }

    // A click of the named control or menu item, as the user's (a check box toggles).
    static bool Click(TConsoleForm& f, const std::string& name) {
        TComponent* c = Find(f, name);
        if (auto* box = dynamic_cast<TCheckBox*>(c)) {
            box->SetChecked(!box->Checked());
        } else if (auto* radio = dynamic_cast<TRadioButton*>(c)) {
            radio->SetChecked(true);
        } else if (auto* page = dynamic_cast<TTabSheet*>(c)) {
            page->PageControl()->SetActivePage(page);
        } else if (auto* control = dynamic_cast<TControl*>(c)) {
            control->Click();
        } else if (auto* item = dynamic_cast<TMenuItem*>(c)) {
            item->Click();
        } else {
            return false;
        }
        return true;
    }

    // "Control=text": an edit takes the text as typed, a list chooses the item of that
    // text as the user does (the list's own selection notice).
    static bool SetText(TConsoleForm& f, const std::string& data) {
        const size_t eq = data.find('=');
        if (eq == std::string::npos) return false;
        auto* control = dynamic_cast<TWinControl*>(Find(f, data.substr(0, eq)));
        const std::string text = data.substr(eq + 1);
        if (auto* combo = dynamic_cast<TCustomComboBox*>(control)) {
            const int index = combo->Items()->IndexOf(text);
            if (index >= 0) {
                HWND h = combo->Handle();
                SendMessageA(h, CB_SETCURSEL, WPARAM(index), 0);
                SendMessageA(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), CBN_SELCHANGE), LPARAM(h));
                return true;
            }
        }
        if (!control) return false;
        control->SetText(text);
        return true;
    }

    // Every control of a window the program has open, as ConsoleProbeDumpForm says.
    static std::string DumpForm(const std::string& formName) {
        auto* form = dynamic_cast<TForm*>(Application->FindComponent(formName));
        if (!form) return {};
        std::ostringstream out;
        auto line = [&](const std::string& name, TControl* c, std::string text, RECT r) {
            for (size_t at; (at = text.find('\n')) != std::string::npos;) text.replace(at, 1, "\\n");
            out << name << '=' << text << '|' << c->Enabled() << '|' << c->Visible() << '|' << r.left << ','
                << r.top << ',' << r.right << ',' << r.bottom << '\n';
        };
        RECT frame{};
        GetWindowRect(form->Handle(), &frame);
        line("form", form, form->Caption(), frame);
        for (int i = 0; i < form->ComponentCount(); ++i) {
            auto* c = dynamic_cast<TControl*>(form->Components(i));
            if (!c || c->Name().empty()) continue;
            std::string text = c->Caption();
            if (auto* box = dynamic_cast<TCheckBox*>(c)) text = box->Checked() ? "1" : "0";
            if (auto* radio = dynamic_cast<TRadioButton*>(c)) text = radio->Checked() ? "1" : "0";
            if (auto* pages = dynamic_cast<TPageControl*>(c)) text = std::to_string(pages->ActivePageIndex());
            const POINT o = c->ClientToScreen(POINT{0, 0});
            line(c->Name(), c, text, RECT{o.x, o.y, o.x + c->Width(), o.y + c->Height()});
        }
        return out.str();
    }

    // The transfer engine's clock runs `scale` times as fast from now on (its time-outs
    // come sooner).
    static void SetClockScale(TConsoleForm& f, int scale) {
        static ScaledClock clock;
        clock.base = GetTickCount();
        clock.scale = scale;
        f.FZModemClock = &clock;
        if (f.ZModemEngine) f.ZModemEngine->SetClock(&clock);
    }

private:
    // A component of the main window, or of another open window as "Form.Control".
    static TComponent* Find(TConsoleForm& f, const std::string& name) {
        const size_t dot = name.find('.');
        if (dot == std::string::npos) return f.FindComponent(name);
        TComponent* form = Application->FindComponent(name.substr(0, dot));
        return form ? form->FindComponent(name.substr(dot + 1)) : nullptr;
    }

    struct ScaledClock : quiro::engines::Clock {
        uint32_t base = 0;
        int scale = 1;
        uint32_t NowMs() override { return base + (GetTickCount() - base) * uint32_t(scale); }
    };

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

namespace {

void WriteFile(const std::string& name, const std::string& text, TMessage& m) {
    FILE* file = std::fopen(name.c_str(), "wb");
    if (file) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    m.Result = file ? 1 : 0;
}

}  // namespace

void InstallConsoleProbe() {
    static const int owner = 0;
    static const UINT clickLater = RegisterWindowMessageA("QuiroProbeClickLater");
    Application->HookMainWindow(&owner, [](TMessage& m) {
        if (m.Msg == clickLater && ConsoleForm) {
            std::unique_ptr<std::string> name(reinterpret_cast<std::string*>(m.LParam));
            TConsoleProbe::Click(*ConsoleForm, *name);
            return true;
        }
        if (m.Msg != WM_COPYDATA || !ConsoleForm) return false;
        auto* data = reinterpret_cast<const COPYDATASTRUCT*>(m.LParam);
        if (!data) return false;
        std::string text(static_cast<const char*>(data->lpData), data->cbData);
        switch (data->dwData) {
        case ConsoleProbeDump:
            WriteFile(text, TConsoleProbe::Dump(*ConsoleForm), m);
            return true;
        case ConsoleProbeDumpForm: {
            const size_t bar = text.find('|');
            std::string dump = TConsoleProbe::DumpForm(text.substr(0, bar));
            if (dump.empty() || bar == std::string::npos) {
                m.Result = 0;
                return true;
            }
            WriteFile(text.substr(bar + 1), dump, m);
            return true;
        }
        case ConsoleProbeClickLater:
            m.Result = PostMessageA(ConsoleForm->Handle(), clickLater, 0,
                                    reinterpret_cast<LPARAM>(new std::string(text))) ? 1 : 0;
            return true;
        case ConsoleProbeSetText:
            m.Result = TConsoleProbe::SetText(*ConsoleForm, text) ? 1 : 0;
            return true;
        case ConsoleProbeConnect:
            ConsoleForm->MAIN_COMBO_Address->SetText(text);
            ConsoleForm->MAIN_BTN_Connect->Click();
            m.Result = 1;
            return true;
        case ConsoleProbeSend:
            ConsoleForm->SendString(text);
            m.Result = 1;
            return true;
        case ConsoleProbeClick:
            m.Result = TConsoleProbe::Click(*ConsoleForm, text) ? 1 : 0;
            return true;
        case ConsoleProbeClockScale:
            TConsoleProbe::SetClockScale(*ConsoleForm, std::atoi(text.c_str()));
            m.Result = 1;
            return true;
        default:
            return false;
        }
    });
}
