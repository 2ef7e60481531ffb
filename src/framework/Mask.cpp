#include "framework/Mask.h"

#include "framework/Clipbrd.h"
#include "framework/core/DateTime.h"

void TCustomMaskEdit::SetEditMask(const std::string& mask) {
    std::string text = Caption();
    FEditMask = mask;
    FMask = ParseEditMask(mask, FormatSettings().DateSeparator, FormatSettings().TimeSeparator);
    if (HandleAllocated()) SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(FMask.Length()), 0);
    SetCaption(text);
}

std::string TCustomMaskEdit::Caption() const {
    std::string shown = TCustomEdit::Caption();
    return IsMasked() ? FMask.Text(shown) : shown;
}

void TCustomMaskEdit::SetCaption(const std::string& caption) {
    TCustomEdit::SetCaption(IsMasked() ? FMask.EditText(caption) : caption);
}

void TCustomMaskEdit::CreateWnd() {
    TCustomEdit::CreateWnd();
    if (IsMasked()) SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(FMask.Length()), 0);
}

void TCustomMaskEdit::Replace(int start, int end, const std::string& text) {
    SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(start), end);
    SendMessageA(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void TCustomMaskEdit::ClearRange(int start, int end) {
    std::string blanks;
    for (int i = start; i < end && i < FMask.Length(); ++i)
        blanks += FMask.IsLiteral(i) ? FMask.Positions[i].Literal : FMask.Blank;
    Replace(start, start + static_cast<int>(blanks.size()), blanks);
}

void TCustomMaskEdit::TypeChar(char c) {
    int start = SelStart(), length = SelLength();
    if (length > 0) ClearRange(start, start + length);
    int pos = FMask.NextEditable(start);
    if (pos >= FMask.Length() || !FMask.Accepts(pos, c)) {
        MessageBeep(0);
        SetSelStart(start);
        return;
    }
    Replace(pos, pos + 1, std::string(1, c));
    SetSelStart(FMask.NextEditable(pos + 1));
}

void TCustomMaskEdit::KeyPress(char& key) {
    TCustomEdit::KeyPress(key);
    if (!IsMasked() || key == 0 || ReadOnly()) return;
    if (key == '\b') {
        int start = SelStart(), length = SelLength();
        if (length > 0) {
            ClearRange(start, start + length);
            SetSelStart(start);
        } else {
            int pos = FMask.PrevEditable(start - 1);
            if (pos >= 0) {
                ClearRange(pos, pos + 1);
                SetSelStart(pos);
            }
        }
        key = 0;
    } else if (static_cast<unsigned char>(key) >= 32) {
        TypeChar(key);
        key = 0;
    }
}

void TCustomMaskEdit::KeyDown(WORD& key, TShiftState shift) {
    TCustomEdit::KeyDown(key, shift);
    if (!IsMasked() || key != VK_DELETE || ReadOnly()) return;
    int start = SelStart(), length = SelLength();
    ClearRange(start, start + (length > 0 ? length : 1));
    SetSelStart(start);
    key = 0;
}

void TCustomMaskEdit::WndProc(TMessage& message) {
    if (IsMasked() && !ReadOnly()) {
        switch (message.Msg) {
            case WM_PASTE: {
                std::string text = Clipboard()->AsText();
                for (char c : text)
                    if (static_cast<unsigned char>(c) >= 32) TypeChar(c);
                message.Result = 0;
                return;
            }
            case WM_CUT:
                SendMessageA(Handle(), WM_COPY, 0, 0);
                [[fallthrough]];
            case WM_CLEAR: {
                int start = SelStart(), length = SelLength();
                if (length > 0) ClearRange(start, start + length);
                message.Result = 0;
                return;
            }
            default:
                break;
        }
    }
    TCustomEdit::WndProc(message);
}
