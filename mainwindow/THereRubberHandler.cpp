#include "mainwindow/THereRubberHandler.h"

#include <algorithm>

namespace artikel {

bool TRubberHandler::Mark(int row)
{
    if (row < 0 || IsMarked(row))
        return false;
    if (static_cast<size_t>(row) >= bits_.size())
        bits_.resize(static_cast<size_t>(row) + 1);
    bits_[static_cast<size_t>(row)] = true;
    marks_.push_back(row);
    return true;
}

void TRubberHandler::Unmark(int row)
{
    if (!IsMarked(row))
        return;
    bits_[static_cast<size_t>(row)] = false;
    marks_.erase(std::find(marks_.begin(), marks_.end(), row));
}

void TRubberHandler::Toggle(int row)
{
    if (IsMarked(row))
        Unmark(row);
    else
        Mark(row);
}

void TRubberHandler::Clear()
{
    marks_.clear();
    bits_.clear();
}

void TRubberHandler::MarkAll(int count)
{
    Clear();
    if (count <= 0)
        return;
    marks_.reserve(static_cast<size_t>(count));
    bits_.assign(static_cast<size_t>(count), true);
    for (int i = 0; i < count; ++i)
        marks_.push_back(i);
}

} // namespace artikel
