#include "engines/core/ScreenModel.h"

#include <utility>

ScreenModel::ScreenModel() : slots_(256), mask_(255) {}

void ScreenModel::Grow()
{
    std::vector<Line> bigger(slots_.size() * 2);
    for (int i = 0; i < count_; ++i)
        bigger[i] = std::move(slots_[Slot(i)]);
    slots_ = std::move(bigger);
    head_ = 0;
    mask_ = static_cast<int>(slots_.size()) - 1;
}

void ScreenModel::AppendEmptyLine()
{
    if (count_ == static_cast<int>(slots_.size()))
        Grow();
    Line& l = slots_[Slot(count_)];
    l.Text.clear();
    l.Foreground.clear();
    l.Background.clear();
    ++count_;
}

void ScreenModel::AppendLine(std::string_view text, std::string_view foreground,
                             std::string_view background)
{
    AppendEmptyLine();
    Line& l = At(count_ - 1);
    l.Text.assign(text);
    l.Foreground.assign(foreground);
    l.Background.assign(background);
    // Keep the three lists parallel whatever the caller gave.
    l.Foreground.resize(l.Text.size(), ForegroundLetter(0));
    l.Background.resize(l.Text.size(), BackgroundLetter(ViewBackground));
    NoteLineLength(count_ - 1);
}

void ScreenModel::AppendLine(std::string_view text, ColorIndex foreground, ColorIndex background)
{
    AppendEmptyLine();
    Line& l = At(count_ - 1);
    l.Text.assign(text);
    l.Foreground.assign(text.size(), ForegroundLetter(foreground & 15));
    l.Background.assign(text.size(), BackgroundLetter(background & 15));
    NoteLineLength(count_ - 1);
}

void ScreenModel::RemoveFirstLine()
{
    if (count_ == 0)
        return;
    Line& l = slots_[head_];
    l.Text.clear();
    l.Foreground.clear();
    l.Background.clear();
    head_ = (head_ + 1) & mask_;
    --count_;
}

void ScreenModel::MoveLine(int from, int to)
{
    if (from < to)
        for (int i = from; i < to; ++i)
            std::swap(At(i), At(i + 1));
    else
        for (int i = from; i > to; --i)
            std::swap(At(i), At(i - 1));
}

void ScreenModel::RotateLines(int first, int last, int count)
{
    const int span = last - first + 1;
    if (span <= 1)
        return;
    count %= span;
    if (count < 0)
        count += span;
    if (count == 0)
        return;
    rotateBuffer_.resize(static_cast<size_t>(span));
    for (int i = 0; i < span; ++i)
        rotateBuffer_[static_cast<size_t>(i)] = std::move(At(first + (i + count) % span));
    for (int i = 0; i < span; ++i)
        At(first + i) = std::move(rotateBuffer_[static_cast<size_t>(i)]);
}

void ScreenModel::Clear()
{
    while (count_ > 0)
        RemoveFirstLine();
    head_ = 0;
    ScreenTop = FirstDisplayedLine = LongestLine = 0;
    CursorColumn = CursorRow = 0;
}

void ScreenModel::RescanLongestLine()
{
    LongestLine = 0;
    for (int i = 0; i < count_; ++i)
        NoteLineLength(i);
}
