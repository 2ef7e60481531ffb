// Where on-line memo lines go. A host marks a memo line by ringing the bell with the cursor
// at column 1 of the bottom rows, then restores the cursor (ESC 8); the terminal then hands
// the line under the cursor to this outlet.
#pragma once

#include <string>

class MemoOutlet {
public:
    virtual ~MemoOutlet() = default;
    // Adds the line to the on-line memo window, creating and showing it.
    virtual void ShowOnLineMemo(const std::string& line) = 0;
};
