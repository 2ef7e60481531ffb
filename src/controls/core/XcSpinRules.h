// The arithmetic of the spin edit and its buttons: reading, writing, stepping and holding
// the value to its limits, the characters it takes, and which half of a diagonal spin
// button the mouse is on.
#pragma once

#include <string>
#include <string_view>

enum TValueType { vtInt, vtFloat };
enum TSpinButtonState { sbNotDown, sbTopDown, sbBottomDown };
enum TSpinButtonKind { bkStandard, bkDiagonal };

// A held button clicks again after the first pause, then after every repeat pause.
constexpr unsigned kSpinFirstRepeat = 400;
constexpr unsigned kSpinRepeat = 100;

struct TSpinRules {
    double MinValue = 0;
    double MaxValue = 0;
    double Increment = 1.0;
    int Decimal = 2;  // digits after the point for vtFloat
    TValueType ValueType = vtInt;

    // The value held to the limits. Equal limits (0 and 0 at first) hold nothing; limits
    // given the wrong way round hold the value between them all the same.
    double CheckValue(double value) const;
    // The number the text shows; a text that is none reads as MinValue (for vtInt
    // truncated toward zero).
    double ValueOf(std::string_view text) const;
    // The text for a value after CheckValue: Decimal digits after the locale's decimal
    // separator for vtFloat; for vtInt the nearest integer, held to the 32-bit range so
    // that it reads back.
    std::string TextOf(double value) const;
    // The text one Increment up or down from the value the text shows.
    std::string StepText(std::string_view text, bool up) const;
    // The text when the edit is left: rewritten when its value lies outside the limits,
    // else kept as typed.
    std::string ExitText(std::string_view text) const;
    // Switching to vtInt rounds Increment to an integer (1 when that gives 0).
    void SetValueType(TValueType type);
    // Whether a typed character may go into `text`: digits, signs and control characters;
    // for vtFloat one decimal separator and one exponent letter. With the editor disabled
    // only control characters other than Backspace pass.
    bool IsValidChar(char c, std::string_view text, bool editorEnabled) const;
};

// The half of a width x height diagonal spin button that a point lies on: the diagonal
// from the bottom-left to the top-right corner splits it; a point on the line is in the
// bottom half. sbNotDown outside the face.
TSpinButtonState DiagonalHalfAt(int x, int y, int width, int height);
// The width of a spin edit's standard button: the vertical scroll bar's, at most 15.
inline int SpinButtonWidth(int scrollBarWidth) {
    return scrollBarWidth < 15 ? scrollBarWidth : 15;
}
