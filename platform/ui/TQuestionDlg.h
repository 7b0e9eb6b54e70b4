#pragma once

// The program's question dialog: a white form with a large bold markup text, an icon, an
// optional input line with a red frame, a footer and two buttons, shown over the dimmed window
// that asks. Texts are mini markup; a CR LF in a message is a line break.

#include <QDialog>
#include <QString>

#include <functional>

class QLineEdit;
class QPushButton;

namespace artikel {

class TMarkupLabel;

using TLinkHandler = std::function<void(const QString& link)>;

class TQuestionDlg : public QDialog {
    Q_OBJECT
public:
    explicit TQuestionDlg(QWidget* parent = nullptr);

    // The message (CR LF becomes a line break); the dialog sizes itself to it.
    void SetMessage(const QString& message);
    // The footer; its hint is the footer without markup.
    void SetFooter(const QString& footer);
    void SetIconIndex(int index);
    int IconIndex() const { return iconIndex_; }
    void SetLinkHandler(TLinkHandler handler) { linkHandler_ = std::move(handler); }
    // Shows the input line (and with prefill starts it with `text`).
    void ShowInput(bool visible, const QString& text = {});
    void SetCaptions(const QString& okCaption, const QString& cancelCaption);
    void SetCancelVisible(bool visible);

    TMarkupLabel* HLSK() const { return hlsk_; }
    TMarkupLabel* HLHLP() const { return hlhlp_; }
    QPushButton* FOK() const { return ok_; }
    QPushButton* FCANCEL() const { return cancel_; }
    QLineEdit* InputEdit() const { return edit_; }
    bool InputVisible() const { return inputVisible_; }

    // Client height and placement from the message, input line and bottom panel.
    void Relayout();

    static constexpr int kClientWidth = 600;
    static constexpr int kIconPanelWidth = 96;
    static constexpr int kBottomPanelHeight = 48;
    static constexpr int kEditWidth = 457;
    static constexpr int kEditHeight = 24;
    static constexpr int kMinimumHeight = 160;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool HandleKey(QKeyEvent* event);
    QRect IconRect() const;

    TMarkupLabel* hlsk_;
    TMarkupLabel* hlhlp_;
    QLineEdit* edit_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QWidget* bottom_;
    TLinkHandler linkHandler_;
    int iconIndex_ = 1;
    bool inputVisible_ = false;
    bool cancelVisible_ = true;
};

// Asks for a text. The input line shows when `expected` is given (prefill starts it with that
// text). On OK, `result` is "OK" without an input line; with compare, `expected` when the
// trimmed input equals it ignoring case, else empty; otherwise the trimmed input. Any other end
// leaves it empty. Returns whether `result` is not empty. Empty captions keep "Weiter" and
// "Abbrechen".
bool AskText(const QString& message, bool notice, const QString& expected, QString& result,
             const QString& cancelCaption = {}, const QString& okCaption = {}, const QString& footer = {},
             bool compare = false, bool prefill = false);
// True when the user confirmed.
bool AskYesNo(const QString& message, bool notice = false, const QString& footer = {},
              const QString& cancelCaption = {}, const QString& okCaption = {});
// A message with only the OK button.
void ShowInformation(const QString& message, bool notice = false, const QString& footer = {},
                     TLinkHandler linkHandler = {});

} // namespace artikel
