// TCustomGrid: a windowed grid of cells (rows of one height, columns of the default width
// or their own), some rows and columns fixed (headers), one cell focused. Clicks and the arrow keys move the focus to a cell that SelectCell allows;
// DrawCell draws each cell.
#pragma once

#include <vector>

#include "framework/Controls.h"

// How a cell is drawn.
enum TGridDrawStateFlag : unsigned { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = unsigned;

class TCustomGrid : public TCustomControl {
public:
    explicit TCustomGrid(TComponent* owner);

    int ColCount() const { return FColCount; }
    void SetColCount(int count);
    int RowCount() const { return FRowCount; }
    void SetRowCount(int count);
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int count);
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int count);
    int DefaultColWidth() const { return FColWidth; }
    // Every column takes the width (a width a column was given is dropped).
    void SetDefaultColWidth(int width);
    // One column's width (the default width until it is given its own).
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    int DefaultRowHeight() const { return FRowHeight; }
    void SetDefaultRowHeight(int height);
    // Lines between the cells (only under the fixed rows when FixedRowLineOnly).
    bool GridLines = true;
    bool FixedRowLineOnly = false;
    // The focused cell is drawn selected (else only framed).
    bool DrawFocusSelected = true;
    // A click gives the grid the keyboard focus (off for a grid inside a popup, which must
    // leave the focus where it is).
    bool FocusOnClick = true;
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle style);

    int Col() const { return FCol; }
    int Row() const { return FRow; }
    // Focuses the cell (when SelectCell allows it); false when it does not.
    bool FocusCell(int col, int row);
    RECT CellRect(int col, int row) const;
    // The cell at a client point; false outside the cells.
    bool MouseToCell(int x, int y, int& col, int& row) const;
    void InvalidateCell(int col, int row);

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    virtual void DrawCell(int col, int row, RECT rect, TGridDrawState state) = 0;
    virtual bool SelectCell(int col, int row);

private:
    int ColLeft(int col) const;
    int FColCount = 5, FRowCount = 5, FFixedCols = 1, FFixedRows = 1;
    std::vector<int> FColWidths;  // a column's own width, 0: the default
    int FColWidth = 64, FRowHeight = 24;
    int FCol = 1, FRow = 1;
    TBorderStyle FBorderStyle = bsSingle;
};
