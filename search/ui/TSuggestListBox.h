#pragma once

// A suggestion list attached to a line edit: while the user types, a drop-down under the caret
// offers the stored phrases that begin with the typed text; keys and the mouse take one.
//
// Attaching installs an event filter on the edit and connects to its textChanged signal. The
// list handles each event before the edit's other handlers, so attach after installing the
// edit's own event filters (Qt runs the filter installed last first) and before connecting the
// edit's own textChanged handlers (Qt calls slots in connection order). Keys the list consumes
// (Enter taken from the list, Up, Down, Page Up, Page Down while it is open, F2 that opens it)
// never reach those handlers.

#include "search/TEditList.h"
#include "search/TSuggestWords.h"
#include "search/ui/TSuggestPopup.h"

#include <QLineEdit>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
class QMenu;
class QPainter;
class QFontMetrics;
class QKeyEvent;

namespace artikel {

class TSuggestListBox : public QObject {
    Q_OBJECT
public:
    explicit TSuggestListBox(std::unique_ptr<TSuggestWords> words, QObject* parent = nullptr);
    ~TSuggestListBox() override;

    // The edit-list object: sets AutoLearning from its settings key and the list id.
    void SetEditList(std::unique_ptr<TAbstractEditList> editList);
    TAbstractEditList* EditList() const { return editList_.get(); }

    void Attach(QLineEdit* edit);
    QLineEdit* Edit() const { return edit_; }

    bool AutoLearning = true;
    bool WholeTextMode = false;
    bool DoubleClickOpens = false;
    bool F2Opens = false;
    bool OpenWhenEmpty = false;
    // Characters of the current word needed before the caret; below 1 counts as 3.
    int MinWordLength = 3;
    bool SingleLineEditing = false;
    bool ShowLearningSwitch = false;

    TSuggestWords& Words() { return *words_; }
    const TSuggestWords& Words() const { return *words_; }

    void LearnSuggestions(std::string_view phrases, int minLength);
    // Nothing while the list is open.
    void ReplaceSuggestions(std::string_view lines, int minLength);
    void BeginBulkLearn() { words_->BeginBulkLearn(); }
    void EndBulkLearn() { words_->EndBulkLearn(); }

    // The list is shown, or an Enter taken from it is still pending.
    bool IsPopupActive() const { return listShown_ || enterPending_; }
    bool IsListShown() const { return listShown_; }
    // A taken entry is being put into the edit: its text change is part of the take.
    bool Taking() const { return taking_; }

    void UpdateSuggestionList();
    void OpenSuggestionList();
    void CloseSuggestionList();
    void TakeSuggestion();

    // Appends a separator, "Vorschläge manuell bearbeiten" and "Markierung als Vorschlag
    // übernehmen" to a menu of the edit; the latter enabled when the edit has a selection that is
    // not blank. Done for the edit's text menu; an owner with its own menu calls it.
    void AppendMenuEntries(QMenu* menu);
    // The edit's context menu is the German text menu with these entries; false hides its
    // "Symbol einfügen".
    bool SymbolMenuEntry = true;
    // "Vorschläge manuell bearbeiten": the phrases in the suggestion editor; confirmed, they
    // replace the stored ones and the switch goes to every list of this kind.
    void EditSuggestions();
    // Runs the editor (tests answer it without a dialog): words, show switch, single line, switch.
    std::function<bool(std::vector<std::string>&, bool, bool, bool&)> WordsEditor;
    // Learns the edit's selection as the menu entry does.
    void LearnSelection();

    // Failures of reading or writing the word file inside event handlers go here (default:
    // a warning on the console); they cannot propagate through the event loop.
    void SetErrorHandler(std::function<void(const std::string&)> handler) { onError_ = std::move(handler); }

    // The open drop-down (nullptr when closed), for drawing checks and tests.
    TSuggestPopup* Popup() const { return popup_; }
    int ItemHeight() const;
    // The text the entries are matched against.
    const std::string& TypedText() const { return typed_; }

protected:
    // Widens width for an entry; false = not handled (the default measure applies).
    virtual bool MeasureItem(int& width, const QFontMetrics& boldMetrics, const std::string& text);
    virtual void AddItem(const std::string& text);
    virtual void AfterListShown(TSuggestPopup& list);
    // Puts a taken entry (line breaks as CR LF) into the edit.
    virtual void PutSuggestion(QLineEdit& edit, const std::string& text);
    virtual void SplitForDisplay(std::string& typedPart, std::string& rest);
    // Draws the entry's display markup into rect (background already filled); false = the
    // default drawing applies.
    virtual bool DrawItem(QPainter& painter, bool selected, const QRect& rect, const std::string& display);

    bool eventFilter(QObject* watched, QEvent* event) override;
    QFont ListFont() const;
    QFont BoldListFont() const;

private:
    bool HandleKey(QKeyEvent* event);
    void MoveSelection(int key);
    void FillAndShow();
    void ShowList();
    void EnsurePopup();
    void DrawEntry(QPainter& painter, const QRect& rect, const std::string& entry, bool selected);
    void Report(const std::exception& e);
    void PressSeen(QWidget* widget);
    template <class F>
    void Guarded(F&& f);

    std::unique_ptr<TSuggestWords> words_;
    std::unique_ptr<TAbstractEditList> editList_;
    // Plain, cleared by the edit's destroyed signal: a QPointer would be cast to QLineEdit while
    // the edit's own destructor still sends it events.
    QLineEdit* edit_ = nullptr;
    QPointer<TSuggestPopup> popup_;
    std::function<void(const std::string&)> onError_;
    std::string typed_;
    int listWidth_ = 0;
    int wordStart_ = 0;
    int wordLength_ = 0;
    bool listShown_ = false;
    bool enterPending_ = false;
    bool ignoreNextMouseDown_ = false;
    bool taking_ = false;
    class TCancelWatcher;
    std::unique_ptr<TCancelWatcher> watcher_;
};

} // namespace artikel
