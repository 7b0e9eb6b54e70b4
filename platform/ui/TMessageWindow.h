#pragma once

// A small balloon with a pointer at its top left that shows a line of mini markup above every
// window. It never takes the focus and lets mouse clicks through to what lies below; it hides
// itself after a delay.

#include <QPixmap>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QTimer;

namespace artikel {

// The hide timer; tests replace it with one they fire themselves.
class THideTimer {
public:
    virtual ~THideTimer() = default;
    virtual void Start(int milliseconds) = 0;
    virtual void Stop() = 0;
    virtual bool Active() const = 0;
    std::function<void()> onTimeout;
};

// A top-most, never activated, mouse-transparent tool window.
class TCustomMessageWindow : public QWidget {
    Q_OBJECT
public:
    explicit TCustomMessageWindow(QWidget* owner = nullptr);

    // Places the window at its rectangle without activating it and marks it shown.
    virtual void ShowWindow();
    // Hides it and marks it not shown.
    virtual void HideWindow();
    bool Shown() const { return shown_; }

protected:
    bool shown_ = false;
};

class TMessageWindow : public TCustomMessageWindow {
    Q_OBJECT
public:
    static constexpr int kDefaultHideDelay = 2000;
    static constexpr int kMeasureWidth = 200;

    explicit TMessageWindow(QWidget* owner = nullptr, std::unique_ptr<THideTimer> timer = {});
    ~TMessageWindow() override;

    // The text (Windows-1252 mini markup); sizes and shapes the window.
    void SetText(std::string markup);
    const std::string& Text() const { return text_; }
    // The icon drawn left of the text; a null pixmap turns the icon off.
    void SetIcon(const QPixmap& icon);
    bool IconMode() const { return iconMode_; }

    int HideDelay() const { return hideDelay_; }
    // A running hide timer starts again with the new delay.
    void SetHideDelay(int milliseconds);
    const THideTimer& HideTimer() const { return *timer_; }

    // Shows and (re)starts the hide timer.
    void ShowWindow() override;
    // Stops the timer, clears the text and hides.
    void HideWindow() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Relayout();
    QPainterPath Shape() const;

    std::string text_;
    QPixmap icon_;
    bool showIcon_ = true;
    bool iconMode_ = false;
    QMargins margins_{4, 2, 2, 2};
    int hideDelay_ = kDefaultHideDelay;
    std::unique_ptr<THideTimer> timer_;
};

} // namespace artikel
