#include "engines/core/DravelHanguel.h"

#include "engines/core/KscJohab.h"

using quiro::engines::HangulComposer;

TDravelHanguel::TDravelHanguel() : FComposer(JohabEmptySyllable) {
    ResetComposition();
}

void TDravelHanguel::RedrawComposition() {
    if (FRedraw) FRedraw();
}

int TDravelHanguel::InputChar(unsigned char c) {
    if (!IsAutomatonActive()) {
        // Plain pass-through; control characters are the caller's to send.
        if (c >= 32) FComposer.Append(static_cast<char>(c));
        return IsOutputReady();
    }
    if (c >= 32 && c <= 127) {
        if (c == ' ' && FKeys && FKeys->ShiftDown()) {
            SetHanguelMode(FHanguelMode ? 0 : 1);
        } else if (!FHanguelMode) {
            FComposer.Append(static_cast<char>(c));
        } else {
            FComposer.Key(c, FKeys && FKeys->CapsLockOn());
        }
    } else if (c != 8) {
        if (FHanguelMode) {
            FComposer.Flush();
            EndComposition();
        }
        if (c >= 129) FComposer.Append(static_cast<char>(c));
    }
    return IsOutputReady();
}

std::string TDravelHanguel::GetOutput() {
    return FComposer.TakeOutput();
}

uint16_t TDravelHanguel::GetComposingChar() const {
    return JohabToKsc();
}

std::string TDravelHanguel::GetComposingText() const {
    return FComposer.ComposingText();
}

int TDravelHanguel::IsComposing() const {
    return FHanguelMode && FComposer.CurrentState() != HangulComposer::Empty ? 1 : 0;
}

void TDravelHanguel::EndComposition() {
    FComposer.End();
    RedrawComposition();
}

int TDravelHanguel::SetHanguelMode(int mode) {
    mode = mode ? 1 : 0;
    if (mode != FHanguelMode) {
        FHanguelMode = mode;
        if (mode) {
            ResetComposition();
        } else {
            // The syllable leaves as output; its picture at the cursor must go too.
            FComposer.Flush();
            FComposer.End();
            RedrawComposition();
        }
    }
    return IsOutputReady();
}

void TDravelHanguel::ResetComposition() {
    FComposer.ClearOutput();
    FComposer.End();
    RedrawComposition();
}

int TDravelHanguel::Backspace() {
    if (!FHanguelMode) return 0;
    const bool used = FComposer.Backspace();
    RedrawComposition();
    return used ? 1 : 0;
}

uint16_t TDravelHanguel::JohabToKsc() const {
    return HangulComposer::SyllableToKscCode(FComposer.Syllable());
}
