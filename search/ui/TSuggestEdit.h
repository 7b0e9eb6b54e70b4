#pragma once

// "Bearbeiten": the learned phrases of a suggestion list as lines of text, with the list's
// auto-learning switch. EditWords runs it.

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace artikel {

class TMarkupLabel;
class TRTFoxPopupMenu;

inline constexpr const char* kAutoLearningKey = "AutoCompleteFindSuggest.AutoLearning";

class TSuggestEdit : public QDialog {
    Q_OBJECT
public:
    explicit TSuggestEdit(QWidget* parent = nullptr);
    ~TSuggestEdit() override;

    bool SingleLineMode = false;
    bool ShowLearningSwitch = false;

    QPlainTextEdit* RTFControl;
    TMarkupLabel* HTMLabel1;
    QCheckBox* sCheckBox1;
    QPushButton* FlatButton2; // "&Fertig"
    QPushButton* FlatButton1; // "&Abbrechen"
    TRTFoxPopupMenu* Menu;

    // The lines of the phrases (CR LF between them in the result of Lines()).
    void SetLines(const std::vector<std::string>& lines);
    std::vector<std::string> Lines() const;
    // "Umbruch einfügen": the selection becomes " <br> " (nothing in single-line mode).
    void InsertBreak();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;
};

// Lets the user edit words (Windows-1252 lines). True when he confirmed: words then holds the
// edited lines, autoLearning the switch's state, which is also written under kAutoLearningKey.
// Cancelling changes nothing.
bool EditWords(std::vector<std::string>& words, bool showLearningSwitch, bool singleLineMode, bool& autoLearning,
               QWidget* parent = nullptr);

} // namespace artikel
