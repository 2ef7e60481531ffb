#include "console/ConsoleProbe.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "console/Main.h"
#include "controls/XcButtons.h"
#include "controls/XcRichEd.h"
#include "framework/FormBuilder.h"

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
        put("captureDown", f.MAIN_BTN_Capture->Down());
        put("editorPlaced", f.EditorPlaced);
        out << "ConsoleForm=" << f.Left() << ',' << f.Top() << ',' << f.Left() + f.Width() << ','
            << f.Top() + f.Height() << '\n';
        if (CaptureEditor* editor = f.FEditor) {
            TForm* form = editor->Form();
            auto* rich = FindAs<TXcRichEdit>(form, "CED_REDIT_Editor");
            put("editorVisible", form->Visible());
            put("editorCaption", form->Caption());
            put("editorCapture", editor->CaptureOn());
            put("editorModified", editor->Modified());
            put("editorWindow", reinterpret_cast<uintptr_t>(rich->Handle()));
            put("editorText", Hex(rich->GetTextRange(0, rich->TextLength())));
            put("editorSelStart", rich->SelStart());
            put("editorSelLength", rich->SelLength());
            out << "EditMainForm=" << form->Left() << ',' << form->Top() << ',' << form->Left() + form->Width()
                << ',' << form->Top() + form->Height() << '\n';
        } else {
            put("editorVisible", 0);
        }
        put("lineCount", s.LineCount());
        for (int i = 0; i < s.LineCount(); ++i)
            out << "line=" << Hex(s.Text(i)) << ' ' << s.Foreground(i) << ' ' << s.Background(i) << '\n';
        return out.str();
    }

    // A click of the named control or menu item of the main window or the capture editor,
    // as the user's (a check box or a switch toggles).
    static bool Click(TConsoleForm& f, const std::string& name) {
        TComponent* c = f.FindComponent(name);
        if (!c && f.FEditor) c = f.FEditor->Form()->FindComponent(name);
        if (auto* speed = dynamic_cast<TXcSpeedButton*>(c)) {
            if (speed->GroupIndex()) speed->SetDown(!speed->Down());
            speed->Click();
        } else if (auto* button = dynamic_cast<TSpeedButton*>(c); button && button->GroupIndex()) {
            button->SetDown(!button->Down());
            button->Click();
        } else if (auto* box = dynamic_cast<TCheckBox*>(c)) {
            box->SetChecked(!box->Checked());
        } else if (auto* control = dynamic_cast<TControl*>(c)) {
            control->Click();
        } else if (auto* item = dynamic_cast<TMenuItem*>(c)) {
            item->Click();
        } else {
            return false;
        }
        return true;
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
