#include "framework/Grids.h"

#include <algorithm>

TCustomGrid::TCustomGrid(TComponent* owner) : TCustomControl(owner) {
    FWidth = 320;
    FHeight = 120;
    FTabStop = true;
    SetColor(clWindow);
}

void TCustomGrid::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.WinClassName = "QuiroGrid";
    if (FBorderStyle == bsSingle) params.Style |= WS_BORDER;
}

void TCustomGrid::SetColCount(int count) {
    FColCount = std::max(count, 1);
    Invalidate();
}

void TCustomGrid::SetRowCount(int count) {
    FRowCount = std::max(count, 1);
    Invalidate();
}

void TCustomGrid::SetFixedCols(int count) {
    FFixedCols = std::clamp(count, 0, FColCount - 1);
    FCol = std::max(FCol, FFixedCols);
    Invalidate();
}

void TCustomGrid::SetFixedRows(int count) {
    FFixedRows = std::clamp(count, 0, FRowCount - 1);
    FRow = std::max(FRow, FFixedRows);
    Invalidate();
}

void TCustomGrid::SetDefaultColWidth(int width) {
    FColWidth = std::max(width, 1);
    FColWidths.clear();
    Invalidate();
}

int TCustomGrid::ColWidths(int col) const {
    const auto i = static_cast<size_t>(col);
    return col >= 0 && i < FColWidths.size() && FColWidths[i] > 0 ? FColWidths[i] : FColWidth;
}

void TCustomGrid::SetColWidths(int col, int width) {
    if (col < 0 || col >= FColCount) return;
    const auto i = static_cast<size_t>(col);
    if (FColWidths.size() <= i) FColWidths.resize(i + 1, 0);
    FColWidths[i] = std::max(width, 1);
    Invalidate();
}

int TCustomGrid::ColLeft(int col) const {
    int x = 0;
    for (int c = 0; c < col; ++c) x += ColWidths(c);
    return x;
}

void TCustomGrid::SetDefaultRowHeight(int height) {
    FRowHeight = std::max(height, 1);
    Invalidate();
}

void TCustomGrid::SetBorderStyle(TBorderStyle style) {
    if (style == FBorderStyle) return;
    FBorderStyle = style;
    RecreateWnd();
}

RECT TCustomGrid::CellRect(int col, int row) const {
    const int left = ColLeft(col);
    return RECT{left, row * FRowHeight, left + ColWidths(col), (row + 1) * FRowHeight};
}

bool TCustomGrid::MouseToCell(int x, int y, int& col, int& row) const {
    if (x < 0 || y < 0) return false;
    col = 0;
    for (int left = ColWidths(0); col < FColCount && x >= left; left += ColWidths(++col)) {
    }
    row = y / FRowHeight;
    return col < FColCount && row < FRowCount;
}

void TCustomGrid::InvalidateCell(int col, int row) {
    if (!HandleAllocated()) return;
    RECT r = CellRect(col, row);
    InvalidateRect(Handle(), &r, FALSE);
}

bool TCustomGrid::SelectCell(int col, int row) {
    (void)col;
    (void)row;
    return true;
}

bool TCustomGrid::FocusCell(int col, int row) {
    if (col < FFixedCols || row < FFixedRows || col >= FColCount || row >= FRowCount) return false;
    if (!SelectCell(col, row)) return false;
    InvalidateCell(FCol, FRow);
    FCol = col;
    FRow = row;
    InvalidateCell(FCol, FRow);
    return true;
}

void TCustomGrid::Paint() {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
    for (int row = 0; row < FRowCount; ++row)
        for (int col = 0; col < FColCount; ++col) {
            RECT r = CellRect(col, row);
            bool fixed = row < FFixedRows || col < FFixedCols;
            TGridDrawState state = fixed ? TGridDrawState{gdFixed} : 0u;
            if (!fixed && col == FCol && row == FRow) {
                state |= gdFocused;
                if (DrawFocusSelected) state |= gdSelected;
            }
            c->Brush()->SetColor(fixed ? clBtnFace : Color());
            if (state & gdSelected) c->Brush()->SetColor(clHighlight);
            c->Font()->Assign(*Font());
            if (state & gdSelected) c->Font()->SetColor(clHighlightText);
            DrawCell(col, row, r, state);
        }
    if (!GridLines) return;
    c->Pen()->SetColor(clBtnShadow);
    int right = ColLeft(FColCount);
    for (int row = 1; row <= FRowCount; ++row) {
        if (FixedRowLineOnly && row != FFixedRows) continue;
        c->MoveTo(0, row * FRowHeight - 1);
        c->LineTo(right, row * FRowHeight - 1);
    }
    if (FixedRowLineOnly) return;
    int bottom = FRowCount * FRowHeight;
    for (int col = 1; col <= FColCount; ++col) {
        c->MoveTo(ColLeft(col) - 1, 0);
        c->LineTo(ColLeft(col) - 1, bottom);
    }
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && FocusOnClick && CanFocus() && !Focused()) SetFocus();
    int col = 0, row = 0;
    if (button == mbLeft && MouseToCell(x, y, col, row)) FocusCell(col, row);
    TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomGrid::KeyDown(WORD& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    int dc = 0, dr = 0;
    switch (key) {
        case VK_LEFT: dc = -1; break;
        case VK_RIGHT: dc = 1; break;
        case VK_UP: dr = -1; break;
        case VK_DOWN: dr = 1; break;
        default: return;
    }
    // The next cell that may be selected that way.
    for (int c = FCol + dc, r = FRow + dr; c >= FFixedCols && c < FColCount &&
                                           r >= FFixedRows && r < FRowCount;
         c += dc, r += dr)
        if (FocusCell(c, r)) break;
    key = 0;
}

void TCustomGrid::WndProc(TMessage& message) {
    if (message.Msg == WM_GETDLGCODE) {
        message.Result = DLGC_WANTARROWS;
        return;
    }
    if (message.Msg == WM_ERASEBKGND) {
        message.Result = 1;
        return;
    }
    TCustomControl::WndProc(message);
}
