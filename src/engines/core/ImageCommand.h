// The terminal's side of the Image Pack position command: SOH 'A', decimal numbers
// separated by blanks, CR. The first number is the 1-based column of the picture's cell,
// the second its row. Any command byte other than 'A' ends the command at once.
#pragma once

#include <cstdint>

class ImageCommand {
public:
    // At most this many numbers are kept; further ones are ignored.
    static constexpr int kMaxNumbers = 16;
    // Numbers saturate here instead of overflowing.
    static constexpr int kMaxValue = 32767;

    enum class Result {
        More,      // the command goes on
        Ignored,   // the command byte was not 'A': the command ended without effect
        Position,  // CR ended an 'A' command: Column() and Row() hold the cell
    };

    // SOH while Image Pack is armed: a command byte follows.
    void Start();
    Result Byte(uint8_t byte);

    // The cell of the last completed command, 0-based (a missing or 0 number gives 0).
    int Column() const { return column_; }
    int Row() const { return row_; }
    int NumberCount() const { return count_; }

private:
    enum class State { Command, Numbers };

    State state_ = State::Command;
    int numbers_[kMaxNumbers] = {};
    int count_ = 0;  // numbers started so far
    bool inNumber_ = false;
    int column_ = 0;
    int row_ = 0;
};
