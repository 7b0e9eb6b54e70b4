#pragma once

// The grid's row marks: record numbers (positions in the dataset's current order) in the order
// they were marked, without duplicates, plus the state of a rubber band being dragged. A bitmap
// answers IsMarked in constant time, as every visible cell asks on every paint.

#include <QPoint>
#include <QRect>

#include <vector>

namespace artikel {

class TRubberHandler {
public:
    virtual ~TRubberHandler() = default;

    const std::vector<int>& Marks() const { return marks_; }
    int Count() const { return static_cast<int>(marks_.size()); }
    bool Empty() const { return marks_.empty(); }
    bool IsMarked(int row) const
    {
        return row >= 0 && static_cast<size_t>(row) < bits_.size() && bits_[static_cast<size_t>(row)];
    }
    // False when the row was marked already.
    bool Mark(int row);
    void Unmark(int row);
    void Toggle(int row);
    void Clear();
    // Clears, then marks rows 0..count-1 in order.
    void MarkAll(int count);

    // The band: from the press point to the mouse.
    bool banding = false;
    bool additive = false;
    QPoint bandStart;
    QPoint bandEnd;
    QPoint lastDrawn;
    QRect Band() const { return QRect(bandStart, bandEnd).normalized(); }

private:
    std::vector<int> marks_;
    std::vector<bool> bits_;
};

class THereRubberHandler final : public TRubberHandler {};

} // namespace artikel
