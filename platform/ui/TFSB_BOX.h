#pragma once

// A stay-on-top message box with an optional help text: a message with "Schließen", or a
// question with "Ja" and "Nein". Texts are mini markup; very long messages are cut to their
// first 21 lines and the last one.

#include <QDialog>
#include <QString>

class QPushButton;

namespace artikel {

class TMarkupLabel;

class TFSB_BOX : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Message, Question };

    TFSB_BOX(Kind kind, const QString& message, const QString& help, const QString& caption, QWidget* parent = nullptr);

    Kind BoxKind() const { return kind_; }
    TMarkupLabel* MessageLabel() const { return message_; }
    TMarkupLabel* HelpLabel() const { return help_; }
    QWidget* FP_help() const { return helpPanel_; }
    QPushButton* FB_BREAK2() const { return close_; }
    QPushButton* FB_OK() const { return yes_; }
    QPushButton* FB_BREAK1() const { return no_; }
    // The help button of the shown panel (FBhelpS or FBhelpQ); hidden without a help text.
    QPushButton* HelpButton() const { return kind_ == Kind::Message ? helpS_ : helpQ_; }

    // Shows the help text below the message and grows the window.
    void ShowHelp();

    // CR LF, lone CR or LF and "<BR>" are line ends; the lines are joined with "<br>". More than
    // 21 lines keep the first 21, a dotted line and the last one.
    static QString PrepareText(const QString& text);
    static constexpr int kMaxLines = 21;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool HandleKey(QKeyEvent* event);
    void Relayout();
    int MaxHeight() const;

    Kind kind_;
    TMarkupLabel* message_;
    TMarkupLabel* help_;
    QWidget* helpPanel_;
    QWidget* pmsg_;
    QWidget* pquestion_;
    QPushButton* close_;
    QPushButton* helpS_;
    QPushButton* yes_;
    QPushButton* no_;
    QPushButton* helpQ_;
    bool hasHelp_;
};

// A modal message with "Schließen" (caption: the application title when empty).
void ShowMessageBox(const QString& message, const QString& help = {}, const QString& caption = {});
// True for "Ja".
bool AskYesNoBox(const QString& message, const QString& help = {}, const QString& caption = {});

} // namespace artikel
