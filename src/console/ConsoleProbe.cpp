#include "console/ConsoleProbe.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

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
        put("MAIN_COMBO_Address", Rect(f.MAIN_COMBO_Address));
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
        // The thread's caret, on the screen, and whether the console shows it.
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        POINT caret{-1, -1};
        if (GetGUIThreadInfo(GetCurrentThreadId(), &gui) && gui.hwndCaret) {
            caret = POINT{gui.rcCaret.left, gui.rcCaret.top};
            ClientToScreen(gui.hwndCaret, &caret);
        }
        put("caretLeft", caret.x);
        put("caretTop", caret.y);
        put("caretShown", f.FCaret->Visible());
        put("viewBackground", int(s.ViewBackground));
        put("defaultForeground", int(f.FTerminal->DefaultForeground()));
        // Pictures painted for received text, and the longest a change waited for one (ms).
        put("framesPainted", f.FFramesPainted);
        put("longestPaintWait", f.FLongestPaintWait / 1000.0);
        put("lateFrames", f.FLateFrames);
        put("paintMicros", PaintMicros());
        put("scrollLineMicros", ScrollMicros());
        put("processorMillis", ProcessorMillis());
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
        put("zmodemPosition", f.ZModemEngine ? f.ZModemEngine->Position() : 0);
        put("zmodemCancelPending", f.ZCancel.Pending());
        put("autoDisconnect", f.MAIN_ZCB_AutoDisconnect->Checked());
        put("keyMode", f.ShownHanguelMode());
        put("composing", f.FHanguel->IsComposing());
        put("composingText", Hex(f.FHanguel->GetComposingText()));
        for (TImage* image : {f.MAIN_IMG_KeyModeHan2, f.MAIN_IMG_KeyModeHan3, f.MAIN_IMG_KeyModeHan390,
                              f.MAIN_IMG_KeyModeEng, f.MAIN_IMG_KeyModeNone})
            if (image->Visible()) put("keyModeImage", image->Name());
        put("consoleFocused", f.MAIN_PANEL_Console->Focused());
        put("sendQueue", f.FSendQueue.Waiting());
        put("keepAliveStamp", f.KeepAliveStamp);
        put("keepAliveOn", f.KeepAliveTimer != nullptr);
        // Screen rectangles of the controls a test clicks.
        for (TControl* c : std::initializer_list<TControl*>{f.MAIN_VSCR_Console, f.MAIN_BTN_Disconnect}) {
            const POINT o = c->ClientToScreen(POINT{0, 0});
            out << c->Name() << '=' << o.x << ',' << o.y << ',' << o.x + c->Width() << ',' << o.y + c->Height() << '\n';
        }
        put("imagePackArmed", f.FTerminal->ImagePackArmed);
        put("imagePositionFlag", f.FTerminal->ImageCell.PositionFlag);
        put("imageColumn", f.FTerminal->ImageCell.Column);
        put("imageRow", f.FTerminal->ImageCell.Row);
        put("mainLeft", f.Left());
        put("mainTop", f.Top());
        if (TPictureViewer* v = f.FViewer) {
            TForm* form = v->Form();
            put("viewerVisible", form->Visible());
            put("viewerCaption", form->Caption());
            put("viewerLeft", form->Left());
            put("viewerTop", form->Top());
            put("viewerWidth", form->Width());
            put("viewerHeight", form->Height());
            put("viewerClientWidth", form->ClientWidth());
            put("viewerClientHeight", form->ClientHeight());
            put("viewerCancelEnabled", v->CancelEnabled());
            if (auto* image = dynamic_cast<TImage*>(form->FindComponent("VIEWIMG_Image"))) {
                put("viewerPictureWidth", image->Picture()->Width());
                put("viewerPictureHeight", image->Picture()->Height());
                const POINT o = image->ClientToScreen(POINT{0, 0});
                out << "VIEWIMG_Image=" << o.x << ',' << o.y << ',' << o.x + image->Width() << ','
                    << o.y + image->Height() << '\n';
            }
            if (auto* bar = dynamic_cast<TControl*>(form->FindComponent("VIEWIMG_PANEL_Buttons")))
                put("viewerBarHeight", bar->Height());
            for (const char* name : {"VIEWIMG_BTN_SaveAs", "VIEWIMG_BTN_Cancel", "VIEWIMG_BTN_Close"})
                if (auto* c = dynamic_cast<TControl*>(form->FindComponent(name))) {
                    const POINT o = c->ClientToScreen(POINT{0, 0});
                    out << name << '=' << o.x << ',' << o.y << ',' << o.x + c->Width() << ',' << o.y + c->Height()
                        << '\n';
                }
        } else {
            put("viewerVisible", 0);
        }
        put("viewerSaveResult", SaveResult());
        std::string favourites;
        for (const std::string& name : f.Settings.Favorites) favourites += (favourites.empty() ? "" : ",") + Hex(name);
        put("favorites", favourites);
        for (TSpeedButton* b : f.FQuickConnect)
            if (b) out << b->Name() << '=' << Hex(b->Caption()) << ' ' << Hex(b->Hint()) << ' ' << Rect(b) << '\n';
        put("MAIN_PANEL_Favorites", Rect(f.MAIN_PANEL_Favorites));
        put("MAIN_PANEL_Menu", Rect(f.MAIN_PANEL_Menu));
        // (the viewer's own lines are above)
        if (TForm* form = ShownWindow(f); form && !(f.FViewer && form == f.FViewer->Form()))
            DumpWindow(out, *form);
        put("captureDown", f.MAIN_BTN_Capture->Down());
        const TWinControl* focused = TWinControl::FindControl(GetFocus());
        put("focused", focused ? focused->Name() : std::string("-"));
        const TWinControl* active = TWinControl::FindControl(GetActiveWindow());
        put("activeWindow", active ? active->Name() : std::string("-"));
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
            put("editorColor", static_cast<int>(rich->Color()));
            put("editorFont", rich->Font()->Name() + "," + std::to_string(rich->Font()->Size()));
            out << "EditMainForm=" << form->Left() << ',' << form->Top() << ',' << form->Left() + form->Width()
                << ',' << form->Top() + form->Height() << '\n';
        } else {
            put("editorVisible", 0);
        }
        DumpMemoAndTable(out, f);
        put("lineCount", s.LineCount());
        for (int i = 0; i < s.LineCount(); ++i)
            out << "line=" << Hex(s.Text(i)) << ' ' << s.Foreground(i) << ' ' << s.Background(i) << '\n';
        return out.str();
    }

    // A click of the named control or menu item of the main window or the capture editor,
    // as the user's (a check box or a switch toggles).
    static bool Click(TConsoleForm& f, const std::string& name) {
        TComponent* c = Find(f, name);
        if (!c && f.FViewer) c = f.FViewer->Form()->FindComponent(name);
        if (!c && f.FEditor) c = f.FEditor->Form()->FindComponent(name);
        if (!c && f.FMemo) c = f.FMemo->Form()->FindComponent(name);
        if (!c && f.FCharTable) c = f.FCharTable->Form()->FindComponent(name);
        if (auto* speed = dynamic_cast<TXcSpeedButton*>(c)) {
            if (speed->GroupIndex()) speed->SetDown(!speed->Down());
            speed->Click();
        } else if (auto* button = dynamic_cast<TSpeedButton*>(c); button && button->GroupIndex()) {
            button->SetDown(!button->Down());
            button->Click();
        } else if (auto* box = dynamic_cast<TCheckBox*>(c)) {
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

    // An edit's text as typed, or a list box's item selected and clicked.
    static bool Set(TConsoleForm& f, const std::string& data) {
        size_t lf = data.find('\n');
        if (lf == std::string::npos) return false;
        TComponent* c = Find(f, data.substr(0, lf));
        std::string value = data.substr(lf + 1);
        if (auto* edit = dynamic_cast<TCustomEdit*>(c)) {
            edit->SetText(value);
        } else if (auto* list = dynamic_cast<TCustomListBox*>(c)) {
            list->SetItemIndex(std::atoi(value.c_str()));
            list->Click();
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
            // A menu item: its caption, whether it is enabled and shown, and checked.
            if (auto* item = dynamic_cast<TMenuItem*>(form->Components(i))) {
                out << item->Name() << '=' << item->Caption() << '|' << item->Enabled() << '|' << item->Visible()
                    << "|0,0,0,0|" << item->Checked() << '\n';
                continue;
            }
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

    // The viewer's Save As with the name the user would choose.
    static void SavePicture(TConsoleForm& f, const std::string& fileName) {
        SaveResult() = f.FViewer ? f.FViewer->SavePicture(fileName) : "no viewer";
        if (SaveResult().empty()) SaveResult() = "saved";
    }
    static std::string& SaveResult() {
        static std::string result = "-";
        return result;
    }

    // The console's own painting, timed: whole pictures, and one line's scroll back and
    // forth (each way counts as one).
    static void TimePainting(TConsoleForm& f, int n) {
        std::vector<double> pictures, scrolls;
        for (int i = 0; i < n; ++i) {
            const double t0 = Seconds();
            f.SyncDamageRows();
            f.FDamage.MarkAll();
            f.PaintPending();
            GdiFlush();
            pictures.push_back(Seconds() - t0);
        }
        for (int i = 0; i < n && f.FScreen.FirstDisplayedLine > 0; ++i) {
            for (TScrollCode code : {scLineUp, scLineDown}) {
                const double t0 = Seconds();
                int position = f.MAIN_VSCR_Console->Position();
                f.MAIN_VSCR_ConsoleScroll(code, position);
                f.MAIN_VSCR_Console->SetPosition(position);
                GdiFlush();
                scrolls.push_back(Seconds() - t0);
            }
        }
        f.ScrollBackReturnLine = -1;
        PaintMicros() = Median(pictures) * 1e6;
        ScrollMicros() = Median(scrolls) * 1e6;
    }
    static double& PaintMicros() {
        static double micros = -1;
        return micros;
    }
    static double& ScrollMicros() {
        static double micros = -1;
        return micros;
    }
    // The processor time the program has used, user and kernel (for the benchmarks).
    static long long ProcessorMillis() {
        FILETIME created, exited, kernel, user;
        if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
        auto ticks = [](FILETIME f) { return (static_cast<long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
        return (ticks(kernel) + ticks(user)) / 10000;
    }

private:
    // The on-line memo's text and selection, the character table's tab and target, and
    // the console pop-up's items for them.
    static void DumpMemoAndTable(std::ostream& out, TConsoleForm& f) {
        auto put = [&](const char* name, const auto& value) { out << name << '=' << value << '\n'; };
        put("memoItemEnabled", FindAs<TMenuItem>(&f, "MAIN_PMENU_ShowOnLineMemo")->Enabled());
        put("tableItemEnabled", FindAs<TMenuItem>(&f, "MAIN_PMENU_ShowCharacterTable")->Enabled());
        if (OnLineMemo* memo = f.FMemo) {
            TForm* form = memo->Form();
            auto* view = FindAs<TXcRichEdit>(form, "ONLINEMEMO_View");
            put("memoVisible", form->Visible());
            put("memoCaption", form->Caption());
            put("memoText", Hex(view->GetTextRange(0, view->TextLength())));
            put("memoSelStart", view->SelStart());
            put("memoSelLength", view->SelLength());
            put("memoWindow", reinterpret_cast<uintptr_t>(view->Handle()));
            put("ONLINEMEMO_View", Rect(view));
            put("OnLineMemoForm", WindowRect(*form));
        } else {
            put("memoVisible", 0);
        }
        if (CharacterTable* table = f.FCharTable) {
            TForm* form = table->Form();
            put("tableVisible", form->Visible());
            put("tableCaption", form->Caption());
            put("tableTarget", table->Target());
            put("tableTab", FindAs<TTabControl>(form, "CTABLE_TabCtrl_CharGroup")->TabIndex());
            put("CharacterTableForm", WindowRect(*form));
            put("tableWindow", reinterpret_cast<uintptr_t>(form->Handle()));
            put("CTABLE_PaintBox", Rect(FindAs<TControl>(form, "CTABLE_PaintBox")));
        } else {
            put("tableVisible", 0);
        }
    }

    static std::string WindowRect(TForm& form) {
        RECT r{};
        GetWindowRect(form.Handle(), &r);
        return std::to_string(r.left) + ',' + std::to_string(r.top) + ',' + std::to_string(r.right) + ',' +
               std::to_string(r.bottom);
    }

    static double Seconds() {
        LARGE_INTEGER frequency, count;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&count);
        return double(count.QuadPart) / double(frequency.QuadPart);
    }
    static double Median(std::vector<double> v) {
        if (v.empty()) return -1e-6;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }

    struct ScaledClock : quiro::engines::Clock {
        uint32_t base = 0;
        int scale = 1;
        uint32_t NowMs() override { return base + (GetTickCount() - base) * uint32_t(scale); }
    };

    // A secondary window on show (the main window's modal dialog), if any.
    static TForm* ShownWindow(TConsoleForm& f) {
        for (int i = 0; Application && i < Application->ComponentCount(); ++i) {
            auto* form = dynamic_cast<TForm*>(Application->Components(i));
            if (form && form != &f && form->Visible()) return form;
        }
        return nullptr;
    }

    // A component of the main window, of another open window as "Form.Control", or of the
    // secondary window on show.
    static TComponent* Find(TConsoleForm& f, const std::string& name) {
        if (const size_t dot = name.find('.'); dot != std::string::npos) {
            TComponent* form = Application->FindComponent(name.substr(0, dot));
            return form ? form->FindComponent(name.substr(dot + 1)) : nullptr;
        }
        if (TComponent* c = f.FindComponent(name)) return c;
        TForm* form = ShownWindow(f);
        return form ? form->FindComponent(name) : nullptr;
    }

    static std::string Rect(TControl* c) {
        const POINT o = c->ClientToScreen(POINT{0, 0});
        return std::to_string(o.x) + ',' + std::to_string(o.y) + ',' + std::to_string(o.x + c->Width()) + ',' +
               std::to_string(o.y + c->Height());
    }

    // The window's controls: lists (items as hex, then the selection), edits (text as
    // hex), check boxes (checked) and buttons (enabled).
    static void DumpWindow(std::ostream& out, TForm& form) {
        RECT r{};
        GetWindowRect(form.Handle(), &r);
        out << "window=" << form.Name() << '\n' << "windowRect=" << r.left << ',' << r.top << ',' << r.right << ','
            << r.bottom << '\n';
        for (int i = 0; i < form.ComponentCount(); ++i) {
            TComponent* c = form.Components(i);
            if (auto* list = dynamic_cast<TCustomListBox*>(c)) {
                std::string items;
                for (int n = 0; n < list->Items()->Count(); ++n)
                    items += (n ? "," : "") + Hex(list->Items()->Strings(n));
                out << c->Name() << '=' << (items.empty() ? "-" : items) << ' ' << list->ItemIndex() << '\n';
            } else if (auto* edit = dynamic_cast<TCustomEdit*>(c)) {
                out << c->Name() << '=' << Hex(edit->Text()) << '\n';
            } else if (auto* box = dynamic_cast<TCheckBox*>(c)) {
                out << c->Name() << '=' << box->Checked() << '\n';
            } else if (auto* button = dynamic_cast<TButton*>(c)) {
                out << c->Name() << '=' << button->Enabled() << '\n';
            }
        }
    }

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

// What waits to be painted in a window of the program, painted now.
static BOOL CALLBACK PaintNow(HWND window, LPARAM) {
    UpdateWindow(window);
    return TRUE;
}

void InstallConsoleProbe() {
    static const int owner = 0;
    static const UINT clickLater = RegisterWindowMessageA("QuiroProbeClickLater");
    static std::deque<std::string> laterClicks;
    Application->HookMainWindow(&owner, [](TMessage& m) {
        if (m.Msg == clickLater && ConsoleForm && !laterClicks.empty()) {
            std::string name = laterClicks.front();
            laterClicks.pop_front();
            TConsoleProbe::Click(*ConsoleForm, name);
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
        case ConsoleProbeSavePicture:
            TConsoleProbe::SavePicture(*ConsoleForm, text);
            m.Result = 1;
            return true;
        case ConsoleProbeClickLater:
            laterClicks.push_back(text);
            m.Result = PostMessageA(ConsoleForm->Handle(), clickLater, 0, 0) ? 1 : 0;
            return true;
        case ConsoleProbeSet:
            m.Result = TConsoleProbe::Set(*ConsoleForm, text) ? 1 : 0;
            return true;
        case ConsoleProbeClockScale:
            TConsoleProbe::SetClockScale(*ConsoleForm, std::atoi(text.c_str()));
            m.Result = 1;
            return true;
        case ConsoleProbeSettleDisplay: {
            // Under Wine the display's events are read only while the thread waits, and
            // a thread kept busy by messages (a test asking for the state again and again)
            // reads them late: a focus event read between two injected keys makes Wine
            // set the keyboard's state to the display's, which lets go of a held Alt or
            // Ctrl. Asking the display for the pointer waits for its answer, which comes
            // after every event sent before it; a wait of no time then reads them, and
            // hands the display what the windows painted. Events read may send requests
            // of their own (a window seen on the display is given the keyboard), so again
            // until a round reads nothing; the last question makes sure the display has
            // done all that was asked of it.
            EnumThreadWindows(GetCurrentThreadId(), PaintNow, 0);
            POINT pointer{};
            for (int round = 0; round < 8; ++round) {
                GetCursorPos(&pointer);
                if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT) == WAIT_TIMEOUT)
                    break;
            }
            GetCursorPos(&pointer);
            m.Result = 1;
            return true;
        }
        case ConsoleProbePaintTimes:
            TConsoleProbe::TimePainting(*ConsoleForm, std::atoi(text.c_str()));
            m.Result = 1;
            return true;
        default:
            return false;
        }
    });
}
