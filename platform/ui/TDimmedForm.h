#pragma once

// A translucent layer over the window that asks a question: it darkens the window while the
// question is open, fading in before and out after it.

#include <QColor>
#include <QWidget>

#include <chrono>

class QDialog;

namespace artikel {

enum class TBackdropMode { None = 0, Black = 1, Red = 2 };

class TDimmedForm : public QWidget {
    Q_OBJECT
public:
    // Covers `target` (a child of it that follows its size) in the colour of `mode`.
    TDimmedForm(QWidget* target, TBackdropMode mode);

    void SetAlpha(int alpha);
    int Alpha() const { return alpha_; }
    TBackdropMode Mode() const { return mode_; }
    QColor LayerColor() const;

    // Full opacity of the layer and the fade steps.
    static constexpr int kMaxAlpha = 128;
    static constexpr int kAlphaStep = 10;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* target_;
    TBackdropMode mode_;
    int alpha_ = 0;
};

// Shows `dialog` modally over a dimmed copy of the asking window (the main window when
// useMainWindow is set or no window is active, otherwise the active window) and returns its
// result. Without a fitting window (frameless, tool window, smaller than 100 x 100, hidden) or
// in a remote session the dialog is shown without the layer.
int ShowModalDimmed(QDialog* dialog, bool useMainWindow, TBackdropMode mode);

// The window ShowModalDimmed would dim, or null when it would show the dialog plainly.
QWidget* DimmingTarget(bool useMainWindow);

// True in a remote session (remote desktop, X forwarded over SSH), where the fade would only
// cost time.
bool IsRemoteSession();

// The pause between two fade steps (5 ms; tests set 0).
void SetDimmedFadeStep(std::chrono::milliseconds step);

} // namespace artikel
