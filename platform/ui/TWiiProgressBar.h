#pragma once

// The busy indicator: a square of 3 x 3 blocks in which one active block walks clockwise around
// the outer ring, one step per timer tick, while the control is enabled.

#include <QColor>
#include <QRect>
#include <QTimer>
#include <QWidget>

namespace artikel {

struct TBlockAppearance {
    QColor normalColor{157, 191, 225};
    QColor normalColorTo; // invalid: no gradient
    QColor normalBorder{120, 150, 185};
    QColor activeColor{0, 84, 166};
    QColor activeColorTo;
    QColor activeBorder{0, 0, 0};
    Qt::Orientation gradientDirection = Qt::Vertical;
    QColor background; // invalid: not filled
    QColor border; // invalid: no frame (the blocks then get one pixel more)
};

class TWiiProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit TWiiProgressBar(QWidget* parent = nullptr);

    TBlockAppearance& Appearance() { return appearance_; }
    void SetAppearance(const TBlockAppearance& appearance);
    void SetInterval(int ms) { timer_.setInterval(ms); }
    int Interval() const { return timer_.interval(); }
    bool Animating() const { return timer_.isActive(); }

    int ActiveColumn() const { return col_; }
    int ActiveRow() const { return row_; }
    // One step of the walk (what a timer tick does); repaints the old and the new block only.
    void Step();

    // Geometry shared by painting and the tests.
    static constexpr int kBlocks = 3;
    static constexpr int kGap = 4;
    // The rectangle of block (col, row) in a client rectangle; blocks are laid out from the
    // bottom-right corner, so leftover pixels stay at the top and left.
    static QRect BlockRect(const QRect& client, bool framed, int col, int row);
    // The next position clockwise on the outer ring, starting over at the top-left corner from
    // any position off the ring.
    static void NextRingPosition(int& col, int& row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void UpdateTimer();

    TBlockAppearance appearance_;
    QTimer timer_;
    int col_ = 0;
    int row_ = 0;
};

} // namespace artikel
