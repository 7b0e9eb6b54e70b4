#include "search/ui/TSuggestListBox.h"

#include "platform/Win1252.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/MarkupRenderer.h"
#include "search/SuggestMatching.h"
#include "search/ui/TSuggestEdit.h"
#include "search/ui/TSuggestPopup.h"
#include "search/ui/TTextoxPopupMenu.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QtDebug>

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace artikel {

namespace {
constexpr int kPageSize = 20;
constexpr int kBorder = 1;
const QColor kSelectedBack(255, 225, 121);
} // namespace

// Watches every press in the application (an application-wide filter of its own, so the edit's
// events are not seen twice); created when the list first opens, kept until the end, so it is
// never destroyed inside its own filter.
class TSuggestListBox::TCancelWatcher : public QObject {
public:
    explicit TCancelWatcher(TSuggestListBox* owner)
        : owner_(owner)
    {
        qApp->installEventFilter(this);
    }
    ~TCancelWatcher() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType())
            owner_->PressSeen(static_cast<QWidget*>(watched));
        return false;
    }

private:
    TSuggestListBox* owner_;
};

namespace {

// Every list box alive, so that a switch changed in one reaches the others of its kind.
std::vector<TSuggestListBox*>& ListBoxes()
{
    static std::vector<TSuggestListBox*> boxes;
    return boxes;
}

template <class F>
void ForEachListBox(F&& fn)
{
    const std::vector<TSuggestListBox*> boxes = ListBoxes();
    for (TSuggestListBox* b : boxes)
        fn(*b);
}

} // namespace

TSuggestListBox::TSuggestListBox(std::unique_ptr<TSuggestWords> words, QObject* parent)
    : QObject(parent),
      words_(std::move(words))
{
    ListBoxes().push_back(this);
}

TSuggestListBox::~TSuggestListBox()
{
    std::erase(ListBoxes(), this);
    if (edit_)
        edit_->removeEventFilter(this);
    delete popup_.data();
}

void TSuggestListBox::SetEditList(std::unique_ptr<TAbstractEditList> editList)
{
    editList_ = std::move(editList);
    if (editList_) {
        AutoLearning = editList_->ReadAutoLearning();
        words_->SetListId(editList_->ListId());
    }
}

void TSuggestListBox::Attach(QLineEdit* edit)
{
    if (edit_) {
        edit_->removeEventFilter(this);
        disconnect(edit_, nullptr, this, nullptr);
    }
    CloseSuggestionList();
    edit_ = edit;
    if (!edit)
        return;
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textChanged, this, [this] { Guarded([this] { UpdateSuggestionList(); }); });
    connect(edit, &QObject::destroyed, this, [this] {
        edit_ = nullptr;
        CloseSuggestionList();
    });
}

void TSuggestListBox::Report(const std::exception& e)
{
    if (onError_)
        onError_(e.what());
    else
        qWarning("%s", Win1252ToUtf8(e.what()).c_str());
}

template <class F>
void TSuggestListBox::Guarded(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        Report(e);
    }
}

QFont TSuggestListBox::ListFont() const
{
    QFont font(QApplication::font());
    font.setPointSize(9);
    return font;
}

QFont TSuggestListBox::BoldListFont() const
{
    QFont font = ListFont();
    font.setBold(true);
    return font;
}

int TSuggestListBox::ItemHeight() const
{
    const int h = QFontMetrics(BoldListFont()).height();
    return h + h * 30 / 100;
}

void TSuggestListBox::LearnSuggestions(std::string_view phrases, int minLength)
{
    words_->LearnSuggestions(phrases, minLength);
}

void TSuggestListBox::ReplaceSuggestions(std::string_view lines, int minLength)
{
    if (listShown_)
        return;
    words_->ReplaceSuggestions(lines, minLength);
}

void TSuggestListBox::EnsurePopup()
{
    if (popup_)
        return;
    auto* popup = new TSuggestPopup(
        edit_->window(),
        [this](QPainter& p, const QRect& r, const std::string& entry, bool selected) {
            DrawEntry(p, r, entry, selected);
        },
        [this] { Guarded([this] { TakeSuggestion(); }); });
    popup->setFont(ListFont());
    popup->SetItemHeight(ItemHeight());
    popup_ = popup;
}

void TSuggestListBox::UpdateSuggestionList()
{
    if (!edit_ || taking_)
        return;
    const std::string text = ToAnsi(edit_->text());
    const int caret = edit_->cursorPosition();
    const int length = CurrentWordLength(text, caret);
    const int needed = MinWordLength < 1 ? 3 : MinWordLength;
    if (length < needed) {
        CloseSuggestionList();
        return;
    }
    wordStart_ = caret - length;
    wordLength_ = length;
    typed_ = WholeTextMode ? text : text.substr(static_cast<std::size_t>(wordStart_), static_cast<std::size_t>(length));
    words_->EnsureLoaded();
    FillAndShow();
}

void TSuggestListBox::OpenSuggestionList()
{
    if (!edit_)
        return;
    ignoreNextMouseDown_ = true;
    edit_->selectAll();
    typed_ = ToAnsi(edit_->text());
    wordStart_ = 0;
    wordLength_ = static_cast<int>(typed_.size());
    if (typed_.empty() && !OpenWhenEmpty) {
        CloseSuggestionList();
        return;
    }
    words_->EnsureLoaded();
    FillAndShow();
    if (listShown_ && popup_)
        AfterListShown(*popup_);
}

void TSuggestListBox::FillAndShow()
{
    EnsurePopup();
    popup_->setUpdatesEnabled(false);
    popup_->clear();
    listWidth_ = 0;
    const std::vector<std::string>& words = words_->Words();
    for (int index : MatchSuggestions(words, typed_))
        AddItem(words[static_cast<std::size_t>(index)]);
    popup_->setCurrentRow(-1);
    popup_->setUpdatesEnabled(true);
    if (popup_->count() == 0)
        CloseSuggestionList();
    else
        ShowList();
}

bool TSuggestListBox::MeasureItem(int&, const QFontMetrics&, const std::string&) { return false; }

void TSuggestListBox::AddItem(const std::string& text)
{
    popup_->AddEntry(text);
    const QFontMetrics metrics(BoldListFont());
    if (!MeasureItem(listWidth_, metrics, text))
        listWidth_ = std::max(listWidth_, metrics.horizontalAdvance(FromAnsi(text)) + 20);
    const QScreen* screen = edit_->screen() ? edit_->screen() : QGuiApplication::primaryScreen();
    if (screen)
        listWidth_ = std::min(listWidth_, static_cast<int>(std::lround(0.6 * screen->geometry().width())));
}

void TSuggestListBox::ShowList()
{
    QWidget* form = edit_->window();
    const int n = popup_->count();
    const int rows = n <= 0 ? 1 : (n <= kPageSize ? std::max(3, n) : kPageSize);
    const int height = rows * popup_->ItemHeight() + 2 * kBorder;
    int width = listWidth_ > 0 ? listWidth_ : edit_->width() / 3;
    // Past a page the scroll bar takes room the entries were measured without.
    if (n > kPageSize)
        width += popup_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, popup_);
    // Under the caret, 5 pixels to its right; kept inside the form, above the edit when there is
    // no room below it.
    const QRect caret = edit_->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    QPoint pos = edit_->mapTo(form, QPoint(caret.left() + 5, edit_->height()));
    if (pos.x() + width > form->width())
        pos.setX(std::max(0, form->width() - width));
    if (pos.y() + height > form->height()) {
        const int above = edit_->mapTo(form, QPoint(0, 0)).y() - height;
        if (above >= 0)
            pos.setY(above);
    }
    popup_->setGeometry(QRect(pos, QSize(width, height)));
    popup_->raise();
    popup_->show();
    listShown_ = true;
    if (!watcher_)
        watcher_ = std::make_unique<TCancelWatcher>(this);
}

void TSuggestListBox::CloseSuggestionList()
{
    if (popup_) {
        // The list may be inside its own mouse handler: it goes once that has returned.
        popup_->hide();
        popup_->deleteLater();
        popup_ = nullptr;
    }
    listShown_ = false;
}

void TSuggestListBox::AfterListShown(TSuggestPopup&) {}

void TSuggestListBox::PutSuggestion(QLineEdit&, const std::string&) {}

void TSuggestListBox::SplitForDisplay(std::string&, std::string&) {}

bool TSuggestListBox::DrawItem(QPainter&, bool, const QRect&, const std::string&) { return false; }

void TSuggestListBox::TakeSuggestion()
{
    if (!edit_ || !popup_ || popup_->count() == 0) {
        CloseSuggestionList();
        return;
    }
    edit_->setSelection(wordStart_, wordLength_);
    const int row = popup_->currentRow() >= 0 ? popup_->currentRow() : 0;
    const std::string entry = ReplaceBreakTags(popup_->EntryAt(row), "\r\n");
    taking_ = true;
    try {
        PutSuggestion(*edit_, entry);
    } catch (...) {
        taking_ = false;
        CloseSuggestionList();
        throw;
    }
    taking_ = false;
    if (edit_ && edit_->isEnabled() && edit_->focusPolicy() != Qt::NoFocus)
        edit_->setFocus();
    CloseSuggestionList();
}

void TSuggestListBox::MoveSelection(int key)
{
    const int n = popup_->count();
    if (n == 0)
        return;
    const int current = popup_->currentRow();
    int target = 0;
    if (current >= 0) {
        switch (key) {
        case Qt::Key_PageUp: target = std::max(0, current - kPageSize); break;
        case Qt::Key_PageDown: target = std::min(n - 1, current + kPageSize); break;
        case Qt::Key_Up: target = current == 0 ? n - 1 : current - 1; break;
        default: target = current == n - 1 ? 0 : current + 1; break;
        }
    }
    popup_->setCurrentRow(target);
    popup_->scrollToItem(popup_->item(target));
}

bool TSuggestListBox::HandleKey(QKeyEvent* event)
{
    const int key = event->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (key == Qt::Key_F2 && F2Opens && !listShown_) {
        OpenSuggestionList();
        ignoreNextMouseDown_ = false;
        return true;
    }
    bool consumed = false;
    if (listShown_) {
        switch (key) {
        case Qt::Key_Backspace:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Delete: CloseSuggestionList(); break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            enterPending_ = true;
            try {
                TakeSuggestion();
            } catch (...) {
                enterPending_ = false;
                throw;
            }
            consumed = true;
            break;
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Up:
        case Qt::Key_Down:
            MoveSelection(key);
            consumed = true;
            break;
        default: break;
        }
    }
    // The character of an Enter taken from the list is swallowed, so the edit's own Enter
    // handling does not search a second time.
    if (enter) {
        if (enterPending_)
            consumed = true;
        enterPending_ = false;
        CloseSuggestionList();
    }
    return consumed;
}

bool TSuggestListBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edit_) {
        bool consumed = false;
        switch (event->type()) {
        case QEvent::KeyPress: Guarded([&] { consumed = HandleKey(static_cast<QKeyEvent*>(event)); }); return consumed;
        case QEvent::FocusOut: CloseSuggestionList(); return false;
        case QEvent::MouseButtonPress:
            if (ignoreNextMouseDown_)
                ignoreNextMouseDown_ = false;
            else
                CloseSuggestionList();
            return false;
        case QEvent::MouseButtonDblClick:
            if (!DoubleClickOpens)
                return false;
            Guarded([&] { OpenSuggestionList(); });
            // Qt sends the second press before the double-click, so no press of this
            // double-click is left to ignore.
            ignoreNextMouseDown_ = false;
            // The edit's own double-click would select one word instead of the whole text.
            return listShown_;
        case QEvent::ContextMenu:
            if (editList_ && edit_->contextMenuPolicy() == Qt::DefaultContextMenu) {
                auto* menuEvent = static_cast<QContextMenuEvent*>(event);
                TTextoxPopupMenu menu(edit_);
                menu.symbolAction->setVisible(SymbolMenuEntry);
                AppendMenuEntries(&menu);
                menu.Open(menuEvent->globalPos());
                return true;
            }
            return false;
        default: return false;
        }
    }
    return false;
}

void TSuggestListBox::PressSeen(QWidget* widget)
{
    // Any press outside the edit and the list cancels the list.
    const bool inside = widget == edit_ || (popup_ && (widget == popup_ || popup_->isAncestorOf(widget)));
    if (listShown_ && !inside)
        CloseSuggestionList();
}

void TSuggestListBox::AppendMenuEntries(QMenu* menu)
{
    menu->addSeparator();
    QAction* edit = menu->addAction(QStringLiteral("Vorschl\u00E4ge manuell bearbeiten"));
    edit->setObjectName(QStringLiteral("EditSuggestions"));
    connect(edit, &QAction::triggered, this, [this] { Guarded([this] { EditSuggestions(); }); });
    QAction* learn = menu->addAction(QStringLiteral("Markierung als Vorschlag übernehmen"));
    learn->setObjectName(QStringLiteral("LearnSelection"));
    learn->setEnabled(edit_ && !TrimSuggestion(ToAnsi(edit_->selectedText())).empty());
    connect(learn, &QAction::triggered, this, [this] { Guarded([this] { LearnSelection(); }); });
}

void TSuggestListBox::EditSuggestions()
{
    words_->EnsureLoaded();
    std::vector<std::string> lines = words_->Words();
    bool learning = AutoLearning;
    const bool confirmed = WordsEditor
        ? WordsEditor(lines, ShowLearningSwitch, SingleLineEditing, learning)
        : EditWords(lines, ShowLearningSwitch, SingleLineEditing, learning, edit_ ? edit_->window() : nullptr);
    if (!confirmed)
        return;
    AutoLearning = learning;
    ForEachListBox([this, learning](TSuggestListBox& other) {
        if (&other != this && typeid(other) == typeid(*this))
            other.AutoLearning = learning;
    });
    if (MinWordLength < 1)
        MinWordLength = 3;
    std::string text;
    for (const std::string& l : lines)
        text.append(l).append("\r\n");
    ReplaceSuggestions(text, MinWordLength + 1);
}

void TSuggestListBox::LearnSelection()
{
    if (!edit_)
        return;
    std::string selection = TrimSuggestion(ToAnsi(edit_->selectedText()));
    std::string phrase;
    for (std::size_t i = 0; i < selection.size(); ++i) {
        if (selection.compare(i, 2, "\r\n") == 0) {
            phrase += "<br>";
            ++i;
        } else {
            phrase += selection[i];
        }
    }
    LearnSuggestions(phrase, 4);
}

void TSuggestListBox::DrawEntry(QPainter& painter, const QRect& rect, const std::string& entry, bool selected)
{
    painter.save();
    painter.fillRect(QRect(rect.left(), rect.top(), 3, rect.height()), Qt::red);
    QColor back = popup_ ? popup_->palette().color(QPalette::Base) : QColor(Qt::white);
    if (selected)
        back = kSelectedBack;
    else if (edit_ && edit_->isReadOnly())
        back = QApplication::palette().color(QPalette::Button);
    painter.fillRect(QRect(rect.left() + 3, rect.top(), rect.width() - 3, rect.height()), back);
    painter.setPen(popup_ ? popup_->palette().color(QPalette::Text) : QColor(Qt::black));
    painter.setFont(ListFont());

    std::string head, rest, display;
    if (SplitSuggestion(entry, typed_, head, rest)) {
        SplitForDisplay(head, rest);
        display = SplitDisplayMarkup(head, rest);
    } else {
        display = SuggestionDisplayMarkup(entry, {});
    }
    if (!DrawItem(painter, selected, rect, display)) {
        MarkupOptions options;
        options.accelerators = false;
        DrawMarkup(painter, display, rect.adjusted(5, 2, 0, 0), options);
    }
    painter.restore();
}

} // namespace artikel
